#include "widgets/Region.h"

#include "framework/Exception.h"
#include "framework/GraphicControl.h"
#include "framework/PictureControl.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A row may hold at most this many runs of the figure.
constexpr int kMaxRunsPerRow = 100;

// The outline of `bitmap`; when it cannot be made, the bitmap is emptied too and the
// error goes on to the caller.
fw::RegionData OutlineOrNothing(QImage& bitmap)
{
    try {
        return BitmapToRgnData(bitmap);
    } catch (...) {
        bitmap = QImage();
        throw;
    }
}

// The stored outline for a control of `size` showing `bitmap`: scaled to the size
// (unless the control keeps the bitmap's size) and moved by `offset`.
QRegion ScaledOutline(const QWidget& control, const fw::RegionData& data, const QImage& bitmap, bool autoSize,
                      QPoint offset, const char* bitmapName, const char* failure)
{
    if (data.empty())
        throw fw::Exception(control.objectName().toStdString() + " のﾘｰｼﾞｮﾝ情報がありません");
    if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0)
        throw fw::Exception(control.objectName().toStdString() + ":" + bitmapName + " のﾋﾞｯﾄﾏｯﾌﾟが正しくありません");
    const double sx = autoSize ? 1.0 : double(float(control.width()) / float(bitmap.width()));
    const double sy = autoSize ? 1.0 : double(float(control.height()) / float(bitmap.height()));
    const std::optional<QRegion> region = fw::DataToRegion(data, sx, sy, offset.x(), offset.y());
    if (!region)
        throw fw::Exception(failure);
    return *region;
}

} // namespace

fw::RegionData BitmapToRgnData(const QImage& bitmap)
{
    if (bitmap.isNull())
        throw fw::Exception("ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません");
    if (bitmap.width() == 0 || bitmap.height() == 0)
        throw fw::Exception("幅または高さが 0 です");
    // Palette pictures are compared by index, all others by colour.
    const bool indexed = bitmap.format() == QImage::Format_Indexed8 || bitmap.format() == QImage::Format_Mono ||
                         bitmap.format() == QImage::Format_MonoLSB;
    const QImage scan = indexed ? bitmap.convertToFormat(QImage::Format_Indexed8, bitmap.colorTable())
                                : bitmap.convertToFormat(QImage::Format_RGB32);
    const int w = scan.width(), h = scan.height();
    const auto value = [&](int x, int y) -> std::uint32_t {
        return indexed ? scan.constScanLine(y)[x] : (reinterpret_cast<const QRgb*>(scan.constScanLine(y))[x] & 0xFFFFFF);
    };
    const std::uint32_t background = value(0, h - 1);
    QRegion region;
    for (int y = 0; y < h; ++y) {
        int runs = 0;
        for (int x = 0; x < w;) {
            if (runs > kMaxRunsPerRow)
                throw fw::Exception("ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です");
            while (x < w && value(x, y) == background)
                ++x;
            if (x == w)
                break;
            const int start = x;
            while (x < w && value(x, y) != background)
                ++x;
            region += QRect(start, y, x - start, 1);
            ++runs;
            ++x;
        }
    }
    return fw::RegionToData(region);
}

// ---- TRgn ----------------------------------------------------------------------------

TRgn::TRgn(QWidget* parent) : QWidget(parent)
{
    fw::MarkGraphicControl(this);
    resize(105, 105);
}

void TRgn::setRgnBitmap(const QImage& bitmap)
{
    m_bitmap = bitmap;
    m_region.reset();
    m_data.clear();
    update();
    m_data = OutlineOrNothing(m_bitmap);
    if (m_autoSize)
        resize(m_bitmap.size());
    update();
}

void TRgn::setRgnBitmapFile(const QString& file)
{
    m_bitmapFile = file;
    // The layout's picture; its outline comes from the stored block, not from here.
    m_bitmap = QImage(file);
    if (m_autoSize && !m_bitmap.isNull())
        resize(m_bitmap.size());
    update();
}

void TRgn::setRgnDataFile(const QString& file)
{
    m_dataFile = file;
    QFile in(file);
    m_data.clear();
    if (in.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = in.readAll();
        m_data.assign(bytes.begin(), bytes.end());
    }
}

void TRgn::setAutoSize(bool on)
{
    if (on == m_autoSize)
        return;
    m_autoSize = on;
    if (on && !m_bitmap.isNull())
        resize(m_bitmap.size());
    update();
}

void TRgn::setTransparent(bool on)
{
    m_transparent = on;
    update();
}

void TRgn::setShowImage(bool on)
{
    m_showImage = on;
    update();
}

void TRgn::resizeEvent(QResizeEvent*)
{
    // With AutoSize the control keeps the bitmap's size, whatever is asked.
    if (m_autoSize && !m_bitmap.isNull() && size() != m_bitmap.size())
        resize(m_bitmap.size());
}

void TRgn::Loaded() { UpdateRgn(); }

void TRgn::UpdateRgn()
{
    m_region.reset();
    m_region = ScaledOutline(*this, m_data, m_bitmap, m_autoSize, pos(), "RgnBitmap", "ｳｨﾝﾄﾞｳﾘｰｼﾞｮﾝが作成できません");
}

void TRgn::SetWndRgn()
{
    QWidget* window = parentWidget();
    if (!window)
        throw fw::Exception("Parentが設定されていません");
    if (!m_region)
        UpdateRgn();
    if (window->isWindow())
        window->setWindowFlag(Qt::FramelessWindowHint, true);
    m_showImage = true;
    m_transparent = false; // the window itself has the shape now
    SetShape(window, *m_region);
    m_region.reset();
    update();
}

void TRgn::paintEvent(QPaintEvent*)
{
    if (!m_showImage || m_bitmap.isNull())
        return;
    QPainter p(this);
    p.drawImage(rect(), m_transparent ? fw::SeeThroughBottomLeft(m_bitmap) : m_bitmap);
}

void TRgn::mouseReleaseEvent(QMouseEvent* event)
{
    if (rect().contains(event->position().toPoint()))
        emit OnClick();
}

void SetShape(QWidget* window, const QRegion& shape)
{
    // Qt reads an empty mask as "no mask", which shows the whole window; an empty
    // shape shows nothing, so it becomes one spot outside the window.
    window->setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
}

// ---- TRgnList ------------------------------------------------------------------------

TRgnList::TRgnList(QWidget* owner) : QObject(owner), m_owner(owner) {}

void TRgnList::Add(TRgn* item)
{
    if (item && std::find(m_items.begin(), m_items.end(), item) == m_items.end())
        m_items.push_back(item);
}

void TRgnList::Delete(TRgn* item) { m_items.erase(std::remove(m_items.begin(), m_items.end(), item), m_items.end()); }

void TRgnList::SetWndRgn()
{
    QRegion shape;
    std::vector<QWidget*> others;
    for (QWidget* control : m_owner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (auto* rgn = qobject_cast<TRgn*>(control)) {
            const bool listed = std::find(m_items.begin(), m_items.end(), rgn) != m_items.end();
            if (listed) {
                if (!rgn->Region())
                    rgn->UpdateRgn();
                shape += *rgn->Region();
                rgn->raise();
            }
            rgn->setShowImage(listed);
        } else if (fw::IsGraphicControl(control)) {
            others.push_back(control);
        }
    }
    if (m_owner->isWindow())
        m_owner->setWindowFlag(Qt::FramelessWindowHint, true);
    for (QWidget* other : others)
        other->raise();
    emit OnShowWnd(this);
    SetShape(m_owner, shape);
    m_owner->update();
    if (AutoClear)
        m_items.clear();
}

// ---- TRgnBtn -------------------------------------------------------------------------

TRgnBtn::TRgnBtn(QWidget* parent) : QWidget(parent)
{
    fw::MarkGraphicControl(this);
    resize(25, 25);
}

void TRgnBtn::setGlyph(int index, const QImage& bitmap)
{
    QImage& glyph = m_glyphs[std::size_t(std::clamp(index, 1, 3) - 1)];
    glyph = bitmap;
    if (index == 1) {
        m_region.reset();
        m_data.clear();
        update();
        m_data = OutlineOrNothing(glyph);
        if (m_autoSize)
            resize(bitmap.size());
        UpdateRgn();
    }
    update();
}

void TRgnBtn::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && !m_glyphs[0].isNull())
        resize(m_glyphs[0].size());
    update();
}

void TRgnBtn::Loaded() { UpdateRgn(); }

void TRgnBtn::UpdateRgn()
{
    // In the button's own coordinates: the region is for telling presses inside.
    m_region = ScaledOutline(*this, m_data, m_glyphs[0], m_autoSize, QPoint(0, 0), "Glyph1", "ﾘｰｼﾞｮﾝが作成できません");
}

void TRgnBtn::resizeEvent(QResizeEvent*)
{
    if (!m_data.empty() && !m_glyphs[0].isNull())
        UpdateRgn();
}

void TRgnBtn::mousePressEvent(QMouseEvent* event)
{
    if (m_region && m_region->contains(event->position().toPoint())) {
        m_pressed = true;
        update();
    }
}

void TRgnBtn::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit OnClick();
}

void TRgnBtn::paintEvent(QPaintEvent*)
{
    const QImage& glyph = !isEnabled() && !m_glyphs[2].isNull() ? m_glyphs[2]
                          : isEnabled() && m_pressed            ? m_glyphs[1]
                                                                : m_glyphs[0];
    if (glyph.isNull())
        return;
    QPainter p(this);
    p.drawImage(rect(), fw::SeeThroughBottomLeft(glyph));
}
