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

void PlaceMessageWindow()
{
    const QPoint cursor = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int screenRight = screen ? screen->geometry().x() + screen->geometry().width() : 0;
    MessageForm1->move(MessageWindowPosition(cursor, screenRight, MessageForm1->width()));
}

int AskPlacedMessage(int no)
{
    MessageForm1->MessageNo = no;
    MessageForm1->ShowModal();
    const int answer = MessageForm1->Answer;
    MessageForm1->Answer = 0;
    return answer;
}

int AskMessage(int no)
{
    PlaceMessageWindow();
    return AskPlacedMessage(no);
}
