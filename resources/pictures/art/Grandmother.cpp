#include "resources/pictures/art/Grandmother.h"

#include "resources/pictures/art/Style.h"

namespace art {

namespace {

constexpr QPointF kLeftShoulder{12, 50};
constexpr QPointF kRightShoulder{38, 50};

void Legs(QPainter& p)
{
    QPainterPath skirt;
    skirt.moveTo(11, 89);
    skirt.lineTo(39, 89);
    skirt.lineTo(41.5, 99.5);
    skirt.quadTo(25, 101.5, 8.5, 99.5);
    skirt.closeSubpath();
    for (double x : {18.5, 31.5}) {
        QPainterPath leg;
        leg.moveTo(x, 99);
        leg.lineTo(x, 103);
        OutlinedStroke(p, leg, 3.2, kSkinShade);
    }
    Fill(p, skirt, kSkirt);
    Fill(p, Ellipse({17, 104.4}, 5, 2.6), kShoe);
    Fill(p, Ellipse({33, 104.4}, 5, 2.6), kShoe);
}

void Body(QPainter& p)
{
    QPainterPath body;
    body.moveTo(17, 44.5);
    body.lineTo(33, 44.5);
    body.cubicTo(40.5, 45.5, 42.5, 50, 42.5, 56);
    body.lineTo(43.5, 88.5);
    body.quadTo(43.5, 92, 40.5, 92);
    body.lineTo(9.5, 92);
    body.quadTo(6.5, 92, 6.5, 88.5);
    body.lineTo(7.5, 56);
    body.cubicTo(7.5, 50, 9.5, 45.5, 17, 44.5);
    Fill(p, body, kCardigan);
    QPainterPath shade;
    shade.addRect(34, 40, 12, 55);
    Shade(p, shade, body, kCardiganShade);

    QPainterPath blouse;
    blouse.moveTo(19, 44.5);
    blouse.lineTo(31, 44.5);
    blouse.lineTo(25, 56);
    blouse.closeSubpath();
    Fill(p, blouse, kBlouse);
    QPainterPath front;
    front.moveTo(25, 56);
    front.lineTo(25, 91.5);
    InkLine(p, front, 0.8);
    Fill(p, Circle({25, 57.5}, 1.8), kBrooch);
    for (double y : {66.0, 74.0, 82.0})
        Fill(p, Circle({25, y}, 1.1), kCardiganShade, 0.6);
}

void Arm(QPainter& p, QPointF shoulder, QPointF hand)
{
    // The elbow bends outwards and down, the way a relaxed arm hangs.
    const QPointF middle = (shoulder + hand) / 2;
    const double outwards = shoulder.x() < 25 ? -1 : 1;
    const QPointF elbow = middle + QPointF(outwards * 4, 3);
    QPainterPath sleeve;
    sleeve.moveTo(shoulder);
    sleeve.quadTo(elbow, hand);
    OutlinedStroke(p, sleeve, 7.5, kCardigan);
}

void Hand(QPainter& p, QPointF at)
{
    Fill(p, Circle(at, 3.6), kSkin);
}

void Head(QPainter& p, bool mouthOpen)
{
    // The bun, then the hair behind the face, the face, and the fringe over it.
    QPainterPath bun = Circle({25, 9}, 6.2);
    Fill(p, bun, kHair);
    Shade(p, Circle({27, 11}, 6.2), bun, kHairShade);
    InkLine(p, [] { QPainterPath tie; tie.moveTo(20.5, 14.5); tie.quadTo(25, 17, 29.5, 14.5); return tie; }(), 1.6,
            kCardiganShade);

    QPainterPath back = Ellipse({25, 29}, 16.5, 14.5);
    Fill(p, back, kHair);
    QPainterPath face = Ellipse({25, 32.5}, 13, 12.2);
    Fill(p, face, kSkin);
    Shade(p, Ellipse({27.5, 35}, 13, 12.2).subtracted(Ellipse({25, 32.5}, 12, 11.2)), face, kSkinShade);

    QPainterPath fringe;
    fringe.moveTo(10, 31);
    fringe.cubicTo(8.5, 14, 41.5, 14, 40, 31);
    fringe.cubicTo(37.5, 24, 31, 21.5, 25, 22.5);
    fringe.cubicTo(19, 21.5, 12.5, 24, 10, 31);
    Fill(p, fringe, kHair);
    Shade(p, Ellipse({29, 23}, 14, 6).subtracted(Ellipse({24, 20}, 14, 6)), fringe, kHairShade);

    // Round glasses over smiling, closed eyes.
    for (double x : {19.5, 30.5}) {
        QPainterPath eye;
        eye.arcMoveTo(QRectF(x - 2.3, 31.2, 4.6, 3.4), 180);
        eye.arcTo(QRectF(x - 2.3, 31.2, 4.6, 3.4), 180, -180);
        InkLine(p, eye, 1.1);
        p.setBrush(QColor(255, 255, 255, 70));
        p.setPen(QPen(kGlasses, 1.1));
        p.drawEllipse(QPointF(x, 32.2), 4.7, 4.5);
    }
    QPainterPath frame;
    frame.moveTo(24.2, 31.6);
    frame.quadTo(25, 30.6, 25.8, 31.6);
    frame.moveTo(14.8, 31.4);
    frame.lineTo(11, 30.2);
    frame.moveTo(35.2, 31.4);
    frame.lineTo(39, 30.2);
    InkLine(p, frame, 1.0, kGlasses);

    Fill(p, Ellipse({15.6, 38}, 2.6, 1.7), kCheek, 0);
    Fill(p, Ellipse({34.4, 38}, 2.6, 1.7), kCheek, 0);
    QPainterPath nose;
    nose.moveTo(24.2, 36.2);
    nose.quadTo(25, 37.2, 25.8, 36.2);
    InkLine(p, nose, 0.8);
    if (mouthOpen) {
        Fill(p, Ellipse({25, 40.4}, 2.3, 1.9), kMouth, 0.9);
    } else {
        QPainterPath smile;
        smile.arcMoveTo(QRectF(22, 37, 6, 4), 200);
        smile.arcTo(QRectF(22, 37, 6, 4), 200, 140);
        InkLine(p, smile, 1.0);
    }
}

} // namespace

void DrawGrandmother(QPainter& p, const Pose& pose, const std::function<void(QPainter&)>& held)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    Legs(p);
    Body(p);
    Head(p, pose.mouthOpen);
    Arm(p, kLeftShoulder, pose.leftHand);
    Arm(p, kRightShoulder, pose.rightHand);
    if (held)
        held(p);
    Hand(p, pose.leftHand);
    Hand(p, pose.rightHand);
    p.restore();
}

} // namespace art
