#include "windows/MessageWindow1.h"

TMessageForm1::TMessageForm1(QWidget* parent) : fw::TForm(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setupUi(this);
    LoadLayout();
    SetClientSize(282, 81);
}

TMessageForm1::~TMessageForm1() = default;

QString TMessageForm1::CatalogueLine(int no) const
{
    const QStringList lines = Memo0->toPlainText().split(QLatin1Char('\n'));
    return no >= 0 && no < lines.size() ? lines[no] : QString();
}

void TMessageForm1::FormShow()
{
    // The previous message goes.
    QImage& text = Image1->Bitmap();
    if (text.size() != Image1->size())
        text = QImage(Image1->size(), QImage::Format_RGB32);
    text.fill(Qt::white);
    Image1->RepaintNow();
}

// Types the message. An activation while a message is being typed (the window was
// left and came back) is passed over: the typing goes on, once. After it, every
// activation types the message again over itself.
void TMessageForm1::FormActivate()
{
    if (m_renderer)
        return;
    m_renderer = std::make_unique<TMessageOut>();
    TMessageOut& out = *m_renderer;
    out.Image = Image1;
    out.Left = 1;
    out.Top = 5;
    out.Right = Image1->width();
    out.Bottom = Image1->height();
    fw::TCanvasFont& font = Image1->CanvasFont();
    font.Size = 9;
    font.Color = clBlack;
    font.Bold = font.Italic = false;
    try {
        out.Render(CatalogueLine(MessageNo).toStdString(), 4);
    } catch (...) {
        m_renderer.reset();
        throw;
    }
    m_renderer.reset(); // the mouse handlers reach no renderer from here on
    // A button pressed during the typing takes effect now the message is complete.
    if (m_closeWhenTyped) {
        m_closeWhenTyped = false;
        close();
    }
}

void TMessageForm1::Image1MouseDown()
{
    if (m_renderer)
        m_renderer->NotifyMouseDown();
}

void TMessageForm1::Image1MouseUp()
{
    if (m_renderer)
        m_renderer->NotifyMouseUp();
}

void TMessageForm1::SSButton1Click()
{
    Answer = 1;
    CloseWhenTyped();
}

void TMessageForm1::SSButton2Click()
{
    Answer = 0;
    CloseWhenTyped();
}

void TMessageForm1::CloseWhenTyped()
{
    if (m_renderer)
        m_closeWhenTyped = true; // the window stays until the message is complete
    else
        close();
}
