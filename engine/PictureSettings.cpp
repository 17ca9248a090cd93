#include "engine/PictureSettings.h"

namespace conv {

namespace {

// EntryOf and the stored positions rely on every table listing its values in order.
template <std::size_t N, class Entry>
constexpr bool InOrder(const Entry (&table)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(table[i].value) != i)
            return false;
    return true;
}
static_assert(InOrder(kOutputFormats) && std::size(kOutputFormats) == media::kWritableFormatCount);
static_assert(InOrder(kColourDepths) && std::size(kColourDepths) == 5);
static_assert(InOrder(kRotations) && std::size(kRotations) == 4);
static_assert(InOrder(kResizeModes) && std::size(kResizeModes) == 4);
static_assert(std::size(kJpegQualityCaptions) == kJpegQualityRange.high - kJpegQualityRange.low + 1);

} // namespace

std::string BrightnessCaption(int step)
{
    if (step == 0)
        return "そのまま";
    std::string caption = step > 0 ? "+" : "";
    return caption.append(std::to_string(step)); // not "+" + string: see fw::NotAnIntegerMessage
}

} // namespace conv
