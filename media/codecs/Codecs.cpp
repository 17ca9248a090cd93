#include "media/codecs/Codecs.h"

#include <algorithm>

namespace media {

Result<void> CheckSaveOptions(const SaveOptions& options)
{
    // Told in the image edit control's terms, which name the scale's steps from 1.
    if (!options.quality.Valid())
        return Fail(FailureKind::StepFailed,
                    "SaveQuality does not take the value " + std::to_string(options.quality.step + 1));
    return {};
}

int LibjpegQuality(JpegQuality quality)
{
    const int step = std::clamp(quality.step, JpegQuality::kLowest, JpegQuality::kHighest);
    // 0 → 10, 9 → 95: evenly spaced; 100 only makes files larger, not better.
    return 10 + (step * 85 + 4) / 9;
}

} // namespace media
