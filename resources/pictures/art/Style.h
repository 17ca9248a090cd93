#pragma once
// The one look every picture of the program shares: a soft plum outline around flat
// fills, one shade per colour, rounded strokes. Shapes are given in units of the
// character's main-window picture (one unit = one pixel there) and scaled by the
// painter's transform, so the outline thickens with the picture.
#include <QColor>
#include <QPainter>
#include <QPainterPath>

namespace art {

inline const QColor kInk{74, 44, 66};
inline const QColor kSkin{255, 222, 196};
inline const QColor kSkinShade{240, 188, 164};
inline const QColor kCheek{255, 140, 160, 150};
inline const QColor kHair{238, 236, 244};
inline const QColor kHairShade{196, 194, 214};
inline const QColor kGlasses{150, 82, 40};
inline const QColor kCardigan{158, 110, 198};
inline const QColor kCardiganShade{126, 84, 168};
inline const QColor kBlouse{255, 255, 255};
inline const QColor kBrooch{250, 200, 60};
inline const QColor kSkirt{74, 76, 136};
inline const QColor kShoe{124, 72, 50};
inline const QColor kMouth{206, 72, 96};
inline const QColor kBlade{220, 226, 238};
inline const QColor kBladeShade{160, 168, 190};
inline const QColor kHandle{228, 60, 74};
inline const QColor kFilm{52, 50, 64};
inline const QColor kNavy{34, 44, 124};
inline const QColor kOrange{255, 128, 0};
// What the windows make see-through.
inline const QColor kSeeThrough{0, 255, 0};

inline constexpr double kLine = 1.0; // the outline's thickness

// Fills a shape and draws its outline.
void Fill(QPainter& p, const QPainterPath& shape, const QColor& colour, double line = kLine);
// Fills a shape clipped to another, without outline (shades and highlights).
void Shade(QPainter& p, const QPainterPath& shape, const QPainterPath& within, const QColor& colour);
// A thick round stroke with an outline of its own (sleeves, handles, letters).
void OutlinedStroke(QPainter& p, const QPainterPath& path, double width, const QColor& colour,
                    double line = kLine);
// A thin ink line.
void InkLine(QPainter& p, const QPainterPath& path, double width = kLine, const QColor& colour = kInk);

QPainterPath Circle(QPointF centre, double radius);
QPainterPath Ellipse(QPointF centre, double rx, double ry);

} // namespace art
