#include "framework/IniFile.h"

#include "framework/AtomicFile.h"
#include "framework/Exception.h"
#include "framework/MbScan.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unordered_set>
#include <vector>

namespace fw {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Beyond this many keys a file is hostile: lookups fall back to scanning it.
constexpr std::size_t kMaxIndexedKeys = 100000;

struct Line {
    std::string_view text;   // without its line end
    std::string_view ending; // "\n", "\r\n" or "" for a last line without one
};

// Walks the lines of a file's content one at a time, without a list of them (a file
// of 64 MiB of line breaks must cost no more than its bytes).
class LineWalker {
public:
    explicit LineWalker(std::string_view content) : m_rest(content) {}
    // Passes over blank lines in one sweep (a file of nothing but line breaks costs
    // one scan of its bytes).
    void SkipLineBreaks()
    {
        std::size_t i = 0;
        while (i < m_rest.size() && (m_rest[i] == '\n' || m_rest[i] == '\r'))
            ++i;
        m_rest.remove_prefix(i);
    }

    bool Next(Line& line)
    {
        if (m_rest.empty())
            return false;
        const std::size_t nl = m_rest.find('\n');
        if (nl == std::string_view::npos) {
            line = {m_rest, {}};
            m_rest = {};
            return true;
        }
        std::size_t end = nl;
        if (end > 0 && m_rest[end - 1] == '\r')
            --end;
        line = {m_rest.substr(0, end), m_rest.substr(end, nl + 1 - end)};
        m_rest.remove_prefix(nl + 1);
        return true;
    }

private:
    std::string_view m_rest;
};

std::string_view WithoutMark(std::string_view content)
{
    if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        content.remove_prefix(kByteOrderMark.size());
    return content;
}

std::string_view Trim(std::string_view s)
{
    // A carriage return is blank too: a last line "[name]\r" without its line feed
    // must mean what it means once a rewrite has added the feed.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
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

// A value with a NUL byte is no text: it counts as absent.
std::optional<std::string> ValueOf(std::string_view raw)
{
    const std::string_view v = Unquote(raw);
    if (v.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(v);
}

std::string Folded(std::string_view section, std::string_view key)
{
    std::string out;
    out.reserve(section.size() + key.size() + 1);
    for (char c : section)
        out += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    out += '\0';
    for (char c : key)
        out += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

// A value written into a line must not end that line early.
std::string_view SingleLine(std::string_view value)
{
    const std::size_t stop = value.find_first_of("\r\n");
    return stop == std::string_view::npos ? value : value.substr(0, stop);
}

std::string_view PreferredEnding(std::string_view content)
{
    const std::size_t nl = content.find('\n');
    if (nl == std::string_view::npos)
        return "\n";
    return nl > 0 && content[nl - 1] == '\r' ? "\r\n" : "\n";
}

enum class ReadResult { Ok, Missing, TooLarge };

ReadResult ReadWholeFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ReadResult::Missing;
    out.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size > 0)
        out.reserve(std::min<std::size_t>(std::size_t(size), TIniFile::kMaxFileBytes + 1));
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
    // Only the first section of the name counts.
    LineWalker lines(WithoutMark(content));
    Line line;
    bool inside = false, seen = false;
    while (lines.Next(line)) {
        if (const auto name = SectionName(line.text)) {
            if (inside)
                return std::nullopt;
            inside = !seen && SameTextAscii(*name, section);
            seen = seen || inside;
            continue;
        }
        if (!inside)
            continue;
        const auto kv = SplitKeyValue(line.text);
        if (kv && SameTextAscii(kv->key, key))
            return ValueOf(kv->value);
    }
    return std::nullopt;
}

namespace {

// The edits of one section, in the order first named; a later edit of a key wins.
struct SectionEdits {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
    std::vector<bool> done;
    bool seen = false;
};

std::vector<SectionEdits> EditsBySection(const std::vector<IniEntry>& entries)
{
    std::vector<SectionEdits> sections;
    for (const IniEntry& e : entries) {
        auto s = std::find_if(sections.begin(), sections.end(),
                              [&](const SectionEdits& x) { return SameTextAscii(x.name, e.section); });
        if (s == sections.end())
            s = sections.insert(sections.end(), SectionEdits{e.section, {}, {}, false});
        auto k = std::find_if(s->keys.begin(), s->keys.end(),
                              [&](const auto& x) { return SameTextAscii(x.first, e.key); });
        if (k == s->keys.end())
            s->keys.emplace_back(e.key, std::string(SingleLine(e.value)));
        else
            k->second = std::string(SingleLine(e.value));
    }
    for (SectionEdits& s : sections)
        s.done.assign(s.keys.size(), false);
    return sections;
}

} // namespace

std::string IniApply(std::string_view content, const std::vector<IniEntry>& entries)
{
    std::vector<SectionEdits> sections = EditsBySection(entries);
    const std::string_view nl = PreferredEnding(content);
    std::string out;
    out.reserve(content.size() + 256);
    if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        out += kByteOrderMark;
        content.remove_prefix(kByteOrderMark.size());
    }
    SectionEdits* current = nullptr;
    std::string heldBlanks; // blank lines inside a section, placed after its new keys
    const auto endLine = [&]() {
        if (!out.empty() && out.back() != '\n')
            out += nl;
    };
    const auto closeSection = [&]() {
        if (current) {
            for (std::size_t i = 0; i < current->keys.size(); ++i)
                if (!current->done[i]) {
                    endLine();
                    out += current->keys[i].first + "=" + current->keys[i].second;
                    out += nl;
                }
        }
        out += heldBlanks;
        heldBlanks.clear();
        current = nullptr;
    };
    LineWalker lines(content);
    Line line;
    while (lines.Next(line)) {
        if (const auto name = SectionName(line.text)) {
            closeSection();
            for (SectionEdits& s : sections)
                if (!s.seen && SameTextAscii(s.name, *name)) {
                    s.seen = true;
                    current = &s;
                    break;
                }
            out += line.text;
            out += line.ending;
            continue;
        }
        if (current && Trim(line.text).empty()) {
            heldBlanks += line.text;
            heldBlanks += line.ending;
            continue;
        }
        out += heldBlanks;
        heldBlanks.clear();
        const auto kv = current ? SplitKeyValue(line.text) : std::nullopt;
        std::size_t i = 0;
        if (kv)
            while (i < current->keys.size() && !SameTextAscii(current->keys[i].first, kv->key))
                ++i;
        if (kv && i < current->keys.size() && !current->done[i]) {
            out += kv->key; // the file's own spelling stays
            out += "=";
            out += current->keys[i].second;
            out += line.ending.empty() ? nl : line.ending;
            current->done[i] = true;
            continue;
        }
        out += line.text;
        out += line.ending;
    }
    closeSection();
    for (SectionEdits& s : sections) {
        if (s.seen)
            continue;
        endLine();
        out += "[" + s.name + "]";
        out += nl;
        current = &s;
        closeSection();
    }
    return out;
}

std::string IniUpdate(std::string_view content, std::string_view section, std::string_view key, std::string_view value)
{
    return IniApply(content, {{std::string(section), std::string(key), std::string(value)}});
}

const std::string* TIniFile::Content() const
{
    if (!m_loaded) {
        m_loaded = true;
        m_readResult = int(ReadWholeFile(m_fileName, m_content));
        if (ReadResult(m_readResult) == ReadResult::Missing)
            m_content.clear();
        Index();
    }
    return ReadResult(m_readResult) == ReadResult::Missing ? nullptr : &m_content;
}

// One pass over the file: the first value of every key of the first section of
// each name.
void TIniFile::Index() const
{
    m_index.clear();
    m_indexComplete = true;
    std::unordered_set<std::string> sectionsSeen;
    std::string_view section;
    bool counting = false;
    LineWalker lines(WithoutMark(m_content));
    Line line;
    for (lines.SkipLineBreaks(); lines.Next(line); lines.SkipLineBreaks()) {
        if (const auto name = SectionName(line.text)) {
            counting = sectionsSeen.insert(Folded(*name, "")).second;
            section = *name;
        } else if (const auto kv = counting ? SplitKeyValue(line.text) : std::nullopt) {
            m_index.emplace(Folded(section, kv->key), kv->value); // the first stays
        }
        if (m_index.size() + sectionsSeen.size() > kMaxIndexedKeys) {
            m_indexComplete = false;
            m_index.clear();
            return;
        }
    }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const std::string* content = Content();
    if (!content)
        return std::string(def);
    std::optional<std::string> value;
    if (const auto it = m_index.find(Folded(section, key)); it != m_index.end())
        value = ValueOf(it->second);
    else if (!m_indexComplete)
        value = IniLookup(*content, section, key);
    if (!value)
        return std::string(def);
    return std::string(CutAtCharBoundary(*value, kMaxValueBytes));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    const std::string text = ReadString(section, key, "");
    return ParseInteger(text).value_or(def);
}

void TIniFile::Write(const std::vector<IniEntry>& entries)
{
    const std::string failure = m_fileName + " に書き込めません";
    m_loaded = false; // the file as it is now, not as it was read
    const std::string* content = Content();
    if (ReadResult(m_readResult) == ReadResult::TooLarge)
        throw Exception(failure);
    if (!content && FileExists(m_fileName)) // present but unreadable: do not replace it blindly
        throw Exception(failure);
    const std::string updated = IniApply(content ? *content : std::string(), entries);
    // The file's folder is made when the file is first written (a user's
    // configuration folder), never when it is only looked up or read.
    const std::string folder = ExtractFileDir(m_fileName);
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    RemoveStaleTemporaries(folder);
    if (!WriteFileAtomically(m_fileName, updated))
        throw Exception(failure);
    m_content = updated;
    m_readResult = int(ReadResult::Ok);
    Index();
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Write({{std::string(section), std::string(key), std::string(value)}});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

} // namespace fw
