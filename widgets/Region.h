#pragma once
// Shaped region controls: TRgn gives its window the outline of a bitmap, TRgnList
// joins several outlines into one window shape, TRgnBtn is a button that takes
// presses only inside its first bitmap's outline. The outline is worked out from the
// bitmap once and stored as a region data block ("RgnData"); at run time only the
// stored block is used, scaled to the control and moved to its place.
#include "framework/RegionData.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

// The outline of `bitmap` (the pixels that differ from its bottom-left pixel), as a
// region data block. Raises fw::Exception: "ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません" (no
// bitmap), "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です" (a row of more than 100 runs).
fw::RegionData BitmapToRgnData(const QImage& bitmap);

// Gives `window` the shape; an empty shape leaves nothing of the window visible.
void SetShape(QWidget* window, const QRegion& shape);

class TRgn : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString RgnBitmapFile READ RgnBitmapFile WRITE setRgnBitmapFile)
    Q_PROPERTY(QString RgnDataFile READ RgnDataFile WRITE setRgnDataFile)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
public:
    explicit TRgn(QWidget* parent = nullptr);

    const QImage& RgnBitmap() const { return m_bitmap; }
    // Takes the bitmap and works its outline out into RgnData; on failure the control
    // holds neither, and the error is raised.
    void setRgnBitmap(const QImage& bitmap);
    // The stored block, as the layout keeps it with the control.
    const fw::RegionData& RgnData() const { return m_data; }
    void setRgnData(const fw::RegionData& data) { m_data = data; }

    QString RgnBitmapFile() const { return m_bitmapFile; }
    void setRgnBitmapFile(const QString& file);
    QString RgnDataFile() const { return m_dataFile; }
    void setRgnDataFile(const QString& file);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    bool ShowImage() const { return m_showImage; }
    void setShowImage(bool on);

    // The layout has been read: the region is made from the stored block.
    Q_INVOKABLE void Loaded();
    // The region from RgnData, scaled to the control's size and moved to its place
    // in the parent. Raises fw::Exception when there is no data or no bitmap.
    void UpdateRgn();
    // Gives the parent window the region as its shape; the control no longer holds it.
    // Raises fw::Exception "Parentが設定されていません" without a parent.
    void SetWndRgn();
    // The region made by UpdateRgn and not yet given away.
    const std::optional<QRegion>& Region() const { return m_region; }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_bitmap;
    QString m_bitmapFile, m_dataFile;
    fw::RegionData m_data;
    std::optional<QRegion> m_region;
    bool m_autoSize = false;
    bool m_transparent = false;
    bool m_showImage = true;
};

// Joins the outlines of several TRgn of one window into the window's shape.
class TRgnList : public QObject {
    Q_OBJECT
public:
    explicit TRgnList(QWidget* owner);

    bool AutoClear = true;
    void Add(TRgn* item);
    void Delete(TRgn* item);
    int Count() const { return int(m_items.size()); }
    TRgn* Item(int index) const { return m_items.at(std::size_t(index)); }
    void Clear() { m_items.clear(); }
    // The union of the listed controls' regions becomes the owner's shape; listed
    // controls paint and come to the front, other TRgn stop painting, and the other
    // drawn controls come in front of the shapes.
    void SetWndRgn();

signals:
    void OnShowWnd(TRgnList* sender);

private:
    QWidget* m_owner;
    std::vector<TRgn*> m_items;
};

// A button drawn from three bitmaps (normal, pressed, disabled) that takes presses
// only inside the outline of the first.
class TRgnBtn : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
public:
    explicit TRgnBtn(QWidget* parent = nullptr);

    const QImage& Glyph(int index) const { return m_glyphs[std::size_t(std::clamp(index, 1, 3) - 1)]; }
    // Glyph 1 also gives the outline; a failure leaves it empty and is raised.
    void setGlyph(int index, const QImage& bitmap);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool Pressed() const { return m_pressed; }

    Q_INVOKABLE void Loaded();
    // The outline of Glyph1 scaled to the button, in its own coordinates.
    void UpdateRgn();
    const std::optional<QRegion>& Region() const { return m_region; }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QImage, 3> m_glyphs;
    fw::RegionData m_data;
    std::optional<QRegion> m_region;
    bool m_autoSize = false;
    bool m_pressed = false;
};
