#include "widgets/MsgView3.h"

#include "framework/ColorQt.h"
#include "framework/PictureControl.h"
#include "framework/MbScan.h"
#include "framework/MessagePump.h"
#include "framework/Numbers.h"
#include "framework/RasterOps.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>


TDrawStep::~TDrawStep()
{
    // A long chain is freed link by link, not by a recursion as deep as the chain.
    std::unique_ptr<TDrawStep> rest = std::move(Next);
    while (rest)
        rest = std::move(rest->Next);
}

namespace {

struct Extent {
    int width;
    int height;
};

Extent TextExtent(const fw::TCanvasFont& font, std::string_view bytes)
{
    const QFontMetrics fm(font.ToQFont());
    return {fm.horizontalAdvance(QString::fromUtf8(bytes.data(), int(bytes.size()))), fm.height()};
}

// A tag's step, as its name asks; its effect on the layout is applied by the caller.
TDrawStep TagStep(const std::string& name)
{
    // "+n", "-n", "Wn": the one or two bytes after the first, read as a number.
    const auto count = [&] { return fw::ParseInteger(std::string_view(name).substr(1, 2)).value_or(0); };
    TDrawStep step;
    if (name[0] == '+')
        step.Kind = skSizeUp, step.Value = count();
    else if (name[0] == '-')
        step.Kind = skSizeDown, step.Value = count();
    else if (name == "B")
        step.Kind = skBold;
    else if (name == "I")
        step.Kind = skItalic;
    else if (name == "N")
        step.Kind = skPlain;
    else if (name == "FAST")
        step.Kind = skFast;
    else if (name == "NORMAL")
        step.Kind = skNormalSpeed;
    else if (name == "SLOW")
        step.Kind = skSlow;
    else if (name == "KEY")
        step.Kind = skKeyWait;
    else if (name[0] == 'W')
        step.Kind = skPause, step.Value = count();
    else if (name.rfind("cl", 0) == 0 || name.rfind("0x", 0) == 0)
        step.Kind = skColor, step.Value = std::int32_t(fw::StringToColor(name)); // throws when neither
    return step;
}

// What a font, size or style step does to a canvas font.
void ApplyToFont(const TDrawStep& step, fw::TCanvasFont& font)
{
    switch (step.Kind) {
    case skSizeUp:
        font.Size += step.Value;
        break;
    case skSizeDown:
        font.Size -= step.Value;
        break;
    case skPlain:
        font.Bold = font.Italic = false;
        break;
    case skBold: // the style is replaced, not added to
        font.Bold = true, font.Italic = false;
        break;
    case skItalic:
        font.Bold = false, font.Italic = true;
        break;
    case skColor:
        font.Color = TColor(step.Value);
        break;
    default:
        break;
    }
}

// Bytes p .. p + count − 1 (1-based) of `text`, measured in `font`.
Extent Measure(const fw::TCanvasFont& font, const std::string& text, int p, int count)
{
    return TextExtent(font, std::string_view(text).substr(std::size_t(p - 1), std::size_t(std::max(count, 0))));
}

// A chain of drawing steps that always ends in an empty one: appending fills it and
// adds the next.
class StepChain {
public:
    StepChain() : m_head(std::make_unique<TDrawStep>()), m_tail(m_head.get()) {}
    TDrawStep* Append(std::int32_t kind, std::int32_t value = 0, std::int32_t x = 0, std::int32_t start = 0,
                      std::int32_t length = 0)
    {
        TDrawStep* step = m_tail;
        step->Kind = kind, step->Value = value, step->X = x, step->Start = start, step->Length = length;
        step->Next = std::make_unique<TDrawStep>();
        m_tail = step->Next.get();
        return step;
    }
    // Everything after `step` dropped: the chain ends there.
    void EndAfter(TDrawStep* step)
    {
        step->Next = std::make_unique<TDrawStep>();
        m_tail = step->Next.get();
    }
    std::unique_ptr<TDrawStep> Take() { return std::move(m_head); }

private:
    std::unique_ptr<TDrawStep> m_head;
    TDrawStep* m_tail;
};

// Where the layout is: the line's first byte (1-based), the bytes of it taken (n)
// and before the last character (m), where its next run goes (x), the width of the
// run laid out character by character (w) and the line's height so far (h).
struct Pen {
    int p = 1;
    int n = 0, m = 0;
    int x = 0, w = 0, h = 0;
};

// The characters of one line from pen.p on, laid into `chain` as far as they fit in
// `width` (every line takes at least one) or to a line break ('#'): true when a break
// ended it. Tags change `font` and the renderer's delay as they come.
bool LayOutLine(TMessageOut& out, const std::string& text, int mode, int width, fw::TCanvasFont& font,
                StepChain& chain, Pen& pen)
{
    const bool runModes = mode <= 3, charModes = mode >= 4;
    const int last = int(text.size());
    for (;;) {
        pen.m = pen.n;
        pen.n += int(fw::CharLength(text, std::size_t(pen.p + pen.n - 1)));
        const char c = text[std::size_t(pen.p + pen.m - 1)];
        if (c == '#') {
            if (out.KeyAtBreak)
                chain.Append(skKeyWait, 0, pen.x + pen.w);
            return true;
        }
        // A "<" opens a tag when a ">" closes it; otherwise it is text.
        const std::size_t lt = std::size_t(pen.p + pen.n - 2), gt = c == '<' ? text.find('>', lt + 2) : std::string::npos;
        if (gt != std::string::npos) {
            if (runModes)
                chain.Append(skText, 0, pen.x, pen.p, pen.n - 1);
            const Extent run = Measure(font, text, pen.p, pen.n - 1);
            pen.x += run.width;
            pen.w = 0;
            pen.h = std::max(pen.h, run.height);
            const std::string name = text.substr(lt + 1, gt - lt - 1);
            pen.p = int(gt) + 2;
            pen.m = pen.n;
            pen.n = 0;
            TDrawStep tag = TagStep(name);
            ApplyToFont(tag, font);
            if (tag.Kind == skFast)
                out.Delay = out.FastDelay;
            else if (tag.Kind == skNormalSpeed)
                out.Delay = out.NormalDelay;
            else if (tag.Kind == skSlow)
                out.Delay = out.SlowDelay;
            chain.Append(tag.Kind, tag.Value, pen.x + pen.w);
        }
        if (charModes) {
            chain.Append(skCharWait, out.Delay);
            if (pen.n > pen.m)
                chain.Append(skText, 0, pen.x + Measure(font, text, pen.p, pen.m).width, pen.p + pen.m, pen.n - pen.m);
            const Extent done = Measure(font, text, pen.p, pen.n);
            pen.w = done.width;
            pen.h = std::max(pen.h, done.height);
        }
        if (pen.p + pen.n > last)
            return false;
        // Another character when it still fits.
        const int k = pen.n + int(fw::CharLength(text, std::size_t(pen.p + pen.n - 1)));
        if (Measure(font, text, pen.p, k).width >= width - pen.x)
            return false;
    }
}

// A line that does not fit below the ones before it: mode 0 drops it and all after
// it (false), modes 3 and 5 scroll it in, the others wait for a key at the last
// line's end and start a clean page.
bool BreakPage(int mode, TDrawStep* separator, StepChain& chain, int xEnd, int& y)
{
    if (mode == 0) {
        chain.EndAfter(separator);
        return false;
    }
    if (mode == 3 || mode == 5) {
        separator->Kind = skScroll;
        return true;
    }
    separator->Kind = skKeyWait;
    separator->X = xEnd;
    auto clear = std::make_unique<TDrawStep>();
    clear->Kind = skClearPage;
    clear->Next = std::move(separator->Next);
    separator->Next = std::move(clear);
    y = 0;
    return true;
}

} // namespace

TMessageOut::TMessageOut() = default;

std::unique_ptr<TDrawStep> TMessageOut::Layout(const std::string& text, int mode)
{
    if (mode < 0 || mode > 5)
        mode = 0;
    fw::TCanvasFont font = Image ? Image->CanvasFont() : fw::TCanvasFont();
    Delay = DefaultDelay;
    const int W = Right - Left, H = Bottom - Top;
    const int last = int(text.size());
    StepChain chain;
    Pen pen;
    int y = 0, xEnd = 0;
    bool firstLine = true;
    while (pen.p <= last) {
        TDrawStep* lineHead = chain.Append(skNone);
        TDrawStep* separator = chain.Append(skNone);
        const bool endedAtBreak = LayOutLine(*this, text, mode, W, font, chain, pen);
        pen.h = std::max(pen.h, Measure(font, text, pen.p, pen.n).height);
        if (mode <= 3) { // the line's last run
            const int length = endedAtBreak ? pen.n - 1 : pen.n;
            chain.Append(skText, 0, pen.x, pen.p, length);
            const Extent run = Measure(font, text, pen.p, length);
            pen.x += run.width;
            pen.h = std::max(pen.h, run.height);
        }
        if (mode == 2 || mode == 3)
            chain.Append(skCharWait, Delay);
        lineHead->Kind = skLineHead;
        lineHead->Value = pen.h;
        if (y + pen.h > H) {
            if (!BreakPage(mode, separator, chain, xEnd, y))
                break;
        } else if (!firstLine) {
            separator->Kind = skNextLine;
        }
        firstLine = false;
        xEnd = pen.x + pen.w;
        y += pen.h;
        pen = Pen{pen.p + pen.n};
    }
    if (KeyAtEnd)
        chain.Append(skKeyWait, 0, xEnd);
    return chain.Take();
}

bool TMessageOut::Render(const std::string& text, int mode)
{
    if (Busy || !Image)
        return false;
    Busy = true;
    const fw::TCanvasFont saved = Image->CanvasFont();
    Backdrop = Image->Bitmap().convertToFormat(QImage::Format_RGB32);
    Image->Bitmap() = Image->Bitmap().convertToFormat(QImage::Format_RGB32);
    m_text = text;
    std::unique_ptr<TDrawStep> chain = Layout(text, mode); // a bad colour tag leaves here, still busy
    m_font = saved;
    const bool scrolling = mode == 3 || mode == 5;
    if (scrolling) {
        TextLayer = QImage(Backdrop.size(), QImage::Format_RGB32);
        TextLayer.fill(Qt::black);
        MaskLayer = QImage(Backdrop.size(), QImage::Format_RGB32);
        MaskLayer.fill(Qt::white);
        m_layerFont = saved;
    }
    Execute(std::move(chain), mode);
    Image->CanvasFont() = saved;
    TextLayer = QImage();
    MaskLayer = QImage();
    Busy = false;
    Backdrop = QImage();
    return true;
}

void TMessageOut::NotifyMouseDown()
{
    WaitsHonoured = false;
    if (KeyWaiting) {
        KeyWaiting = false;
        WaitsHonoured = true;
    }
}

void TMessageOut::NotifyMouseUp() { WaitsHonoured = true; }

void TMessageOut::Execute(std::unique_ptr<TDrawStep> chain, int mode)
{
    Delay = DefaultDelay;
    LineTop = 0;
    const bool scrolling = mode == 3 || mode == 5;
    std::unique_ptr<TDrawStep> step = std::move(chain);
    // Each step but the final empty one runs, and is freed once it has run.
    while (step && step->Next) {
        std::unique_ptr<TDrawStep> rest = std::move(step->Next);
        Run(*step, scrolling);
        step = std::move(rest);
        if (fw::ApplicationTerminated())
            return; // the rest of the chain is freed with `step`
    }
}

void TMessageOut::Run(const TDrawStep& step, bool scrolling)
{
    switch (step.Kind) {
    case skText:
        DrawTextStep(step, scrolling);
        break;
    case skSizeUp:
    case skSizeDown:
    case skPlain:
    case skBold:
    case skItalic:
    case skColor:
        ApplyToFont(step, m_font);
        if (scrolling)
            ApplyToFont(step, m_layerFont);
        break;
    case skFast:
        Delay = FastDelay;
        break;
    case skNormalSpeed:
        Delay = NormalDelay;
        break;
    case skSlow:
        Delay = SlowDelay;
        break;
    case skKeyWait:
        if (Animate)
            KeyWait(step);
        break;
    case skPause:
    case skCharWait:
        if (Animate) {
            fw::ProcessMessages();
            if (WaitsHonoured)
                Wait(step.Kind == skPause ? step.Value * 100 : step.Value);
        }
        break;
    case skLineHead:
        PrevLineHeight = CurLineHeight;
        CurLineHeight = step.Value;
        break;
    case skClearPage:
        Image->Bitmap() = Backdrop.copy();
        LineTop = 0;
        Image->RepaintNow();
        break;
    case skNextLine:
        LineTop += PrevLineHeight;
        break;
    case skScroll:
        if (scrolling)
            Scroll();
        break;
    default:
        break;
    }
}

void TMessageOut::DrawTextStep(const TDrawStep& step, bool scrolling)
{
    const std::string_view bytes =
        std::string_view(m_text).substr(std::size_t(std::max(step.Start - 1, 0)), std::size_t(std::max(step.Length, 0)));
    const QString text = QString::fromUtf8(bytes.data(), int(bytes.size()));
    const QFont font = m_font.ToQFont();
    const QFontMetrics fm(font);
    // Text sits on the bottom of its line.
    const int d = CurLineHeight == 0 ? 0 : CurLineHeight - fm.height();
    const int x = Left + step.X, y = Top + LineTop + d + fm.ascent();
    const auto draw = [&](QImage& on, const QColor& colour, int dx) {
        QPainter p(&on);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(x + dx, y + dx, text);
    };
    QImage& picture = Image->Bitmap();
    if (Shadow) {
        const int s = std::min(4, m_font.Size / 24 + 1);
        draw(picture, fw::ToQColor(ShadowColor), s);
        if (scrolling) {
            draw(TextLayer, fw::ToQColor(ShadowColor), s);
            draw(MaskLayer, Qt::black, s);
        }
    }
    draw(picture, fw::ToQColor(m_font.Color), 0);
    if (scrolling) {
        draw(TextLayer, fw::ToQColor(m_layerFont.Color), 0);
        draw(MaskLayer, Qt::black, 0);
    }
    Image->RepaintNow();
}

void TMessageOut::KeyWait(const TDrawStep& step)
{
    KeyWaiting = true;
    const QFont font = m_font.ToQFont();
    const QFontMetrics fm(font);
    const QString mark = QString::fromStdString(KeyMark);
    const int d = CurLineHeight == 0 ? 0 : CurLineHeight - fm.height();
    const QRect spot(Left + step.X, Top + LineTop, fm.horizontalAdvance(mark), CurLineHeight);
    const auto restore = [&] {
        fw::BitBlt(Image->Bitmap(), spot.x(), spot.y(), spot.width(), spot.height(), Backdrop, spot.x(), spot.y(),
                   fw::RasterOp::SrcCopy);
        Image->RepaintNow();
    };
    bool showing = false;
    do {
        if (BlinkMark) {
            showing = !showing;
            if (showing) {
                QPainter p(&Image->Bitmap());
                p.setFont(font);
                p.setPen(fw::ToQColor(m_font.Color));
                p.drawText(spot.x(), Top + LineTop + d + fm.ascent(), mark);
                p.end();
                Image->RepaintNow();
            } else {
                restore();
            }
        }
        Wait(BlinkInterval);
        fw::ProcessMessages();
    } while (KeyWaiting && !fw::ApplicationTerminated());
    restore();
}

void TMessageOut::Scroll()
{
    const int hc = CurLineHeight, hp = PrevLineHeight, H = Bottom - Top;
    const int a = LineTop + hp + hc - H;
    LineTop = H - hc;
    if (a > 0) {
        for (auto [layer, fill] : {std::pair{&TextLayer, fw::PatternOp::Blackness},
                                   std::pair{&MaskLayer, fw::PatternOp::Whiteness}}) {
            fw::BitBlt(*layer, Left, Top, Right - Left, H - a, *layer, Left, Top + a, fw::RasterOp::SrcCopy);
            fw::PatBlt(*layer, QRect(0, Bottom - hc, layer->width(), hc), fill);
        }
    }
    QImage& picture = Image->Bitmap();
    picture = Backdrop.copy();
    fw::BitBlt(picture, 0, 0, picture.width(), picture.height(), MaskLayer, 0, 0, fw::RasterOp::SrcAnd);
    fw::BitBlt(picture, 0, 0, picture.width(), picture.height(), TextLayer, 0, 0, fw::RasterOp::SrcPaint);
    Image->RepaintNow();
}

void TMessageOut::Wait(int ms)
{
    if (ms > 0)
        fw::WaitPumping(std::uint32_t(ms));
}
