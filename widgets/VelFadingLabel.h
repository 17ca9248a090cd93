#pragma once
// The pulsing headings and counters; drawn as a plain label, the fade timer and its
// colour steps build on it.
#include "framework/Label.h"

class TVelFadingLabel : public fw::TLabel {
    Q_OBJECT
public:
    explicit TVelFadingLabel(QWidget* parent = nullptr);

protected:
    // A disabled fading label shows no text at all.
    void paintEvent(QPaintEvent* event) override;
};
