// Fills the desktop entry's template with what the picture formats' rows say (their
// names in a sentence, as keywords, and their MIME types) and the movie containers'
// MIME types. Run at build time, so the menu entry lists the formats the program
// really reads.
#include "media/codecs/Formats.h"
#include "media/movie/Containers.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_desktop_entry TEMPLATE > FILE\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string out = text.str();
    const std::pair<std::string, std::string> fills[] = {
        {"@PICTURE_FORMATS@", media::FormatNames(", ", " or ")},
        {"@PICTURE_FORMATS_JA@", media::FormatNames("・", "・")},
        {"@PICTURE_KEYWORDS@", media::FormatNames(";", ";") + ";"},
        {"@PICTURE_MIME_TYPES@", media::PictureMimeTypes()},
        {"@MOVIE_MIME_TYPES@", media::MovieMimeTypes()},
    };
    for (const auto& [mark, value] : fills)
        for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + value.size()))
            out.replace(at, mark.size(), value);
    std::cout << out;
    return std::cout ? 0 : 1;
}
