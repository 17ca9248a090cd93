#include "framework/Paths.h"

#include "framework/MbScan.h"

#include <sys/stat.h>

namespace fw {

namespace {
std::size_t NameStart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::size_t ExtStart(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < NameStart(path))
        return path.size();
    return dot;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
} // namespace

std::string ExtractFileExt(std::string_view path)
{
    return std::string(path.substr(ExtStart(path)));
}

std::string ExtractFileName(std::string_view path)
{
    return std::string(path.substr(NameStart(path)));
}

std::string ExtractFileDir(std::string_view path)
{
    const std::size_t start = NameStart(path);
    if (start == 0)
        return {};
    if (start == 1)
        return "/";
    return std::string(path.substr(0, start - 1));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext)
{
    std::string out(path.substr(0, ExtStart(path)));
    out += ext;
    return out;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace fw

namespace fw {

std::string WithoutTrailingSeparator(std::string_view path)
{
    const std::size_t last = LastCharStart(path);
    if (path.size() > 1 && last == path.size() - 1 && path[last] == '/')
        path.remove_suffix(1);
    return std::string(path);
}

} // namespace fw
