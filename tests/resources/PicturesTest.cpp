// The kept picture files are what their recipes make, at the sizes and depths the
// windows expect, with pure green left only where the windows cut it out.
#include "resources/pictures/art/Pictures.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace {

const QString kFolder = QStringLiteral(POMI_SOURCE_DIR "/resources/pictures/");
const QRgb kGreen = qRgb(0, 255, 0);

QImage Kept(const QString& file)
{
    QImage image;
    image.load(kFolder + file);
    return image;
}

// The share of pixels that are the see-through green.
double GreenShare(const QImage& image, QRect area)
{
    int green = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            green += image.pixel(x, y) == kGreen;
    return double(green) / (area.width() * area.height());
}

TEST(Pictures, EveryKeptFileIsWhatItsRecipeMakes)
{
    for (const art::KeptPicture& kept : art::KeptPictures()) {
        SCOPED_TRACE(kept.file.toStdString());
        const QImage file = Kept(kept.file).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(file.isNull());
        const QImage made = kept.make().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(file.size(), made.size());
        EXPECT_EQ(Kept(kept.file).format() == QImage::Format_Indexed8, kept.make().format() == QImage::Format_Indexed8);
        // Rendering may differ by a rounding step between builds of the drawing
        // library; a changed recipe differs by much more.
        double total = 0;
        for (int y = 0; y < file.height(); ++y)
            for (int x = 0; x < file.width(); ++x) {
                const QRgb a = file.pixel(x, y), b = made.pixel(x, y);
                total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) +
                         std::abs(qAlpha(a) - qAlpha(b));
            }
        EXPECT_LT(total / (4.0 * file.width() * file.height()), 0.5) << "regenerate with make_pictures";
    }
    QFile region(kFolder + QStringLiteral("balloon.rgn"));
    ASSERT_TRUE(region.open(QIODevice::ReadOnly));
    EXPECT_EQ(region.readAll(), art::BalloonRegion());
}

TEST(Pictures, SizesAndDepthsAreWhatTheWindowsShow)
{
    const struct {
        const char* file;
        QSize size;
        bool eightBit;
    } expected[] = {
        {"character0.png", {88, 120}, false}, {"character1.png", {88, 120}, false}, {"face.png", {40, 55}, false},
        {"title.png", {230, 194}, false},     {"logo.png", {200, 54}, true},        {"balloon.png", {282, 80}, true},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.file);
        const QImage image = Kept(QString::fromLatin1(e.file));
        EXPECT_EQ(image.size(), e.size);
        EXPECT_EQ(image.format() == QImage::Format_Indexed8, e.eightBit);
    }
}

TEST(Pictures, SeeThroughPicturesAreKeyedOnTheirBottomLeftGreen)
{
    // The windows make the colour of the bottom-left pixel see-through: it must be the
    // green, and the figure must not be cut into by it.
    for (const char* file : {"face.png", "title.png", "balloon.png"}) {
        SCOPED_TRACE(file);
        const QImage image = Kept(QString::fromLatin1(file)).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(image.pixel(0, image.height() - 1), kGreen);
        const double share = GreenShare(image, image.rect());
        EXPECT_GT(share, 0.02);
        EXPECT_LT(share, 0.8);
        // Nothing drawn may be a blend with the green: such an edge would show as a
        // green fringe once the green is cut out.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (c != kGreen) {
                    ASSERT_FALSE(qGreen(c) > 200 && qRed(c) < 90 && qBlue(c) < 90) << x << "," << y;
                }
            }
    }
}

TEST(Pictures, TheTwoCharacterPicturesDifferWhereTheWindowShowsThem)
{
    // The main window shows the top-left 50 × 108 of each; the alternation must show.
    const QImage a = Kept(QStringLiteral("character0.png")), b = Kept(QStringLiteral("character1.png"));
    int differing = 0;
    for (int y = 0; y < 108; ++y)
        for (int x = 0; x < 50; ++x)
            differing += a.pixel(x, y) != b.pixel(x, y);
    EXPECT_GT(differing, 40);
    // Her whole figure is inside what the window shows: the margin it cuts away holds
    // only the backdrop, the same in both.
    for (int y = 0; y < 120; ++y)
        for (int x = 50; x < 88; ++x)
            ASSERT_EQ(a.pixel(x, y), a.pixel(87, y)) << x << "," << y;
}

TEST(Pictures, TheIconIsSquareWithSeeThroughCorners)
{
    for (int size : {48, 128, 256}) {
        const QImage icon = art::Icon(size);
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
}

} // namespace
