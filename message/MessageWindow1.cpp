#include "message/MessageWindow1.h"

#include "framework/TextDraw.h"

#include <QPainter>

TMessageForm1* MessageForm1 = nullptr;

TMessageForm1::TMessageForm1(QWidget* parent) : fw::TForm(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setupUi(this);
    LoadLayout();
    SetClientSize(282, 81);
}

QString TMessageForm1::CatalogueLine(int no) const
{
    const QStringList lines = Memo0->toPlainText().split(QLatin1Char('\n'));
    return no >= 0 && no < lines.size() ? lines[no] : QString();
}

QString MarkupToPlainText(const QString& markup)
{
    QString out;
    for (int i = 0; i < markup.size(); ++i) {
        const QChar c = markup[i];
        if (c == QLatin1Char('<')) {
            const int close = markup.indexOf(QLatin1Char('>'), i + 1);
            if (close < 0)
                break;
            i = close;
        } else if (c == QLatin1Char('#')) {
            out += QLatin1Char('\n');
        } else {
            out += c;
        }
    }
    return out;
}

void TMessageForm1::FormShow()
{
    QImage& text = Image1->Bitmap();
    text.fill(Qt::white);
    Image1->update();
}

void TMessageForm1::FormActivate()
{
    QImage& text = Image1->Bitmap();
    text.fill(Qt::white);
    QPainter p(&text);
    QFont f = font();
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::black);
    QRect area(1, 5, Image1->width() - 1, Image1->height() - 5);
    fw::DrawText(p, MarkupToPlainText(CatalogueLine(MessageNo)), area, fw::DT_WORDBREAK | fw::DT_NOPREFIX);
    p.end();
    Image1->update();
}

void TMessageForm1::SSButton1Click()
{
    Answer = 1;
    close();
}

void TMessageForm1::SSButton2Click()
{
    Answer = 0;
    close();
}
