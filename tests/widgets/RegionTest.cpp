// Shaped region controls: the region data block, the outline builder, scaling and
// placing, giving a window its shape, and the button that takes presses only
// inside its outline. The expected rectangles are the balloon's 25, written out here.
#include "framework/Exception.h"
#include "framework/RegionData.h"
#include "widgets/Region.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The balloon's outline: left, top, right, bottom (exclusive).
const std::vector<QRect> kBalloon = [] {
    const int r[25][4] = {
        {7, 0, 9, 1},     {8, 1, 12, 2},    {9, 2, 15, 3},    {10, 3, 18, 4},   {11, 4, 21, 5},
        {12, 5, 24, 6},   {13, 6, 27, 7},   {14, 7, 30, 8},   {15, 8, 33, 9},   {16, 9, 36, 10},
        {6, 10, 274, 11}, {4, 11, 276, 12}, {3, 12, 277, 13}, {2, 13, 278, 14}, {1, 14, 279, 15},
        {1, 15, 280, 16}, {0, 16, 281, 18}, {0, 18, 282, 72}, {1, 72, 282, 74}, {2, 74, 281, 75},
        {3, 75, 281, 76}, {4, 76, 280, 77}, {5, 77, 279, 78}, {6, 78, 278, 79}, {8, 79, 276, 80},
    };
    std::vector<QRect> rects;
    for (const auto& q : r)
        rects.push_back(QRect(q[0], q[1], q[2] - q[0], q[3] - q[1]));
    return rects;
}();

fw::RegionData Resource(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = f.readAll();
    return fw::RegionData(bytes.begin(), bytes.end());
}

std::uint32_t Le32(const fw::RegionData& d, std::size_t at)
{
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
           std::uint32_t(d[at + 3]) << 24;
}

QImage Figure(int w, int h, const std::vector<QRect>& filled)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::green);
    for (const QRect& r : filled)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                img.setPixel(x, y, qRgb(90, 60, 120));
    return img;
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const fw::Exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(RegionData, TheStoredBalloonBlockIsTheBalloonsTwentyFiveRectanglesInItsLayout)
{
    const fw::RegionData block = Resource(QStringLiteral(":/pictures/balloon.rgn"));
    ASSERT_EQ(block.size(), 432u);
    EXPECT_EQ(Le32(block, 0), 32u);  // header size
    EXPECT_EQ(Le32(block, 4), 1u);   // rectangles
    EXPECT_EQ(Le32(block, 8), 25u);  // count
    EXPECT_EQ(Le32(block, 12), 400u); // byte size of the rectangles
    EXPECT_EQ(Le32(block, 16), 0u);
    EXPECT_EQ(Le32(block, 20), 0u);
    EXPECT_EQ(Le32(block, 24), 282u);
    EXPECT_EQ(Le32(block, 28), 80u);
    EXPECT_EQ(fw::DataRectangles(block), kBalloon);
    QRegion want;
    for (const QRect& r : kBalloon)
        want += r;
    EXPECT_EQ(fw::DataToRegion(block), want);
    // And the balloon picture's outline, worked out from its pixels, is that block.
    EXPECT_EQ(BitmapToRgnData(QImage(QStringLiteral(":/pictures/balloon.png"))), block);
}

TEST(RegionData, MalformedBlocksGiveNoRegion)
{
    fw::RegionData block = fw::RectanglesToData(kBalloon);
    EXPECT_TRUE(fw::DataToRegion(block));
    fw::RegionData shortBlock(block.begin(), block.end() - 1);
    EXPECT_FALSE(fw::DataToRegion(shortBlock));
    block[4] = 2; // not rectangles
    EXPECT_FALSE(fw::DataToRegion(block));
    EXPECT_FALSE(fw::DataToRegion(fw::RegionData(10, 0)));
}

TEST(RegionBuilder, RunsHolesAndAnEmptyFigure)
{
    // A ring: the background colour inside the figure is a hole.
    const QImage ring = Figure(10, 5, {QRect(1, 1, 8, 3)});
    QImage holed = ring;
    holed.setPixel(4, 2, qRgb(0, 255, 0));
    const QRegion region = *fw::DataToRegion(BitmapToRgnData(holed));
    EXPECT_TRUE(region.contains(QPoint(3, 2)));
    EXPECT_FALSE(region.contains(QPoint(4, 2)));
    EXPECT_TRUE(region.contains(QPoint(5, 2)));
    // Nothing but background: a block without rectangles.
    QImage empty(8, 8, QImage::Format_RGB32);
    empty.fill(Qt::green);
    const fw::RegionData none = BitmapToRgnData(empty);
    EXPECT_EQ(none.size(), 32u);
    EXPECT_EQ(Le32(none, 8), 0u);
    EXPECT_TRUE(fw::DataToRegion(none)->isEmpty());
    EXPECT_EQ(ErrorOf([] { BitmapToRgnData(QImage()); }), "ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません");
}

TEST(RegionBuilder, ARowOfAHundredRunsIsAcceptedAndOneMoreFails)
{
    std::vector<QRect> runs;
    for (int i = 0; i < 100; ++i)
        runs.push_back(QRect(2 * i, 0, 1, 1));
    EXPECT_NO_THROW(BitmapToRgnData(Figure(202, 2, runs)));
    runs.push_back(QRect(200, 0, 1, 1)); // the 101st run, and more pixels after it
    EXPECT_EQ(ErrorOf([&] { BitmapToRgnData(Figure(204, 2, runs)); }), "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です");
}

TEST(RegionControls, AControlTwiceTheBitmapsSizeScalesTheOutlineAndMovesItToItsPlace)
{
    QWidget window;
    window.resize(300, 200);
    auto* rgn = new TRgn(&window);
    rgn->setObjectName(QStringLiteral("Rgn1"));
    rgn->setRgnBitmap(Figure(10, 5, {QRect(2, 1, 3, 2)}));
    rgn->setGeometry(30, 40, 20, 10);
    rgn->UpdateRgn();
    ASSERT_TRUE(rgn->Region());
    EXPECT_EQ(*rgn->Region(), QRegion(QRect(30 + 4, 40 + 2, 6, 4)));
    // With AutoSize the control keeps the bitmap's size, and the outline its scale.
    rgn->setAutoSize(true);
    EXPECT_EQ(rgn->size(), QSize(10, 5));
    rgn->UpdateRgn();
    EXPECT_EQ(*rgn->Region(), QRegion(QRect(30 + 2, 40 + 1, 3, 2)));
    // The window takes the shape; the control gives its region away.
    rgn->SetWndRgn();
    EXPECT_EQ(window.mask(), QRegion(QRect(32, 41, 3, 2)));
    EXPECT_FALSE(rgn->Region());
}

// A bitmap of background only has no outline: the window shows none of itself,
// alone or through a list (Qt's empty mask would show all of it).
TEST(RegionControls, AnOutlineOfBackgroundOnlyLeavesNoPixelOfTheWindowVisible)
{
    for (bool throughList : {false, true}) {
        QWidget window;
        window.resize(40, 30);
        auto* rgn = new TRgn(&window);
        rgn->setRgnBitmap(Figure(10, 5, {}));
        rgn->setGeometry(0, 0, 40, 30);
        TRgnList list(&window);
        list.Add(rgn);
        throughList ? list.SetWndRgn() : rgn->SetWndRgn();
        EXPECT_FALSE(window.mask().isEmpty()) << throughList; // a mask is set ...
        EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty()) << throughList; // ... and covers nothing
    }
}

TEST(RegionControls, MissingPiecesFailWithTheirMessages)
{
    TRgn orphan;
    orphan.setObjectName(QStringLiteral("Rgn9"));
    EXPECT_EQ(ErrorOf([&] { orphan.UpdateRgn(); }), "Rgn9 のﾘｰｼﾞｮﾝ情報がありません");
    orphan.setRgnData(fw::RectanglesToData({QRect(0, 0, 2, 2)}));
    EXPECT_EQ(ErrorOf([&] { orphan.UpdateRgn(); }), "Rgn9:RgnBitmap のﾋﾞｯﾄﾏｯﾌﾟが正しくありません");
    orphan.setRgnBitmap(Figure(4, 4, {QRect(0, 0, 2, 2)}));
    EXPECT_EQ(ErrorOf([&] { orphan.SetWndRgn(); }), "Parentが設定されていません");
    // A bitmap whose outline cannot be made leaves neither bitmap nor data.
    std::vector<QRect> runs;
    for (int i = 0; i < 102; ++i)
        runs.push_back(QRect(2 * i, 0, 1, 1));
    EXPECT_THROW(orphan.setRgnBitmap(Figure(210, 1, runs)), fw::Exception);
    EXPECT_TRUE(orphan.RgnBitmap().isNull());
    EXPECT_TRUE(orphan.RgnData().empty());
}

TEST(RegionControls, AListJoinsItsShapesAndTheOthersStopPainting)
{
    QWidget window;
    window.resize(100, 100);
    auto* a = new TRgn(&window);
    auto* b = new TRgn(&window);
    auto* c = new TRgn(&window);
    for (TRgn* r : {a, b, c})
        r->setRgnBitmap(Figure(10, 10, {QRect(0, 0, 5, 5)}));
    a->setGeometry(0, 0, 10, 10);
    b->setGeometry(50, 50, 10, 10);
    c->setGeometry(20, 20, 10, 10);
    TRgnList list(&window);
    list.Add(a);
    list.Add(b);
    int shown = 0;
    QObject::connect(&list, &TRgnList::OnShowWnd, [&](TRgnList*) { ++shown; });
    list.SetWndRgn();
    EXPECT_EQ(window.mask(), QRegion(QRect(0, 0, 5, 5)) + QRegion(QRect(50, 50, 5, 5)));
    EXPECT_FALSE(c->ShowImage());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(list.Count(), 0); // AutoClear
}

TEST(RegionControls, AButtonTakesPressesOnlyInsideItsFirstGlyphsOutline)
{
    TRgnBtn button;
    button.resize(20, 20);
    button.setGlyph(1, Figure(10, 10, {QRect(0, 0, 5, 9)})); // the left half (the bottom row is background)
    button.setGlyph(2, Figure(10, 10, {QRect(0, 0, 10, 9)}));
    int clicks = 0;
    QObject::connect(&button, &TRgnBtn::OnClick, [&] { ++clicks; });
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(15, 10)); // right half: outside
    EXPECT_FALSE(button.Pressed());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(15, 10));
    EXPECT_EQ(clicks, 0);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(4, 10));
    EXPECT_TRUE(button.Pressed());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(4, 10));
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(clicks, 1);
}
