#pragma once
// The MIME types of a table of rows (picture formats, movie containers), each
// followed by ';', as a desktop entry lists them.
#include <string>

namespace media {

template <class Rows>
std::string MimeTypeList(const Rows& rows)
{
    std::string list;
    for (const auto& row : rows)
        for (const char* type : row.mimeTypes)
            if (type)
                list.append(type).append(";");
    return list;
}

} // namespace media
