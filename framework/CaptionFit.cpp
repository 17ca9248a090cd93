#include "framework/CaptionFit.h"

#include "framework/Label.h"
#include "framework/SpeedButton.h"
#include "framework/TextDraw.h"

#include <QVariant>
#include <QWidget>

namespace fw {

namespace {

constexpr int kNarrowest = 50; // percent of the normal width
// A speed button's caption keeps a pixel of its frame free on either side.
constexpr int kButtonMargin = 4;

int TextWidth(const QFont& font, const QString& text)
{
    QRect r(0, 0, 0, 0);
    DrawTextCalc(font, text, r, DT_CALCRECT | DT_SINGLELINE);
    return r.width();
}

} // namespace

CaptionSpace SpaceOf(const QWidget* control)
{
    const QVariant caption = control->property("Caption");
    if (!caption.isValid() || caption.toString().isEmpty())
        return {};
    const QString text = caption.toString();
    if (const auto* label = qobject_cast<const TLabel*>(control)) {
        if (label->WordWrap())
            return {};
        const int needed = label->CaptionWidth(text);
        if (!label->AutoSize())
            return {needed, label->width()};
        // Sized to its text: the room is up to the parent's edge on its growing side.
        const QWidget* parent = label->parentWidget();
        if (!parent)
            return {needed, needed};
        const int room = label->Alignment() & Qt::AlignRight ? label->geometry().right() + 1
                                                              : parent->width() - label->x();
        return {needed, room};
    }
    if (qobject_cast<const TSpeedButton*>(control))
        return {TextWidth(control->font(), text), control->width() - kButtonMargin};
    const QVariant left = control->property("CaptionLeft");
    return {TextWidth(control->font(), text), control->width() - (left.isValid() ? left.toInt() : 0)};
}

void FitCaption(QWidget* control)
{
    QFont font = control->font();
    if (font.stretch() != QFont::Unstretched && font.stretch() != 0) {
        font.setStretch(QFont::Unstretched);
        control->setFont(font);
    }
    CaptionSpace space = SpaceOf(control);
    if (space.needed <= space.available || space.available <= 0)
        return;
    int stretch = std::max(kNarrowest, 100 * space.available / space.needed);
    for (; stretch >= kNarrowest; --stretch) {
        font.setStretch(stretch);
        control->setFont(font);
        space = SpaceOf(control);
        if (space.needed <= space.available)
            return;
    }
}

void FitCaptions(QWidget* window)
{
    for (QWidget* control : window->findChildren<QWidget*>())
        if (control->property("Caption").isValid())
            FitCaption(control);
}

} // namespace fw
