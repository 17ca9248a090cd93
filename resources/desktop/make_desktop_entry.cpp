// Fills the desktop entry's and the AppStream file's templates with what the picture
// formats' rows say (the names of those read and of those written in a sentence, as
// keywords, and their MIME types) and what the movie containers' rows say (names and
// MIME types). Run at build time, so both list the formats the program really reads
// and writes.
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
    // AppStream's <provides>: a <mediatype> line for each MIME type of the lists.
    std::string mediaTypes;
    const std::string types = media::MovieMimeTypes() + media::PictureMimeTypes();
    for (std::size_t at = 0, end; (end = types.find(';', at)) != std::string::npos; at = end + 1)
        mediaTypes += "    <mediatype>" + types.substr(at, end - at) + "</mediatype>\n";
    const std::pair<std::string, std::string> fills[] = {
        {"@PICTURE_FORMATS@", media::FormatNames(", ", " or ")},
        {"@WRITTEN_FORMATS@", media::FormatNames(", ", " or ", &media::FormatRow::name, true)},
        {"@WRITTEN_FORMATS_JA@", media::FormatNames("・", "・", &media::FormatRow::name, true)},
        {"@PICTURE_KEYWORDS@", media::FormatNames(";", ";") + ";"},
        {"@MOVIE_CONTAINERS@", media::ContainerNames(", ")},
        {"@MEDIA_TYPES@", mediaTypes},
        {"@PICTURE_MIME_TYPES@", media::PictureMimeTypes()},
        {"@MOVIE_MIME_TYPES@", media::MovieMimeTypes()},
    };
    for (const auto& [mark, value] : fills)
        for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + value.size()))
            out.replace(at, mark.size(), value);
    std::cout << out;
    return std::cout ? 0 : 1;
}
