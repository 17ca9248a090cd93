#include "media/image/TextPainter.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <vector>

namespace media {

namespace {

// The code points of UTF-8 text; a byte that starts no valid sequence stands for U+FFFD.
std::vector<char32_t> CodePoints(const std::string& s)
{
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool whole = extra >= 0 && i + std::size_t(extra) < s.size();
        for (int k = 1; whole && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + std::size_t(k)]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        out.push_back(whole ? c : U'\uFFFD');
        i += whole ? std::size_t(extra) + 1 : 1;
    }
    return out;
}

} // namespace

struct TextPainter::Fonts {
    FT_Library library = nullptr;
    int pixelSize = 0;
    std::vector<FT_Face> faces;             // the first is the sans-serif font
    std::map<std::pair<std::string, int>, FT_Face> opened; // by file and index in it
    std::map<char32_t, FT_Face> fallbacks;  // a character's face when the first lacks it

    ~Fonts()
    {
        for (FT_Face face : faces)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }

    FT_Face Open(const std::string& file, int index)
    {
        const auto [it, fresh] = opened.emplace(std::pair(file, index), nullptr);
        if (!fresh || !library)
            return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.c_str(), index, &face) != 0)
            return nullptr;
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize));
        faces.push_back(face);
        return it->second = face;
    }

    // fontconfig's best sans-serif font, or (c not 0) its best one holding c.
    FT_Face Match(char32_t c)
    {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
        if (!pattern)
            return nullptr;
        if (c) {
            FcCharSet* set = FcCharSetCreate();
            FcCharSetAddChar(set, c);
            FcPatternAddCharSet(pattern, FC_CHARSET, set);
            FcCharSetDestroy(set);
        }
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* found = FcFontMatch(nullptr, pattern, &result);
        FT_Face face = nullptr;
        FcChar8* file = nullptr;
        int index = 0;
        if (found && FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            face = Open(reinterpret_cast<const char*>(file), index);
        }
        if (found)
            FcPatternDestroy(found);
        FcPatternDestroy(pattern);
        return face;
    }

    // The face that draws `c`: the first where it has it, else a fallback that does
    // (the first again, showing its missing-glyph box, where none does).
    FT_Face FaceFor(char32_t c)
    {
        FT_Face first = faces.empty() ? nullptr : faces.front();
        if (!first || FT_Get_Char_Index(first, c) != 0)
            return first;
        auto [it, fresh] = fallbacks.emplace(c, first);
        if (fresh) {
            FT_Face other = Match(c);
            if (other && FT_Get_Char_Index(other, c) != 0)
                it->second = other;
        }
        return it->second;
    }
};

TextPainter::TextPainter(int pixelSize) : m_fonts(std::make_unique<Fonts>())
{
    m_fonts->pixelSize = std::max(1, pixelSize);
    if (!FcInit() || FT_Init_FreeType(&m_fonts->library) != 0) {
        m_fonts->library = nullptr;
        return;
    }
    m_fonts->Match(0);
}

TextPainter::~TextPainter() = default;

int TextPainter::Ascent() const
{
    const auto& faces = m_fonts->faces;
    return faces.empty() ? 0 : int((faces.front()->size->metrics.ascender + 63) >> 6);
}

int TextPainter::LineHeight() const
{
    const auto& faces = m_fonts->faces;
    return faces.empty() ? 0 : int((faces.front()->size->metrics.height + 63) >> 6);
}

int TextPainter::Width(const std::string& utf8)
{
    long advance = 0;
    for (const char32_t c : CodePoints(utf8)) {
        FT_Face face = m_fonts->FaceFor(c);
        if (face && FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0)
            advance += face->glyph->advance.x;
    }
    return int((advance + 63) >> 6);
}

void TextPainter::Draw(Image& img, int x, int baseline, const std::string& utf8, Rgb colour)
{
    if (img.format != PixelFormat::Rgb24)
        return;
    long pen = long(x) << 6;
    for (const char32_t c : CodePoints(utf8)) {
        FT_Face face = m_fonts->FaceFor(c);
        if (!face || FT_Load_Char(face, c, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        const int left = int(pen >> 6) + g->bitmap_left, top = baseline - g->bitmap_top;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (int row = 0; row < int(bm.rows); ++row) {
                const int y = top + row;
                if (y < 0 || y >= img.height)
                    continue;
                const unsigned char* cover = bm.buffer + std::ptrdiff_t(row) * bm.pitch;
                std::uint8_t* line = img.Row(y);
                for (int col = 0; col < int(bm.width); ++col) {
                    const int px = left + col, a = cover[col];
                    if (px < 0 || px >= img.width || a == 0)
                        continue;
                    std::uint8_t* p = line + std::ptrdiff_t(px) * 3;
                    p[0] = std::uint8_t((colour.r * a + p[0] * (255 - a) + 127) / 255);
                    p[1] = std::uint8_t((colour.g * a + p[1] * (255 - a) + 127) / 255);
                    p[2] = std::uint8_t((colour.b * a + p[2] * (255 - a) + 127) / 255);
                }
            }
        }
        pen += g->advance.x;
    }
}

} // namespace media
