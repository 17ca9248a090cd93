#pragma once
// Small text helpers the tests share.
#include <string>

// `text` with every `from` replaced by `to`.
inline std::string ReplacedAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}
