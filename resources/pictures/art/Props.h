#pragma once
// What the character holds and cuts: her scissors and a strip of film.
#include <QPainter>

namespace art {

// Scissors turning on `pivot`, the blades pointing along `angle` (degrees, clockwise
// from the right, as the screen's y runs down), `length` from pivot to tip, opened by
// `open` degrees; the finger rings lie `handle` behind the pivot.
void DrawScissors(QPainter& p, QPointF pivot, double angle, double length, double open, double handle);

// A strip of `frames` film frames, each `frame` in size including its perforated
// edges, a small landscape in each; laid along x from `topLeft`, or along y when
// `vertical` (the holes then run down both sides and the pictures stay upright).
void DrawFilmStrip(QPainter& p, QPointF topLeft, int frames, QSizeF frame, bool vertical = false);

} // namespace art
