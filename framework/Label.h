#pragma once
// A caption drawn on its parent: text, font colour, alignment, transparent or filled.
#include "framework/Color.h"

#include <QWidget>

namespace fw {

class TLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString FontColor READ FontColorText WRITE setFontColor)
    Q_PROPERTY(QString Color READ ColorText WRITE setColor)
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE setShowAccelChar)
public:
    explicit TLabel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor color);
    void setFontColor(const QString& color);
    QString FontColorText() const;
    TColor Color() const { return m_color; }
    // Whether a colour was given (otherwise a control may follow its parent's).
    bool ColorWasSet() const { return m_colorSet; }
    void setColor(TColor color);
    void setColor(const QString& color);
    QString ColorText() const;
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    // Sized to the caption: the right edge stays for right-aligned text, else the left.
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    // "&" marks the accelerator letter (shown underlined) unless this is off.
    bool ShowAccelChar() const { return m_showAccelChar; }
    void setShowAccelChar(bool on);

    // The text-draw flags the caption is drawn and measured with.
    unsigned TextFlags() const;
    // The width `caption` takes as this label draws it.
    int CaptionWidth(const QString& caption) const { return CaptionExtent(caption).width(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The size the caption takes (AutoSize); a label that draws its text otherwise says so.
    virtual QSize CaptionExtent(const QString& caption) const;
    void AdjustBounds();

private:
    QString m_caption;
    TColor m_fontColor = clWindowText;
    TColor m_color = clBtnFace;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_transparent = true;
    bool m_colorSet = false;
    bool m_autoSize = false;
    bool m_wordWrap = false;
    bool m_showAccelChar = true;
};

} // namespace fw
