#include "resources/pictures/art/Pictures.h"

#include "framework/RegionData.h"
#include "media/image/Processing.h"
#include "resources/pictures/art/Grandmother.h"
#include "resources/pictures/art/Lettering.h"
#include "resources/pictures/art/Props.h"
#include "resources/pictures/art/Style.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <QRegion>

namespace art {

namespace {

QImage Canvas(int width, int height)
{
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

// Whatever is less than half covered becomes the see-through green, the rest opaque:
// the windows cut the green out exactly, so no edge pixel may be a green blend.
QImage OnSeeThrough(const QImage& canvas)
{
    QImage out(canvas.size(), QImage::Format_RGB888);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor c = QColor::fromRgba(canvas.pixel(x, y)); // unpremultiplied
            out.setPixelColor(x, y, c.alpha() < 128 ? kSeeThrough : QColor(c.red(), c.green(), c.blue()));
        }
    return out;
}

// Her raised hand with the scissors (open in one pose, closed in the other).
Pose Waving(int pose)
{
    Pose p;
    p.leftHand = {8.5, 79};
    p.rightHand = {41.5, pose == 0 ? 41 : 42.5};
    p.mouthOpen = pose == 1;
    return p;
}

// The face and shoulders as the message window shows them: she is talking.
void DrawTalkingHead(QPainter& p, double scale, QPointF headCentre)
{
    p.save();
    p.translate(headCentre);
    p.scale(scale, scale);
    p.translate(-25, -30);
    Pose pose;
    pose.leftHand = {10, 140};
    pose.rightHand = {40, 140};
    pose.mouthOpen = true;
    DrawGrandmother(p, pose);
    p.restore();
}

} // namespace

QImage Character(int pose)
{
    QImage canvas(88, 120, QImage::Format_RGB888);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    // A quiet evening backdrop, lighter towards the floor, so she stands out in the
    // main window's dark frame.
    QLinearGradient backdrop(0, 0, 0, 108);
    backdrop.setColorAt(0, QColor(60, 64, 132));
    backdrop.setColorAt(0.75, QColor(176, 170, 214));
    backdrop.setColorAt(1, QColor(220, 208, 226));
    p.fillRect(canvas.rect(), backdrop);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QPointF(25, 105), 20, 2.6);
    const Pose body = Waving(pose);
    DrawGrandmother(p, body, [&](QPainter& q) {
        DrawScissors(q, body.rightHand + QPointF(-1.5, -7.5), -100, 17, pose == 0 ? 36 : 4, 10);
    });
    p.end();
    return canvas;
}

QImage Face()
{
    QImage canvas = Canvas(40, 55);
    QPainter p(&canvas);
    DrawTalkingHead(p, 1.05, {20, 29.5});
    p.end();
    return OnSeeThrough(canvas);
}

QImage Title()
{
    QImage canvas = Canvas(230, 194);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    // Everything sits a little right of the middle, clear of the labels at the bottom.
    p.translate(16, 0);
    // A pale spot light behind her, so she reads on the window's dark gradient.
    const QPointF centre(84, 88);
    QRadialGradient light(centre, 80);
    light.setColorAt(0, QColor(255, 250, 236));
    light.setColorAt(0.8, QColor(236, 228, 250));
    light.setColorAt(1, QColor(210, 204, 240));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawEllipse(centre, 80, 80);

    // The film hangs from above into the open blades; the frame below the cut falls away.
    const QSizeF frame(26, 24);
    DrawFilmStrip(p, {127, -4}, 5, frame, true);
    p.save();
    p.translate(150, 134);
    p.rotate(-20);
    DrawFilmStrip(p, {-13, -12}, 1, frame, true);
    p.restore();
    QPainterPath snip;
    for (const auto& [from, to] : {std::pair{QPointF(160, 104), QPointF(168, 100)}, std::pair{QPointF(160, 110), QPointF(169, 112)}}) {
        snip.moveTo(from);
        snip.lineTo(to);
    }
    InkLine(p, snip, 1.6, kOrange);

    p.translate(4, 6);
    p.scale(1.45, 1.45);
    Pose pose;
    pose.leftHand = {44, 60.5};
    pose.rightHand = {45, 71.5};
    DrawGrandmother(p, pose, [](QPainter& q) { DrawScissors(q, {56, 66}, -2, 54, 24, 16); });
    p.end();
    return OnSeeThrough(canvas);
}

QImage Logo()
{
    QImage canvas(200, 54, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    // The mark: a film frame with the scissors across it, on a lilac tile.
    QPainterPath tile;
    tile.addRoundedRect(QRectF(3, 3, 42, 42), 9, 9);
    QLinearGradient lilac(0, 3, 0, 45);
    lilac.setColorAt(0, QColor(196, 160, 228));
    lilac.setColorAt(1, kCardiganShade);
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(lilac);
    p.drawPath(tile);
    DrawFilmStrip(p, {9, 12}, 1, {30, 24});
    DrawScissors(p, {19, 35}, -40, 24, 30, 9);

    double width = 0;
    const QPainterPath letters = LetterStrokes(QStringLiteral("Qelto Works"), &width);
    p.save();
    p.translate(54, 10);
    p.scale(1.22, 1.22);
    OutlinedStroke(p, letters, 2.4, kNavy, 0.35);
    p.restore();
    QPainterPath swoosh;
    swoosh.moveTo(55, 38);
    swoosh.quadTo(54 + width * 0.61, 45, 54 + width * 1.22, 36);
    QLinearGradient warm(55, 0, 54 + width * 1.22, 0);
    warm.setColorAt(0, kOrange);
    warm.setColorAt(1, QColor(255, 96, 160));
    p.setPen(QPen(QBrush(warm), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(swoosh);
    p.end();

    // Eight bits a pixel: the project's own palette reduction.
    const QImage rgb = canvas.convertToFormat(QImage::Format_RGB888);
    media::Image image;
    image.Allocate(rgb.width(), rgb.height(), media::PixelFormat::Rgb24);
    for (int y = 0; y < rgb.height(); ++y)
        std::copy_n(rgb.constScanLine(y), image.RowBytes(), image.Row(y));
    if (!media::ChangeColorDepth(image, 8))
        return QImage();
    QImage logo(image.width, image.height, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (const media::Rgb& c : image.palette)
        palette.push_back(qRgb(c.r, c.g, c.b));
    logo.setColorTable(palette);
    for (int y = 0; y < image.height; ++y)
        std::copy_n(image.Row(y), image.width, logo.scanLine(y));
    return logo;
}

namespace {

// The balloon's body (right and bottom exclusive): its tail points up at the face.
constexpr int kBalloonRects[25][4] = {
    {7, 0, 9, 1},     {8, 1, 12, 2},    {9, 2, 15, 3},    {10, 3, 18, 4},   {11, 4, 21, 5},
    {12, 5, 24, 6},   {13, 6, 27, 7},   {14, 7, 30, 8},   {15, 8, 33, 9},   {16, 9, 36, 10},
    {6, 10, 274, 11}, {4, 11, 276, 12}, {3, 12, 277, 13}, {2, 13, 278, 14}, {1, 14, 279, 15},
    {1, 15, 280, 16}, {0, 16, 281, 18}, {0, 18, 282, 72}, {1, 72, 282, 74}, {2, 74, 281, 75},
    {3, 75, 281, 76}, {4, 76, 280, 77}, {5, 77, 279, 78}, {6, 78, 278, 79}, {8, 79, 276, 80},
};

std::vector<QRect> BalloonRects()
{
    std::vector<QRect> rects;
    for (const auto& r : kBalloonRects)
        rects.push_back(QRect(r[0], r[1], r[2] - r[0], r[3] - r[1]));
    return rects;
}

} // namespace

QImage Balloon()
{
    QRegion shape;
    for (const QRect& r : BalloonRects())
        shape += r;
    // The palette: see-through green outside, then outline, shadow and body shades.
    QList<QRgb> palette = {kSeeThrough.rgb(), qRgb(72, 64, 80), qRgb(168, 164, 176)};
    for (int i = 0; i < 16; ++i) // the body: a soft vertical gradient of light grey
        palette.push_back(qRgb(250 - i * 2, 248 - i * 2, 252 - i * 2));
    QImage balloon(282, 80, QImage::Format_Indexed8);
    balloon.setColorTable(palette);
    const auto inside = [&](int x, int y) { return shape.contains(QPoint(x, y)); };
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 282; ++x) {
            int index = 0;
            if (inside(x, y)) {
                const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                // The drop shadow falls inside the outline, along its lower right.
                const bool shaded = !inside(x + 2, y + 2) || !inside(x + 3, y + 1) || !inside(x + 1, y + 3);
                index = edge ? 1 : shaded ? 2 : 3 + std::min(15, y / 5);
            }
            balloon.scanLine(y)[x] = std::uint8_t(index);
        }
    return balloon;
}

QByteArray BalloonRegion()
{
    const fw::RegionData block = fw::RectanglesToData(BalloonRects());
    return QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
}

QImage Icon(int size)
{
    QImage canvas = Canvas(size, size);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QLinearGradient backdrop(0, 2, 0, 62);
    backdrop.setColorAt(0, QColor(60, 64, 132));
    backdrop.setColorAt(1, QColor(176, 170, 214));
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(backdrop);
    p.drawPath(tile);
    p.setClipPath(tile);
    DrawTalkingHead(p, 1.12, {29, 35});
    p.setClipping(false);
    DrawScissors(p, {49, 53}, -58, 14, 34, 8);
    p.end();
    return canvas;
}

std::vector<KeptPicture> KeptPictures()
{
    return {
        {QStringLiteral("character0.png"), [] { return Character(0); }},
        {QStringLiteral("character1.png"), [] { return Character(1); }},
        {QStringLiteral("face.png"), Face},
        {QStringLiteral("title.png"), Title},
        {QStringLiteral("logo.png"), Logo},
        {QStringLiteral("balloon.png"), Balloon},
        {QStringLiteral("icon-48.png"), [] { return Icon(48); }},
        {QStringLiteral("icon-128.png"), [] { return Icon(128); }},
        {QStringLiteral("icon-256.png"), [] { return Icon(256); }},
        {QStringLiteral("icon-512.png"), [] { return Icon(512); }},
    };
}

} // namespace art
