#pragma once
// The picture chain's steps. Each works on the image in place, or fails (leaving it
// unchanged) in the words both front ends report; on an empty picture the failure's
// kind is NoPicture.
#include "media/Result.h"
#include "media/image/Image.h"

#include <optional>

namespace media {

// White: what a rotation or a proportional resize leaves around the picture.
inline constexpr Rgb kMarginColour{255, 255, 255};

// In the order the window lists them.
enum class ColourDepth { Two, Sixteen, Colours256, Grey, Full };

// Two: black and white, Floyd–Steinberg dithered on luma. Sixteen / Colours256: an
// adaptive palette (variance-minimising median cut refined by k-means), dithered with
// serpentine Floyd–Steinberg; a picture with few enough colours keeps them exactly.
// Grey: 8-bit grey (BT.601 luma). Full: 24-bit colour. Alpha is composited over white
// first.
Result<void> ChangeColorDepth(Image& img, ColourDepth depth);
// The same by the image edit control's depth codes (1, 4, 8, 9, 12); any other code
// fails.
Result<void> ChangeColorDepth(Image& img, int code);

// Moves every colour channel by value × 2.55 (value −100 .. +100), clamped to
// 0..255: a straight shift, so +10 lifts every channel by 26 levels. Palette
// pictures shift their palette; alpha is left alone.
Result<void> AdjustBrightness(Image& img, int value);

// Turns clockwise by a multiple of 90° (exactly, keeping the format).
Result<void> RotateClockwise(Image& img, int degrees);

// Rotates counter-clockwise. Multiples of 90° move pixels exactly, keeping the
// format; other angles sample bilinearly onto a canvas that holds the whole
// rotated picture, with the margin colour around it (palettes become colour).
Result<void> RotateCounterClockwise(Image& img, int degrees);

// Turns a picture stored with an EXIF / TIFF orientation (1 as stored, 2 mirrored,
// 3 turned half round, 4 flipped, 5 transposed, 6 a quarter turn clockwise to view,
// 7 transversed, 8 a quarter turn counter-clockwise to view) the way viewers show
// it. Values outside 1..8 leave it as stored.
void Orient(Image& img, int orientation);

enum class Interpolation { Nearest = 0, Bilinear = 1, Lanczos3 = 2 };

// The size a w × h picture takes fitted inside width × height, its sides in proportion.
struct Size {
    int width = 0, height = 0;
};
Size FitInside(int w, int h, int width, int height);

// Resizes to width × height. With `keepAspect` the picture is fitted inside,
// centred, on the margin colour; its fitted size is `fitted` where given (that of the
// picture it was decoded smaller from), else worked out from its own. Filters widen
// when shrinking, so nothing aliases. Palette pictures keep their palette (each new
// pixel takes its nearest entry).
// A size no picture may have is a StepFailed failure telling the size and why ("0 ×
// 12 is less than one pixel"), its cause the why alone ("is less than one pixel").
Result<void> Resize(Image& img, int width, int height, bool keepAspect, Interpolation filter,
                    std::optional<Size> fitted = std::nullopt);

// The middle width × height of the picture (at most all of it): the left and top
// offsets are half the difference, rounded down.
void CropMiddle(Image& img, int width, int height);

} // namespace media
