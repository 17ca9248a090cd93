#pragma once
// A 3-D frame drawn on the parent, raised or lowered.
#include <QWidget>

namespace fw {

class TBevel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TBevelStyle Style READ Style WRITE setStyle)
public:
    enum TBevelStyle { bsLowered, bsRaised };
    Q_ENUM(TBevelStyle)

    explicit TBevel(QWidget* parent = nullptr);
    TBevelStyle Style() const { return m_style; }
    void setStyle(TBevelStyle style);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBevelStyle m_style = bsLowered;
};

} // namespace fw
