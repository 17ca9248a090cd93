#include "engine/ContactSheets.h"

#include "engine/Conversion.h"
#include "engine/StillNames.h"
#include "framework/AtomicFile.h"
#include "framework/Numbers.h"
#include "media/editor/ImageEditor.h"
#include "media/image/Processing.h"
#include "media/image/TextPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace conv {

namespace {

constexpr int kMargin = 16, kGap = 12;
constexpr int kHeaderPixels = 18, kLabelPixels = 14;
constexpr media::Rgb kPaper{255, 255, 255}, kInk{34, 34, 34};

media::Image Shrunk(const media::Image& rgb, int side)
{
    const media::Size size = media::FitInside(rgb.width, rgb.height, side, side);
    media::Image tile = rgb;
    if (!media::Resize(tile, std::max(1, size.width), std::max(1, size.height), false, media::Interpolation::Bilinear))
        return {};
    return tile;
}

media::Image Blank(int width, int height)
{
    media::Image canvas;
    if (canvas.Allocate(width, height, media::PixelFormat::Rgb24))
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), kPaper.r);
    return canvas;
}

void Paste(media::Image& canvas, const media::Image& tile, int x, int y)
{
    for (int row = 0; row < tile.height && y + row < canvas.height; ++row)
        std::memcpy(canvas.Row(y + row) + std::size_t(x) * 3, tile.Row(row),
                    std::size_t(std::min(tile.width, canvas.width - x)) * 3);
}

// The largest tile's size: every cell is that big.
template <class Pick>
media::Size CellSize(const std::vector<Tile>& tiles, Pick pick)
{
    media::Size cell;
    for (const Tile& t : tiles) {
        cell.width = std::max(cell.width, pick(t).width);
        cell.height = std::max(cell.height, pick(t).height);
    }
    return cell;
}

// The header as wide as the sheet lets it be: a long name loses its end to "…".
std::string FittedHeader(media::TextPainter& painter, MovieFacts movie, int width)
{
    std::string line = HeaderLine(movie);
    while (painter.Width(line) > width && !movie.name.empty()) {
        // A whole character at a time: its continuation bytes, then its first.
        while (!movie.name.empty() && (static_cast<unsigned char>(movie.name.back()) & 0xC0) == 0x80)
            movie.name.pop_back();
        if (!movie.name.empty())
            movie.name.pop_back();
        MovieFacts shorter = movie;
        shorter.name += "…";
        line = HeaderLine(shorter);
    }
    return line;
}

// Sheet s's tiles: the first, how many, and the rows they fill.
struct Slice {
    std::size_t first, count;
    int rows;
};
Slice SliceOf(int s, std::size_t tiles, SheetGrid grid)
{
    const std::size_t first = std::size_t(s) * std::size_t(grid.Cells());
    const std::size_t count = std::min(tiles - first, std::size_t(grid.Cells()));
    return {first, count, int((count + std::size_t(grid.columns) - 1) / std::size_t(grid.columns))};
}

int SheetsFor(std::size_t tiles, SheetGrid grid) { return int((tiles + std::size_t(grid.Cells()) - 1) / std::size_t(grid.Cells())); }

} // namespace

std::optional<SheetGrid> ParseGrid(const std::string& text, int most)
{
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return std::nullopt;
    const auto columns = fw::ParseDecimalInteger(text.substr(0, x)), rows = fw::ParseDecimalInteger(text.substr(x + 1));
    if (!columns || !rows || *columns < 1 || *rows < 1 || *columns > most || *rows > most)
        return std::nullopt;
    return SheetGrid{int(*columns), int(*rows)};
}

void TileBoard::Take(int index, double seconds, const media::Image& still)
{
    media::Image scratch;
    const media::Image& rgb = media::AsRgb24(still, scratch);
    Tile tile{index, seconds, m_sheets ? Shrunk(rgb, kSheetTileSide) : media::Image{},
              m_sprites ? Shrunk(rgb, kSpriteTileSide) : media::Image{}};
    std::lock_guard lock(m_mutex);
    m_tiles[index] = std::move(tile);
}

std::vector<Tile> TileBoard::InOrder()
{
    std::lock_guard lock(m_mutex);
    std::vector<Tile> tiles;
    for (auto& [index, tile] : m_tiles)
        tiles.push_back(std::move(tile));
    m_tiles.clear();
    return tiles;
}

std::string HeaderLine(const MovieFacts& movie)
{
    char fps[32] = "";
    if (movie.fps > 0)
        std::snprintf(fps, sizeof fps, " · %.5g fps", movie.fps);
    std::string line = movie.name;
    line.append(" · ").append(ClockText(movie.duration)).append(" · ").append(std::to_string(movie.width));
    return line.append(" × ").append(std::to_string(movie.height)).append(fps);
}

std::vector<media::Image> ComposeSheets(const std::vector<Tile>& tiles, SheetGrid grid, const MovieFacts& movie,
                                        std::vector<std::vector<Cell>>* cells)
{
    std::vector<media::Image> sheets;
    if (!grid.Given() || tiles.empty())
        return sheets;
    media::TextPainter header(kHeaderPixels), label(kLabelPixels);
    const media::Size cell = CellSize(tiles, [](const Tile& t) -> const media::Image& { return t.sheet; });
    const int headerHeight = std::max(header.LineHeight(), kHeaderPixels + 4);
    const int labelHeight = std::max(label.LineHeight(), kLabelPixels + 4) + 4;
    const int width = 2 * kMargin + grid.columns * cell.width + (grid.columns - 1) * kGap;
    const std::string headerText = FittedHeader(header, movie, width - 2 * kMargin);
    for (int s = 0; s < SheetsFor(tiles.size(), grid); ++s) {
        const auto [first, count, rows] = SliceOf(s, tiles.size(), grid);
        const int top = kMargin + headerHeight + kGap;
        media::Image sheet = Blank(width, top + rows * (cell.height + labelHeight) + (rows - 1) * kGap + kMargin);
        if (sheet.Empty())
            return {};
        header.Draw(sheet, kMargin, kMargin + header.Ascent(), headerText, kInk);
        std::vector<Cell> placed;
        for (std::size_t k = 0; k < count; ++k) {
            const Tile& tile = tiles[first + k];
            Cell c{kMargin + int(k % std::size_t(grid.columns)) * (cell.width + kGap),
                   top + int(k / std::size_t(grid.columns)) * (cell.height + labelHeight + kGap), cell.width,
                   cell.height, 0};
            Paste(sheet, tile.sheet, c.x + (cell.width - tile.sheet.width) / 2, c.y + (cell.height - tile.sheet.height) / 2);
            const std::string time = ClockText(tile.seconds);
            c.labelBaseline = c.y + cell.height + 4 + label.Ascent();
            label.Draw(sheet, c.x + (cell.width - label.Width(time)) / 2, c.labelBaseline, time, kInk);
            placed.push_back(c);
        }
        sheets.push_back(std::move(sheet));
        if (cells)
            cells->push_back(std::move(placed));
    }
    return sheets;
}

int SpriteSheetCount(std::size_t tiles, SheetGrid grid) { return grid.Given() ? SheetsFor(tiles, grid) : 0; }

Sprites ComposeSprites(const std::vector<Tile>& tiles, SheetGrid grid, const std::vector<std::string>& names,
                       double duration)
{
    Sprites sprites;
    sprites.vtt = "WEBVTT\n";
    const int count = SpriteSheetCount(tiles.size(), grid);
    if (count == 0 || int(names.size()) < count)
        return sprites;
    const media::Size cell = CellSize(tiles, [](const Tile& t) -> const media::Image& { return t.sprite; });
    for (int s = 0; s < count; ++s) {
        const auto [first, n, rows] = SliceOf(s, tiles.size(), grid);
        media::Image sheet = Blank(grid.columns * cell.width, rows * cell.height);
        if (sheet.Empty())
            return {};
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = first + k;
            const Tile& tile = tiles[i];
            const int x = int(k % std::size_t(grid.columns)) * cell.width, y = int(k / std::size_t(grid.columns)) * cell.height;
            Paste(sheet, tile.sprite, x, y);
            // A cue lasts until the next still is shown; the last one, until the movie ends.
            const double end = i + 1 < tiles.size() ? tiles[i + 1].seconds : std::max(duration, tile.seconds + 0.001);
            sprites.vtt.append("\n").append(ClockText(tile.seconds)).append(" --> ").append(ClockText(end));
            sprites.vtt.append("\n").append(names[std::size_t(s)]).append("#xywh=").append(std::to_string(x));
            sprites.vtt.append(",").append(std::to_string(y)).append(",").append(std::to_string(tile.sprite.width));
            sprites.vtt.append(",").append(std::to_string(tile.sprite.height)).append("\n");
        }
        sprites.pictures.push_back(std::move(sheet));
    }
    return sprites;
}

namespace {

// folder/clip_sheet001.jpg ...
std::vector<std::string> SheetNames(const SheetRequest& r, const char* kind, int count)
{
    const std::string stem = std::filesystem::path(r.movie).stem().string();
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", i);
        names.push_back(stem + "_" + kind + number + OutputExtension(r.picture));
    }
    return names;
}

media::Result<void> SavePictures(const SheetRequest& r, const std::vector<media::Image>& pictures,
                                 const std::vector<std::string>& names, std::vector<std::string>& written)
{
    for (std::size_t i = 0; i < pictures.size() && i < names.size(); ++i) {
        media::ImageEditor editor;
        editor.SetImage(pictures[i]);
        const std::string path = r.folder + "/" + names[i];
        MEDIA_TRY(editor.Save(path, r.picture.format, SaveOptionsOf(r.picture)));
        written.push_back(path);
    }
    return {};
}

} // namespace

media::Result<std::vector<std::string>> WriteSheets(const SheetRequest& r, const std::vector<Tile>& tiles)
{
    std::vector<std::string> written;
    if (r.sheet.Given()) {
        const std::vector<media::Image> sheets = ComposeSheets(tiles, r.sheet, r.facts);
        MEDIA_TRY(SavePictures(r, sheets, SheetNames(r, "sheet", int(sheets.size())), written));
    }
    if (r.sprite.Given() && !tiles.empty()) {
        const std::vector<std::string> names = SheetNames(r, "sprite", SpriteSheetCount(tiles.size(), r.sprite));
        const Sprites sprites = ComposeSprites(tiles, r.sprite, names, r.facts.duration);
        MEDIA_TRY(SavePictures(r, sprites.pictures, names, written));
        const std::string track = r.folder + "/" + std::filesystem::path(r.movie).stem().string() + ".vtt";
        std::string why;
        if (!fw::WriteFileAtomically(track, sprites.vtt, &why))
            return media::Fail(media::FailureKind::WriteFailed, why).Prefixed(track + ": ");
        written.push_back(track);
    }
    return written;
}

} // namespace conv
