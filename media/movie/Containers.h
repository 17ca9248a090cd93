#pragma once
// The containers movies come in, one row each: the names their files have, the MIME
// types the desktop gives them, and what --help calls them. A movie is read by its
// content whatever its name; these rows say which names are taken for movies (the
// window's dialog and drops, the command line, the desktop's "Open with"). A
// container is one row here, and nothing else.
#include "media/MimeTypeList.h"

#include <string>
#include <vector>

namespace media {

struct ContainerRow {
    const char* name;           // in --help's list; null where another row's name covers it
    const char* extensions[4];  // with the dot, lower case; unused places null
    const char* mimeTypes[4];   // unused places null
};

inline constexpr ContainerRow kContainerRows[] = {
    {"AVI", {".avi"}, {"video/x-msvideo", "video/avi", "video/msvideo"}},
    {"MP4", {".mp4", ".m4v"}, {"video/mp4", "video/x-m4v"}},
    {"MOV", {".mov"}, {"video/quicktime"}},
    {nullptr, {".3gp", ".3g2"}, {"video/3gpp", "video/3gpp2"}}, // MP4's phone variant
    {"MKV", {".mkv"}, {"video/x-matroska"}},
    {"WebM", {".webm"}, {"video/webm"}},
    {"MPEG-TS", {".ts", ".m2ts", ".mts"}, {"video/mp2t"}},
    {"MPEG-PS", {".mpg", ".mpeg", ".vob"}, {"video/mpeg"}},
    {"FLV", {".flv"}, {"video/x-flv"}},
    {"WMV", {".asf", ".wmv"}, {"video/x-ms-asf", "video/x-ms-wmv"}},
    {"Ogg", {".ogv"}, {"video/ogg"}},
    {"DV", {".dv", ".dif"}, {"video/dv"}}, // camcorders' tapes, copied as they were recorded
};

// Every movie extension, in the rows' order.
inline std::vector<std::string> MovieExtensions()
{
    std::vector<std::string> all;
    for (const ContainerRow& row : kContainerRows)
        for (const char* ext : row.extensions)
            if (ext)
                all.emplace_back(ext);
    return all;
}

// The containers' names, joined by `separator`.
inline std::string ContainerNames(const std::string& separator)
{
    std::string names;
    for (const ContainerRow& row : kContainerRows)
        if (row.name)
            names.append(names.empty() ? "" : separator).append(row.name);
    return names;
}

// Every movie MIME type, each followed by ';' (a desktop entry's list).
inline std::string MovieMimeTypes() { return MimeTypeList(kContainerRows); }

} // namespace media
