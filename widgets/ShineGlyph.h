#pragma once
// The shine button's per-state copy of its glyph: brightened or outlined in the
// shine colour while the mouse is over it, greyed, blended or reduced to an edge
// mask while disabled, unchanged otherwise. Pixels in the colour of the glyph's
// bottom-left pixel are see-through and never changed.
#include "framework/Color.h"

#include <QImage>

enum class ActiveEffect { Normal, XorLight, HalfLight, QuaterLight, AddLight, FrameLight, FrameLight2, MaskLight };
enum class DisabledEffect { Default, Grayscale, AlphaHalfTrans, AlphaQuaterTrans, MaskTrans };
enum class GlyphState { Active, Disabled, Plain };

// The transformed copy, 0x00RRGGBB pixels (Format_RGB32). For Disabled with
// DisabledEffect::Default it is the monochrome edge mask: white where an edge runs.
QImage CreateStateGlyph(const QImage& glyph, GlyphState state, ActiveEffect active, DisabledEffect disabled,
                        TColor shine, TColor base);
