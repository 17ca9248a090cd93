#pragma once
// The row captions and headings: a label with its caption and font colour. The
// shadow, highlight and text gradations draw on top of this.
#include "framework/Label.h"

class TShadowLabel : public fw::TLabel {
    Q_OBJECT
public:
    explicit TShadowLabel(QWidget* parent = nullptr);
};
