#pragma once
// The settings file: a classic INI text file. It is read once, on the first read,
// and looked up from memory; each write replaces the file once, atomically, with
// every key it is given. Section and key names match without regard to letter
// case; the first section of a name counts; a UTF-8 byte-order mark is passed
// over; lines, keys and sections nobody asked about are kept byte for byte.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fw {

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

class TIniFile {
public:
    // Longest string value handed out, in bytes (cut on a character boundary).
    static constexpr std::size_t kMaxValueBytes = 2047;
    // Files beyond this size are read only up to it and are never rewritten.
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    explicit TIniFile(std::string fileName) : m_fileName(std::move(fileName)) {}
    TIniFile(const TIniFile&) = delete; // its index points into its own copy of the file
    TIniFile& operator=(const TIniFile&) = delete;
    const std::string& FileName() const { return m_fileName; }

    // Missing file, section or key: the default. A key with an empty value reads "".
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // A value that is not a whole number (see ParseInteger) counts as absent.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;

    // Replaces each key's value in place, or appends the key to its section, or
    // appends the section, creating the file: one atomic replacement, flushed. Throws
    // fw::Exception "<path> に書き込めません" when the file cannot be written.
    void Write(const std::vector<IniEntry>& entries);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

private:
    const std::string* Content() const; // null when the file cannot be read
    void Index() const;

    std::string m_fileName;
    mutable bool m_loaded = false;
    mutable int m_readResult = 0;
    mutable std::string m_content;
    mutable std::unordered_map<std::string, std::string_view> m_index;
    mutable bool m_indexComplete = true;
};

// The text-level operations behind TIniFile, on a file's content.
std::optional<std::string> IniLookup(std::string_view content, std::string_view section, std::string_view key);
std::string IniApply(std::string_view content, const std::vector<IniEntry>& entries);
std::string IniUpdate(std::string_view content, std::string_view section, std::string_view key, std::string_view value);

} // namespace fw
