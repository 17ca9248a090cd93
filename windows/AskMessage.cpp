#include "windows/AskMessage.h"

#include "windows/MessageWindow1.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

QPoint MessageWindowPosition(QPoint cursor, int screenRight, int width)
{
    int left = cursor.x() + 2;
    if (left > screenRight - width)
        left = screenRight - width;
    return {left, cursor.y() + 6};
}

void PlaceMessageWindow(TMessageForm1& message)
{
    const QPoint cursor = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int screenRight = screen ? screen->geometry().x() + screen->geometry().width() : 0;
    message.move(MessageWindowPosition(cursor, screenRight, message.width()));
}

int AskPlacedMessage(TMessageForm1& message, int no)
{
    message.MessageNo = no;
    message.ShowModal();
    const int answer = message.Answer;
    message.Answer = 0;
    return answer;
}

int AskMessage(TMessageForm1& message, int no)
{
    PlaceMessageWindow(message);
    return AskPlacedMessage(message, no);
}
