#include "media/codecs/Codecs.h"

#include <algorithm>
#include <iterator>

namespace media {

Result<void> CheckSaveOptions(const SaveOptions& options)
{
    // Told in the image edit control's terms, which name the scale's steps from 1.
    if (!options.quality.Valid())
        return Fail(FailureKind::StepFailed,
                    "SaveQuality does not take the value " + std::to_string(options.quality.step + 1));
    return {};
}

QualityEncoding EncodingOf(JpegQuality quality)
{
    // Chosen by measurement on photos (bench/quality_table): the list's "標準" steps
    // from libjpeg's and Pillow's default 75; "高画質" at the 90 cameras save at;
    // "最高画質" with full-resolution colour, visually lossless at the top.
    static constexpr QualityEncoding kSteps[] = {{30, false}, {45, false}, {60, false}, {75, false}, {80, false},
                                                 {85, false}, {90, false}, {92, true},   {95, true},  {98, true}};
    static_assert(std::size(kSteps) == JpegQuality::kHighest - JpegQuality::kLowest + 1);
    return kSteps[std::clamp(quality.step, JpegQuality::kLowest, JpegQuality::kHighest) - JpegQuality::kLowest];
}

} // namespace media
