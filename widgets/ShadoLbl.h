#pragma once
// The row captions and headings: a label with its caption and font colour. The
// shadow, highlight and text gradations draw on top of this.
#include "framework/Label.h"

class TShadowLabel : public fw::TLabel {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
public:
    explicit TShadowLabel(QWidget* parent = nullptr);
    bool AutoSize() const { return m_autoSize; }
    // Sized to its text, keeping its horizontal centre when centred.
    void setAutoSize(bool on);
    void setCaption(const QString& caption);

private:
    bool m_autoSize = false;
    void AdjustSize();
};
