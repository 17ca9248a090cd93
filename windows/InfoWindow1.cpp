#include "windows/InfoWindow1.h"

#include "windows/AskMessage.h"
#include "windows/MessageWindow1.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

const char* const TInfoForm1::kMakerSite = "https://qelto.example/";
const char* const TInfoForm1::kDesignerSite = "https://pomi-sabou.example/";
const char* const TInfoForm1::kSupportMail = "info@qelto.example";

namespace {

// A hot spot reaches over the whole of its address, however long the address is, so
// no part of a link's text is dead to the mouse.
void CoverText(QWidget* spot, const QWidget* text)
{
    QRect area = spot->geometry();
    area.setLeft(std::min(area.left(), text->geometry().left()));
    area.setRight(std::max(area.right(), text->geometry().right()));
    spot->setGeometry(area);
}

} // namespace

TInfoForm1::TInfoForm1(QWidget* parent) : fw::TForm(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setupUi(this);
    SetDragByFreeSpot(true);
    LoadLayout();
    SetClientSize(510, 202);
    CoverText(SpeedButton3, Label3);
    CoverText(SpeedButton1, Label2);
    CoverText(SpeedButton4, Label5);
}

void TInfoForm1::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
        }
    }
    fw::TForm::showEvent(event);
}

void TInfoForm1::SpeedButton1Click()
{
    if (AskMessage(*MessageForm1, 5) == 1)
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerSite)));
}

void TInfoForm1::SpeedButton4Click()
{
    if (AskMessage(*MessageForm1, 6) == 1)
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDesignerSite)));
}

void TInfoForm1::SpeedButton3Click()
{
    if (AskMessage(*MessageForm1, 7) == 1)
        QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMail)));
}

void TInfoForm1::SpeedButton2Click() { close(); }
