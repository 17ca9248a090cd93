#include "framework/IniFile.h"

#include "framework/AtomicFile.h"
#include "framework/Exception.h"
#include "framework/MbScan.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <fstream>
#include <vector>

namespace fw {

namespace {

struct Line {
    std::string_view text;   // without its line end
    std::string_view ending; // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view content)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const std::size_t nl = content.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back({content.substr(pos), {}});
            break;
        }
        std::size_t end = nl;
        if (end > pos && content[end - 1] == '\r')
            --end;
        lines.push_back({content.substr(pos, end - pos), content.substr(end, nl + 1 - end)});
        pos = nl + 1;
    }
    return lines;
}

std::string_view Trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const std::size_t close = line.find(']');
    return Trim(close == std::string_view::npos ? line : line.substr(0, close));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyValue> SplitKeyValue(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyValue{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Where a section lives in the line list: its header and its last non-blank line.
struct SectionSpan {
    std::size_t header = 0;
    std::size_t lastContent = 0;
    std::size_t end = 0; // one past its last line
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (!name || !SameTextAscii(*name, section))
            continue;
        SectionSpan span{i, i, lines.size()};
        for (std::size_t j = i + 1; j < lines.size(); ++j) {
            if (SectionName(lines[j].text)) {
                span.end = j;
                break;
            }
            if (!Trim(lines[j].text).empty())
                span.lastContent = j;
        }
        return span;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, const SectionSpan& span, std::string_view key)
{
    for (std::size_t j = span.header + 1; j < span.end; ++j) {
        const auto kv = SplitKeyValue(lines[j].text);
        if (kv && SameTextAscii(kv->key, key))
            return j;
    }
    return std::nullopt;
}

// A value written into a line must not end that line early.
std::string_view SingleLine(std::string_view value)
{
    const std::size_t stop = value.find_first_of("\r\n");
    return stop == std::string_view::npos ? value : value.substr(0, stop);
}

std::string_view PreferredEnding(const std::vector<Line>& lines)
{
    for (const auto& l : lines)
        if (!l.ending.empty())
            return l.ending;
    return "\n";
}

enum class ReadResult { Ok, Missing, TooLarge };

ReadResult ReadWholeFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ReadResult::Missing;
    out.clear();
    char buf[65536];
    while (in) {
        in.read(buf, sizeof buf);
        out.append(buf, static_cast<std::size_t>(in.gcount()));
        if (out.size() > TIniFile::kMaxFileBytes) {
            out.resize(TIniFile::kMaxFileBytes);
            return ReadResult::TooLarge;
        }
    }
    return ReadResult::Ok;
}

} // namespace

std::optional<std::string> IniLookup(std::string_view content, std::string_view section, std::string_view key)
{
    const auto lines = SplitLines(content);
    const auto span = FindSection(lines, section);
    if (!span)
        return std::nullopt;
    const auto at = FindKey(lines, *span, key);
    if (!at)
        return std::nullopt;
    return std::string(Unquote(SplitKeyValue(lines[*at].text)->value));
}

std::string IniUpdate(std::string_view content, std::string_view section, std::string_view key, std::string_view value)
{
    value = SingleLine(value);
    const auto lines = SplitLines(content);
    const std::string_view nl = PreferredEnding(lines);
    std::string out;
    out.reserve(content.size() + key.size() + value.size() + section.size() + 8);
    const auto appendLines = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            out += lines[i].text;
            out += lines[i].ending;
        }
    };
    const auto span = FindSection(lines, section);
    if (!span) {
        out.append(content);
        if (!content.empty() && content.back() != '\n')
            out += nl;
        out += "[";
        out += section;
        out += "]";
        out += nl;
        out += key;
        out += "=";
        out += value;
        out += nl;
        return out;
    }
    if (const auto at = FindKey(lines, *span, key)) {
        appendLines(0, *at);
        out += SplitKeyValue(lines[*at].text)->key; // the file's own spelling stays
        out += "=";
        out += value;
        out += lines[*at].ending.empty() ? nl : lines[*at].ending;
        appendLines(*at + 1, lines.size());
        return out;
    }
    const std::size_t after = span->lastContent;
    appendLines(0, after + 1);
    if (lines[after].ending.empty())
        out += nl;
    out += key;
    out += "=";
    out += value;
    out += nl;
    appendLines(after + 1, lines.size());
    return out;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    std::string content;
    if (ReadWholeFile(m_fileName, content) == ReadResult::Missing)
        return std::string(def);
    auto value = IniLookup(content, section, key);
    if (!value)
        return std::string(def);
    return std::string(CutAtCharBoundary(*value, kMaxValueBytes));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    const std::string text = ReadString(section, key, "");
    return ParseInteger(text).value_or(def);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string failure = m_fileName + " に書き込めません";
    std::string content;
    const ReadResult r = ReadWholeFile(m_fileName, content);
    if (r == ReadResult::TooLarge)
        throw Exception(failure);
    if (r == ReadResult::Missing) {
        content.clear();
        if (FileExists(m_fileName)) // present but unreadable: do not replace it blindly
            throw Exception(failure);
    }
    const std::string updated = IniUpdate(content, section, key, value);
    if (!WriteFileAtomically(m_fileName, updated))
        throw Exception(failure);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

} // namespace fw
