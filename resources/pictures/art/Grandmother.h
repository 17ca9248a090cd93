#pragma once
// The grandmother: hair in a bun, round glasses, a lilac cardigan. She is drawn in a
// box 50 units wide and 108 high (her main-window picture shows exactly that much);
// her hands go where the pose puts them, and what she holds is drawn between her
// arms and her hands, so that her fingers close over it.
#include <QPainter>

#include <functional>

namespace art {

struct Pose {
    QPointF leftHand{9, 80};   // the hand on the viewer's left
    QPointF rightHand{41, 80}; // the hand on the viewer's right
    bool mouthOpen = false;
};

void DrawGrandmother(QPainter& p, const Pose& pose, const std::function<void(QPainter&)>& held = {});

} // namespace art
