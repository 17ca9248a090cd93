#pragma once
// Path pieces on this platform's terms: "/" is the only separator.
#include <string>
#include <string_view>

namespace fw {

// The extension, dot included: the part from the last "." that comes after the
// last "/". Empty when there is none.
std::string ExtractFileExt(std::string_view path);

// The part after the last "/".
std::string ExtractFileName(std::string_view path);

// The folder part, without its trailing "/" (except for the root "/" itself).
std::string ExtractFileDir(std::string_view path);

// `path` without a trailing "/" (one character, scanned as UTF-8); "/" alone stays.
std::string WithoutTrailingSeparator(std::string_view path);

// `path` with its extension replaced by `ext` (appended when there is none).
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// ASCII-case-insensitive equality, as extensions and INI names are compared.
bool SameTextAscii(std::string_view a, std::string_view b);

// True when `path` names an existing regular file (or a link to one).
bool FileExists(const std::string& path);

} // namespace fw
