#pragma once
// One line of text drawn onto a picture, anti-aliased, in the system's sans-serif
// font (fontconfig's choice), each character a font lacks taken from one that has it:
// a movie's name may be Japanese. Where no font can be found at all, nothing is
// drawn and the text measures 0. No Qt.
#include "media/image/Image.h"

#include <memory>
#include <string>

namespace media {

class TextPainter {
public:
    explicit TextPainter(int pixelSize);
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // The advance of the whole line, in pixels.
    int Width(const std::string& utf8);
    // From the baseline up to the tallest ascender, and the line's full height.
    int Ascent() const;
    int LineHeight() const;
    // Draws the line with its baseline at `baseline`, beginning at `x`, onto a 24-bit
    // colour picture; what falls outside it is left out.
    void Draw(Image& rgb24, int x, int baseline, const std::string& utf8, Rgb colour);

private:
    struct Fonts;
    std::unique_ptr<Fonts> m_fonts;
};

} // namespace media
