// The markup text renderer: the chain of drawing steps it lays out (read directly),
// and what it draws, checked on pixels against text drawn independently with the
// same font at the place the layout rules give.
#include "framework/Application.h"
#include "framework/ColorQt.h"
#include "framework/Exception.h"
#include "framework/PictureControl.h"
#include "widgets/MsgView3.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Step {
    int kind, value, x, start, length;
};

std::vector<Step> Steps(const TDrawStep* s)
{
    std::vector<Step> out;
    for (; s; s = s->Next.get())
        out.push_back({s->Kind, s->Value, s->X, s->Start, s->Length});
    return out;
}

std::vector<int> Kinds(const TDrawStep* s)
{
    std::vector<int> kinds;
    for (const Step& step : Steps(s))
        kinds.push_back(step.kind);
    return kinds;
}

// A picture control with a white picture, and a renderer on it.
struct Fixture {
    fw::TImage image;
    TMessageOut out;
    explicit Fixture(int w = 200, int h = 60)
    {
        image.resize(w, h);
        image.Bitmap().fill(Qt::white);
        image.CanvasFont().Size = 9;
        image.CanvasFont().Color = clBlack;
        out.Image = &image;
        out.Left = 0, out.Top = 0, out.Right = w, out.Bottom = h;
        out.Shadow = false;
    }
    int LineHeight(const fw::TCanvasFont& f) const { return QFontMetrics(f.ToQFont()).height(); }
};

// `text` drawn in `font` with its top-left at (x, y), on a white picture of `size`.
QImage Reference(QSize size, const std::vector<std::tuple<QString, fw::TCanvasFont, QPoint>>& pieces)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    for (const auto& [text, font, at] : pieces) {
        p.setFont(font.ToQFont());
        p.setPen(fw::ToQColor(font.Color));
        p.drawText(at.x(), at.y() + QFontMetrics(font.ToQFont()).ascent(), text);
    }
    return img;
}

using Pieces = std::vector<std::tuple<QString, fw::TCanvasFont, QPoint>>;

// `text` typed character by character from `at`, as the character modes place each
// character: after the width of everything before it on the line.
Pieces Typed(const QString& text, const fw::TCanvasFont& font, QPoint at)
{
    Pieces pieces;
    const QFontMetrics fm(font.ToQFont());
    for (int i = 0; i < text.size(); ++i)
        pieces.push_back({text.mid(i, 1), font, at + QPoint(fm.horizontalAdvance(text.left(i)), 0)});
    return pieces;
}

Pieces operator+(Pieces a, const Pieces& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool SamePicture(const QImage& a, const QImage& b)
{
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace

// ---- the chain ----------------------------------------------------------------------

TEST(MarkupLayout, TheWorkedExampleGivesExactlyTheListedStepsInModes4And1)
{
    Fixture f;
    const std::string text = "<B>ab#c";
    const std::vector<int> mode4 = {skLineHead, skNone, skBold, skCharWait, skCharWait, skText, skCharWait, skText,
                                    skLineHead, skNextLine, skCharWait, skText, skNone};
    auto chain = f.out.Layout(text, 4);
    EXPECT_EQ(Kinds(chain.get()), mode4);
    const std::vector<Step> steps = Steps(chain.get());
    EXPECT_EQ(steps[5].start, 4); // a
    EXPECT_EQ(steps[5].length, 1);
    EXPECT_EQ(steps[7].start, 5); // b, after a
    fw::TCanvasFont bold = f.image.CanvasFont();
    bold.Bold = true;
    EXPECT_EQ(steps[7].x, QFontMetrics(bold.ToQFont()).horizontalAdvance(QStringLiteral("a")));
    EXPECT_EQ(steps[11].start, 7); // c
    EXPECT_EQ(steps[11].x, 0);
    EXPECT_EQ(steps[3].value, 45); // the tag's wait, at the default delay

    const std::vector<int> mode1 = {skLineHead, skNone, skText, skBold, skText, skLineHead, skNextLine, skText, skNone};
    chain = f.out.Layout(text, 1);
    EXPECT_EQ(Kinds(chain.get()), mode1);
    const std::vector<Step> run = Steps(chain.get());
    EXPECT_EQ(run[2].length, 0); // the run before the tag
    EXPECT_EQ(run[4].start, 4);
    EXPECT_EQ(run[4].length, 2); // "ab", the "#" not drawn
    EXPECT_EQ(run[7].start, 7);
    EXPECT_EQ(run[7].length, 1);
    // The layout leaves the canvas font as it found it.
    EXPECT_FALSE(f.image.CanvasFont().Bold);
}

TEST(MarkupLayout, TagsAreReadInOrderAndUnknownOnesIgnored)
{
    Fixture f;
    const auto kindsOf = [&](const std::string& text) {
        std::vector<int> k;
        for (const Step& s : Steps(f.out.Layout(text, 0).get()))
            if (s.kind != skLineHead && s.kind != skText && s.kind != skNone)
                k.push_back(s.kind);
        return k;
    };
    EXPECT_EQ(kindsOf("<+4>x<-12>x<B>x<I>x<N>x<FAST>x<NORMAL>x<SLOW>x<KEY>x<W5>x<clRed>x"),
              (std::vector<int>{skSizeUp, skSizeDown, skBold, skItalic, skPlain, skFast, skNormalSpeed, skSlow,
                                skKeyWait, skPause, skColor}));
    EXPECT_EQ(kindsOf("<b>x<fast>x<Bold>x<?>x"), std::vector<int>{}); // case matters; unknown tags do nothing
    const std::vector<Step> s = Steps(f.out.Layout("<+4>x<W25>x<W>x<+x>x", 0).get());
    std::vector<int> values;
    for (const Step& step : s)
        if (step.kind == skSizeUp || step.kind == skPause)
            values.push_back(step.value);
    EXPECT_EQ(values, (std::vector<int>{4, 25, 0, 0}));
}

TEST(MarkupLayout, LinesBreakAtHashesAtTheEdgeAndNeverInsideACharacter)
{
    Fixture f(40, 200);
    const fw::TCanvasFont font = f.image.CanvasFont();
    // "##": an empty line between two lines, as high as "#".
    auto chain = f.out.Layout("a##b", 1);
    std::vector<Step> heads;
    for (const Step& s : Steps(chain.get()))
        if (s.kind == skLineHead)
            heads.push_back(s);
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(heads[1].value, f.LineHeight(font));

    // Wide characters move to the next line whole; each line holds what fits in 40 px.
    const std::string text = "あいうえおかきくけこ";
    const QFontMetrics fm(font.ToQFont());
    int lines = 0;
    for (const Step& s : Steps(f.out.Layout(text, 1).get())) {
        if (s.kind != skText)
            continue;
        ++lines;
        EXPECT_EQ(s.length % 3, 0); // whole UTF-8 characters
        EXPECT_LT(fm.horizontalAdvance(QString::fromStdString(text.substr(std::size_t(s.start - 1), std::size_t(s.length)))),
                  40);
    }
    EXPECT_GE(lines, 3);
    // A character wider than the area still gets a line of its own.
    Fixture narrow(3, 200);
    int texts = 0;
    for (const Step& s : Steps(narrow.out.Layout("WWW", 1).get()))
        texts += s.kind == skText && s.length == 1;
    EXPECT_EQ(texts, 3);
}

TEST(MarkupLayout, AnUnclosedTagIsTextAndAClickStopAtABreakComesBeforeTheLinesLastRun)
{
    Fixture f;
    // A "<" with no ">" after it is an ordinary character.
    std::vector<Step> steps = Steps(f.out.Layout("a<bあ", 1).get());
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[2].kind, skText);
    EXPECT_EQ(steps[2].length, 6);
    // With KeyAtBreak in a run mode, the stop comes ahead of the line's last run,
    // its mark at that run's left end; in mode 4 after the last character.
    f.out.KeyAtBreak = true;
    steps = Steps(f.out.Layout("<B>ab#c", 1).get());
    const std::vector<int> kinds = {skLineHead, skNone, skText, skBold, skKeyWait, skText, skLineHead, skNextLine,
                                    skText, skNone};
    EXPECT_EQ(Kinds(f.out.Layout("<B>ab#c", 1).get()), kinds);
    EXPECT_EQ(steps[4].x, 0);
    steps = Steps(f.out.Layout("ab#c", 4).get());
    fw::TCanvasFont font = f.image.CanvasFont();
    EXPECT_EQ(steps[6].kind, skKeyWait);
    EXPECT_EQ(steps[6].x, QFontMetrics(font.ToQFont()).horizontalAdvance(QStringLiteral("ab")));
}

TEST(MarkupLayout, AnUnknownColourNameFailsBeforeAnythingIsDrawn)
{
    Fixture f;
    const QImage before = f.image.Bitmap().copy();
    try {
        f.out.Render("ab<clSkyBlue>c", 4);
        FAIL() << "no error";
    } catch (const fw::Exception& e) {
        EXPECT_EQ(std::string(e.what()), "'clSkyBlue' は整数ではありません");
    }
    EXPECT_TRUE(SamePicture(f.image.Bitmap(), before));
    EXPECT_TRUE(f.out.Busy); // and it is not used again
    EXPECT_FALSE(f.out.Render("x", 0));
}

TEST(MarkupLayout, ModeZeroCutsAfterTheLastWholeLine)
{
    Fixture f(200, 30);
    const int h = f.LineHeight(f.image.CanvasFont());
    ASSERT_LT(2 * h, 30);
    ASSERT_GT(3 * h, 30);
    int texts = 0;
    for (const Step& s : Steps(f.out.Layout("one#two#three#four", 0).get()))
        texts += s.kind == skText;
    EXPECT_EQ(texts, 2);
}

// ---- drawing, on pixels ------------------------------------------------------------

TEST(MarkupDrawing, StylesReplaceEachOtherAndTextSitsAtTheTopLeft)
{
    for (const auto& [markup, bold, italic] :
         {std::tuple{"<B><I>Hi", false, true}, std::tuple{"<B>Hi", true, false}, std::tuple{"<B><N>Hi", false, false}}) {
        Fixture f;
        f.out.Animate = false;
        ASSERT_TRUE(f.out.Render(markup, 4));
        fw::TCanvasFont font = f.image.CanvasFont();
        font.Bold = bold, font.Italic = italic;
        // The line is as high as the text measured in the style in effect.
        EXPECT_TRUE(SamePicture(f.image.Bitmap(), Reference(QSize(200, 60), Typed("Hi", font, {0, 0})))) << markup;
        EXPECT_FALSE(f.image.CanvasFont().Bold); // the canvas font comes back as it was
    }
}

TEST(MarkupDrawing, ALineIsAsHighAsItsLargestRunAndSmallerRunsSitOnItsBottom)
{
    Fixture f(300, 80);
    f.out.Animate = false;
    ASSERT_TRUE(f.out.Render("<+4>A<-4>a", 4));
    fw::TCanvasFont big = f.image.CanvasFont(), small = f.image.CanvasFont();
    big.Size += 4;
    const int bigH = f.LineHeight(big), smallH = f.LineHeight(small);
    ASSERT_GT(bigH, smallH);
    const int aWidth = QFontMetrics(big.ToQFont()).horizontalAdvance(QStringLiteral("A"));
    const QImage want = Reference(QSize(300, 80), {{"A", big, {0, 0}}, {"a", small, {aWidth, bigH - smallH}}});
    EXPECT_TRUE(SamePicture(f.image.Bitmap(), want));
}

TEST(MarkupDrawing, ColourTagsByNameInAnyCaseAfterTheirPrefixOrByNumber)
{
    for (const auto& [markup, colour] : {std::pair{"<clRED>X", clRed}, std::pair{"<clred>X", clRed},
                                        std::pair{"<0x0000FF>X", clRed}, std::pair{"<CLRed>X", clBlack}}) {
        Fixture f;
        f.out.Animate = false;
        ASSERT_TRUE(f.out.Render(markup, 1));
        fw::TCanvasFont font = f.image.CanvasFont();
        font.Color = colour;
        EXPECT_TRUE(SamePicture(f.image.Bitmap(), Reference(QSize(200, 60), {{"X", font, {0, 0}}}))) << markup;
    }
}

TEST(MarkupDrawing, TheShadowLiesOnePixelDownRightAtNinePoints)
{
    Fixture f;
    f.out.Animate = false;
    f.out.Shadow = true;
    ASSERT_TRUE(f.out.Render("X", 1));
    fw::TCanvasFont shadow = f.image.CanvasFont();
    shadow.Color = clSilver;
    EXPECT_TRUE(SamePicture(f.image.Bitmap(),
                            Reference(QSize(200, 60), {{"X", shadow, {1, 1}}, {"X", f.image.CanvasFont(), {0, 0}}})));
}

TEST(MarkupDrawing, AnEmptyTextDrawsNothing)
{
    Fixture f;
    const QImage before = f.image.Bitmap().copy();
    EXPECT_TRUE(f.out.Render("", 4));
    EXPECT_TRUE(SamePicture(f.image.Bitmap(), before));
    EXPECT_FALSE(f.out.Busy);
}

TEST(MarkupDrawing, ModeFiveScrollsEarlierLinesUpByExactlyWhatTheNewLineNeeds)
{
    Fixture f(100, 30);
    f.out.Animate = false;
    const fw::TCanvasFont font = f.image.CanvasFont();
    const int h = f.LineHeight(font);
    ASSERT_TRUE(f.out.Render("L1#L2#L3", 5));
    // Two whole lines fit: the third moved the others up by just what it needed, so
    // the last line sits on the bottom and the first is partly scrolled out.
    ASSERT_GT(3 * h, 30);
    const QImage want = Reference(QSize(100, 30), Typed("L1", font, {0, 30 - 3 * h}) + Typed("L2", font, {0, 30 - 2 * h}) +
                                                      Typed("L3", font, {0, 30 - h}));
    EXPECT_TRUE(SamePicture(f.image.Bitmap(), want));
}

// ---- waits and stops ---------------------------------------------------------------

TEST(MarkupTiming, APauseOfTenLastsOneSecondAndAPauseWithoutDigitsNone)
{
    Fixture f;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(f.out.Render("<W10>", 1));
    EXPECT_GE(clock.elapsed(), 990);
    EXPECT_LT(clock.elapsed(), 1500);
    clock.restart();
    ASSERT_TRUE(f.out.Render("<W>", 1));
    EXPECT_LT(clock.elapsed(), 100);
}

TEST(MarkupTiming, AtAFullPageTheMarkBlinksUntilAClickThenThePageIsClearedAndGoesOn)
{
    Fixture f(120, 20); // one line fits
    f.out.FastDelay = 1;
    f.out.DefaultDelay = 1;
    f.image.Bitmap().fill(QColor(255, 255, 200)); // the picture before the drawing
    const QImage before = f.image.Bitmap().copy();
    const int h = f.LineHeight(f.image.CanvasFont());
    const int markWidth = QFontMetrics(f.image.CanvasFont().ToQFont()).horizontalAdvance(QStringLiteral("〆"));
    const int xEnd = QFontMetrics(f.image.CanvasFont().ToQFont()).horizontalAdvance(QStringLiteral("ab"));
    std::vector<std::pair<qint64, bool>> samples; // when, and whether the mark was shown
    QElapsedTimer clock;
    QTimer sampler;
    sampler.setInterval(20);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!f.out.KeyWaiting)
            return;
        const QImage now = f.image.Bitmap();
        const QRect spot(xEnd, 0, markWidth, h);
        bool shown = false;
        for (int y = spot.top(); y <= spot.bottom(); ++y)
            for (int x = spot.left(); x <= spot.right(); ++x)
                shown = shown || now.pixel(x, y) != before.pixel(x, y);
        samples.push_back({clock.elapsed(), shown});
        if (clock.elapsed() > 1000)
            f.out.NotifyMouseDown(); // the reader clicks
    });
    QImage atClick;
    clock.start();
    sampler.start();
    ASSERT_TRUE(f.out.Render("ab#c", 4));
    sampler.stop();
    // Shown and hidden in turns of 200 ms: about five changes a second.
    int changes = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        changes += samples[i].second != samples[i - 1].second;
    EXPECT_GE(changes, 3);
    EXPECT_LE(changes, 7);
    ASSERT_FALSE(samples.empty());
    EXPECT_TRUE(samples.front().second);
    // After the click the page was cleared to its state before, and "c" typed at the top.
    fw::TCanvasFont font = f.image.CanvasFont();
    QImage want = before.copy();
    QPainter p(&want);
    p.setFont(font.ToQFont());
    p.setPen(Qt::black);
    p.drawText(0, QFontMetrics(font.ToQFont()).ascent(), QStringLiteral("c"));
    p.end();
    EXPECT_TRUE(SamePicture(f.image.Bitmap(), want));
}

TEST(MarkupTiming, AHeldButtonSkipsTheWaitsButAStopStillHalts)
{
    Fixture f(400, 60);
    f.out.DefaultDelay = 100; // 30 characters would take 3 s
    bool stoppedAtKey = false;
    QTimer::singleShot(150, [&] { f.out.NotifyMouseDown(); }); // held from here on
    QTimer keyCheck;
    keyCheck.setInterval(20);
    QObject::connect(&keyCheck, &QTimer::timeout, [&] {
        if (f.out.KeyWaiting) {
            stoppedAtKey = true;
            f.out.NotifyMouseDown(); // the press that ends the stop
        }
    });
    keyCheck.start();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(f.out.Render("abcdefghijklmno<KEY>pqrstuvwxyzABCD", 4));
    EXPECT_TRUE(stoppedAtKey);
    // The press that ended the stop does not skip the waits after it.
    EXPECT_GT(clock.elapsed(), 1500);
}

TEST(MarkupTiming, WithoutAnimationEverythingShowsAtOnceAndStopsArePassedOver)
{
    Fixture f(120, 20);
    f.out.Animate = false;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(f.out.Render("<W50>ab#cd<KEY>ef", 4));
    EXPECT_LT(clock.elapsed(), 300);
}

TEST(MarkupTiming, ABusyRendererRefusesASecondRenderAndEndingTheProgramStopsAtOnce)
{
    Fixture f;
    f.out.DefaultDelay = 200;
    bool second = true;
    QTimer::singleShot(50, [&] {
        second = f.out.Render("again", 4);
        fw::Application()->Terminate();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(f.out.Render("a long text that would take many seconds to type out", 4));
    EXPECT_FALSE(second);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(f.out.Busy);
    fw::Application()->ClearTerminated();
}
