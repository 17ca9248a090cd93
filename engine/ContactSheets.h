#pragma once
// Contact sheets and sprite sheets of a movie's stills. The workers hand each still,
// as it is made, to a TileBoard, which keeps it small; once the movie is done the
// tiles are laid out COLS × ROWS a sheet in the run's order: a contact sheet with the
// movie's facts on top and each still's time under it, or a sprite sheet of bare
// tiles with a WebVTT file whose cues point into it (a web player's thumbnail track).
#include "engine/PictureSettings.h"
#include "media/Result.h"
#include "media/image/Image.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace conv {

// So many stills across, so many down.
struct SheetGrid {
    int columns = 0, rows = 0;
    bool Given() const { return columns > 0 && rows > 0; }
    int Cells() const { return columns * rows; }
};

// The most stills a contact sheet has a side, and a sprite sheet.
inline constexpr int kMostSheetSide = 20, kMostSpriteSide = 50;

// "COLSxROWS", each from 1 to `most`; nothing when it is not that.
std::optional<SheetGrid> ParseGrid(const std::string& text, int most);

// A contact sheet's tiles are the stills at most this long a side; a sprite's, this.
inline constexpr int kSheetTileSide = 320;
inline constexpr int kSpriteTileSide = 160;

struct Tile {
    int index = 0;      // the still's place in the run
    double seconds = 0; // its presentation time
    media::Image sheet, sprite; // 24-bit colour, empty where not wanted
};

// The run's stills, kept as tiles; Take is called from every worker at once.
class TileBoard {
public:
    TileBoard(bool sheets, bool sprites) : m_sheets(sheets), m_sprites(sprites) {}
    void Take(int index, double seconds, const media::Image& still);
    // The tiles in the run's order (taken out of the board).
    std::vector<Tile> InOrder();

private:
    bool m_sheets, m_sprites;
    std::mutex m_mutex;
    std::map<int, Tile> m_tiles;
};

// What a contact sheet's header says of the movie.
struct MovieFacts {
    std::string name;
    double duration = 0;
    int width = 0, height = 0;
    double fps = 0;
};

// "clip.avi · 00:01:02.500 · 1920 × 1080 · 29.97 fps"
std::string HeaderLine(const MovieFacts& movie);

// Where a sheet's cell lies: the tile's box (the picture centred in it) and its label.
struct Cell {
    int x = 0, y = 0, width = 0, height = 0;
    int labelBaseline = 0;
};

// One contact sheet per grid's worth of tiles, the last one only as tall as its rows.
std::vector<media::Image> ComposeSheets(const std::vector<Tile>& tiles, SheetGrid grid, const MovieFacts& movie,
                                        std::vector<std::vector<Cell>>* cells = nullptr);

// The sprite sheets (tiles edge to edge) and the WebVTT text: one cue a still, from
// its time to the next one's (the last to `duration`), naming `names[sheet]` with
// #xywh=.
struct Sprites {
    std::vector<media::Image> pictures;
    std::string vtt;
};
int SpriteSheetCount(std::size_t tiles, SheetGrid grid);
Sprites ComposeSprites(const std::vector<Tile>& tiles, SheetGrid grid, const std::vector<std::string>& names,
                       double duration);

// What writing a movie's sheets takes: into `folder`, named after the movie's file
// (clip_sheet001.jpg, clip_sprite001.jpg, clip.vtt), encoded as `picture` asks.
struct SheetRequest {
    SheetGrid sheet, sprite;
    PictureSettings picture;
    std::string folder, movie;
    MovieFacts facts;
};

// Writes every sheet the tiles fill, and the sprites' track; the files written, in that
// order, or the first that could not be.
media::Result<std::vector<std::string>> WriteSheets(const SheetRequest& request, const std::vector<Tile>& tiles);

} // namespace conv
