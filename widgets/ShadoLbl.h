#pragma once
// The caption label of the main and about windows: a label drawn with a drop shadow
// and a highlight copy of its text, an optional gradient background, and text whose
// colour runs character by character through two or three colours.
#include "framework/Label.h"

#include <QImage>
#include <QObject>

// One offset copy of the text.
class TShadow : public QObject {
    Q_OBJECT
public:
    TShadow(bool visible, TColor color, int offsetLeft, int offsetTop, QObject* parent = nullptr);

    bool Visible() const { return m_visible; }
    void setVisible(bool on);
    TColor Color() const { return m_color; }
    void setColor(TColor color);
    int OffsetLeft() const { return m_offsetLeft; }
    void setOffsetLeft(int v);
    int OffsetTop() const { return m_offsetTop; }
    void setOffsetTop(int v);
    // Copies the four values of another copy and tells of the change.
    void Assign(const TShadow& other);

signals:
    void OnChange();

private:
    bool m_visible;
    TColor m_color;
    int m_offsetLeft;
    int m_offsetTop;
};

class TShadowLabel : public fw::TLabel {
    Q_OBJECT
    Q_PROPERTY(TEllipsis Ellipsis READ Ellipsis WRITE setEllipsis)
    Q_PROPERTY(bool Flickerless READ Flickerless WRITE setFlickerless)
    Q_PROPERTY(bool GradateVert READ GradateVert WRITE setGradateVert)
    Q_PROPERTY(bool Gradation READ Gradation WRITE setGradation)
    Q_PROPERTY(QString GradationColor READ GradationColorText WRITE setGradationColor)
    Q_PROPERTY(TTextGradation TextGradation READ TextGradation WRITE setTextGradation)
    Q_PROPERTY(QString TextGradationColor READ TextGradationColorText WRITE setTextGradationColor)
    Q_PROPERTY(QString TextMidColor READ TextMidColorText WRITE setTextMidColor)
    Q_PROPERTY(TTextLayout Layout READ Layout WRITE setLayout)
    // The two copies' values, as the layouts give them.
    Q_PROPERTY(bool ShadowVisible READ ShadowVisible WRITE setShadowVisible)
    Q_PROPERTY(QString ShadowColor READ ShadowColorText WRITE setShadowColor)
    Q_PROPERTY(bool HighlightVisible READ HighlightVisible WRITE setHighlightVisible)
    Q_PROPERTY(QString HighlightColor READ HighlightColorText WRITE setHighlightColor)
public:
    enum TEllipsis { elNone, elEnd, elPath };
    Q_ENUM(TEllipsis)
    enum TTextGradation { tgNone, tg2Colors, tg3Colors };
    Q_ENUM(TTextGradation)
    enum TTextLayout { tlTop, tlCenter, tlBottom };
    Q_ENUM(TTextLayout)

    explicit TShadowLabel(QWidget* parent = nullptr);

    TEllipsis Ellipsis() const { return m_ellipsis; }
    void setEllipsis(TEllipsis e);
    bool Flickerless() const { return m_flickerless; }
    void setFlickerless(bool on) { m_flickerless = on; }
    bool GradateVert() const { return m_gradateVert; }
    void setGradateVert(bool on);
    bool Gradation() const { return m_gradation; }
    void setGradation(bool on);
    TColor GradationColor() const { return m_gradationColor; }
    void setGradationColor(TColor c);
    void setGradationColor(const QString& c);
    QString GradationColorText() const;
    TTextGradation TextGradation() const { return m_textGradation; }
    void setTextGradation(TTextGradation g);
    TColor TextGradationColor() const { return m_textGradationColor; }
    void setTextGradationColor(TColor c);
    void setTextGradationColor(const QString& c);
    QString TextGradationColorText() const;
    TColor TextMidColor() const { return m_textMidColor; }
    void setTextMidColor(TColor c);
    void setTextMidColor(const QString& c);
    QString TextMidColorText() const;
    TTextLayout Layout() const { return m_layout; }
    void setLayout(TTextLayout l);

    TShadow* Highlight() const { return m_highlight; }
    void setHighlight(const TShadow* from);
    TShadow* Shadow() const { return m_shadow; }
    void setShadow(const TShadow* from);
    bool ShadowVisible() const { return m_shadow->Visible(); }
    void setShadowVisible(bool on) { m_shadow->setVisible(on); }
    QString ShadowColorText() const;
    void setShadowColor(const QString& c);
    bool HighlightVisible() const { return m_highlight->Visible(); }
    void setHighlightVisible(bool on) { m_highlight->setVisible(on); }
    QString HighlightColorText() const;
    void setHighlightColor(const QString& c);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A gradient caption is set character by character, which may run wider.
    QSize CaptionExtent(const QString& caption) const override;

private:
    TEllipsis m_ellipsis = elNone;
    bool m_flickerless = true;
    bool m_gradateVert = false;
    bool m_gradation = false;
    TColor m_gradationColor = clBlue;
    TShadow* m_highlight;
    TShadow* m_shadow;
    TTextGradation m_textGradation = tgNone;
    TColor m_textGradationColor = clMaroon;
    TColor m_textMidColor = clNavy;
    TTextLayout m_layout = tlTop;

    void DrawGradientText(class QPainter& p, TColor a, TColor b, const std::string& part, QRect& rect, unsigned flags);
};

// A 24-bit picture filled with a gradient from `first` (top or left) to `second`.
void GradBitmap(QImage& bitmap, TColor first, TColor second, bool vertical);
// Such a gradient painted into `rect`, from a small picture stretched over it.
void GradRect(class QPainter& p, const QRect& rect, TColor first, TColor second, bool vertical);
