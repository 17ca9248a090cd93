#pragma once
// Conversion settings as test failures show them: field by field, not as raw bytes.
#include "engine/PictureSettings.h"

#include <ostream>

namespace conv {

inline void PrintTo(const PictureSettings& p, std::ostream* os)
{
    *os << "{format " << EntryOf(kOutputFormats, p.format).name << ", quality " << p.jpegQuality.step
        << (p.progressive ? ", progressive" : ", plain") << ", colours "
        << (p.colourDepth ? EntryOf(kColourDepths, *p.colourDepth).name : "as they are") << ", brightness "
        << p.brightness << ", rotation " << EntryOf(kRotations, p.rotation).clockwise << ", resize mode "
        << PositionOf(p.resize.mode) << " " << p.resize.width << "x" << p.resize.height << " "
        << p.resize.scalePercent << "%}";
}

} // namespace conv
