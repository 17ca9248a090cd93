#include "widgets/ShapeHint.h"

#include "framework/TextDraw.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWidget>

namespace {
constexpr int kTail = 8;     // height of the balloon's tail
constexpr int kPadding = 5;  // between the outline and the text
constexpr int kRadius = 6;   // corner rounding
constexpr int kHideAfterMs = 5000;

// The hint of the widget under the mouse, or of the nearest parent that has one.
QString HintFor(QWidget* w)
{
    for (; w; w = w->parentWidget()) {
        if (!w->toolTip().isEmpty())
            return w->toolTip();
        if (w->isWindow())
            break;
    }
    return {};
}

// The hint of the list entry at `pos` in a list's viewport (a path too long to show
// whole), or nothing.
QString EntryHint(QWidget* w, const QPoint& pos)
{
    const auto* view = w ? qobject_cast<QAbstractItemView*>(w->parentWidget()) : nullptr;
    if (!view || view->viewport() != w)
        return {};
    return view->indexAt(pos).data(Qt::ToolTipRole).toString();
}
} // namespace

class TShapeHintWindow : public QWidget {
public:
    TShapeHintWindow(const QString& text, int shadow)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint), m_text(text), m_shadow(shadow)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
        f.setPixelSize(12);
        setFont(f);
        QRect text_rect(0, 0, 400, 0);
        fw::DrawTextCalc(font(), m_text, text_rect, fw::DT_WORDBREAK | fw::DT_NOPREFIX | fw::DT_EXPANDTABS);
        m_textSize = text_rect.size();
        const QSize body(m_textSize.width() + 2 * kPadding, m_textSize.height() + 2 * kPadding);
        resize(body.width() + m_shadow + 1, body.height() + kTail + m_shadow + 1);
        setMask(QRegion(Outline().toFillPolygon().toPolygon()) + QRegion(Outline().translated(m_shadow, m_shadow).toFillPolygon().toPolygon()));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(Outline().translated(m_shadow, m_shadow), QColor(128, 128, 128));
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawPath(Outline());
        QRect r(kPadding, kTail + kPadding, m_textSize.width(), m_textSize.height());
        p.setFont(font());
        fw::DrawText(p, m_text, r, fw::DT_WORDBREAK | fw::DT_NOPREFIX | fw::DT_EXPANDTABS);
    }

private:
    QString m_text;
    int m_shadow;
    QSize m_textSize;

    // Rounded body below a tail that points up at the mouse from the left part.
    QPainterPath Outline() const
    {
        const int w = width() - m_shadow - 1;
        const int h = height() - m_shadow - 1;
        QPainterPath body;
        body.addRoundedRect(QRectF(0, kTail, w, h - kTail), kRadius, kRadius);
        QPainterPath tail;
        tail.moveTo(6, kTail + 1);
        tail.lineTo(2, 0);
        tail.lineTo(16, kTail + 1);
        tail.closeSubpath();
        return body.united(tail);
    }
};

TShapeHint::TShapeHint(QObject* parent) : QObject(parent)
{
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &TShapeHint::HideHint);
}

TShapeHint::~TShapeHint()
{
    HideHint();
    if (m_active && qApp)
        qApp->removeEventFilter(this);
}

void TShapeHint::setActive(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (on)
        qApp->installEventFilter(this);
    else {
        qApp->removeEventFilter(this);
        HideHint();
    }
}

QWidget* TShapeHint::Balloon() const { return m_window; }

void TShapeHint::ShowHint(const QString& text, const QPoint& globalPos)
{
    HideHint();
    m_window = new TShapeHintWindow(text, m_shadowDepth);
    QPoint at = globalPos + QPoint(-2, 18);
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->geometry();
        at.setX(std::min(at.x(), area.right() - m_window->width()));
        at.setX(std::max(at.x(), area.left()));
    }
    m_window->move(at);
    m_window->show();
    m_hideTimer.start(kHideAfterMs);
}

void TShapeHint::HideHint()
{
    m_hideTimer.stop();
    if (m_window)
        m_window->close();
    m_window = nullptr;
}

bool TShapeHint::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            break;
        const auto* help = static_cast<QHelpEvent*>(event);
        QString text = EntryHint(widget, help->pos());
        if (text.isEmpty())
            text = HintFor(widget);
        if (text.isEmpty())
            break;
        ShowHint(text, help->globalPos());
        return true; // handled: no plain tool tip
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::WindowDeactivate:
        if (m_window && watched != m_window)
            HideHint();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
