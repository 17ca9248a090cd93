#include "widgets/Region.h"

#include "framework/Exception.h"
#include "framework/GraphicControl.h"
#include "framework/Image.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A row may hold at most this many runs of the figure.
constexpr int kMaxRunsPerRow = 100;

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
    try {
        m_data = BitmapToRgnData(bitmap);
    } catch (...) {
        m_bitmap = QImage();
        update();
        throw;
    }
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
    if (m_data.empty())
        throw fw::Exception(objectName().toStdString() + " のﾘｰｼﾞｮﾝ情報がありません");
    if (m_bitmap.isNull() || m_bitmap.width() == 0 || m_bitmap.height() == 0)
        throw fw::Exception(objectName().toStdString() + ":RgnBitmap のﾋﾞｯﾄﾏｯﾌﾟが正しくありません");
    m_region.reset();
    const double sx = m_autoSize ? 1.0 : double(float(width()) / float(m_bitmap.width()));
    const double sy = m_autoSize ? 1.0 : double(float(height()) / float(m_bitmap.height()));
    m_region = fw::DataToRegion(m_data, sx, sy, x(), y());
    if (!m_region)
        throw fw::Exception("ｳｨﾝﾄﾞｳﾘｰｼﾞｮﾝが作成できません");
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
    window->setMask(*m_region);
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
    m_owner->setMask(shape);
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
        try {
            m_data = BitmapToRgnData(bitmap);
        } catch (...) {
            glyph = QImage();
            update();
            throw;
        }
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
    if (m_data.empty())
        throw fw::Exception(objectName().toStdString() + " のﾘｰｼﾞｮﾝ情報がありません");
    const QImage& glyph = m_glyphs[0];
    if (glyph.isNull() || glyph.width() == 0 || glyph.height() == 0)
        throw fw::Exception(objectName().toStdString() + ":Glyph1 のﾋﾞｯﾄﾏｯﾌﾟが正しくありません");
    const double sx = m_autoSize ? 1.0 : double(float(width()) / float(glyph.width()));
    const double sy = m_autoSize ? 1.0 : double(float(height()) / float(glyph.height()));
    m_region = fw::DataToRegion(m_data, sx, sy, 0, 0);
    if (!m_region)
        throw fw::Exception("ﾘｰｼﾞｮﾝが作成できません");
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
