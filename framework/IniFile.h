#pragma once
// The settings file: a classic INI text file read and written key by key, each
// operation opening and updating the file by itself. Section and key names match
// without regard to letter case; lines, keys and sections nobody asked about are
// kept byte for byte when a key is written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

class TIniFile {
public:
    // Longest string value handed out, in bytes (cut on a character boundary).
    static constexpr std::size_t kMaxValueBytes = 2047;
    // Files beyond this size are read only up to it and are never rewritten.
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    explicit TIniFile(std::string fileName) : m_fileName(std::move(fileName)) {}
    const std::string& FileName() const { return m_fileName; }

    // Missing file, section or key: the default. A key with an empty value reads "".
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // A value that is not a whole number (see ParseInteger) counts as absent.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;

    // Replaces the key's value in place, or appends the key to its section, or
    // appends the section, creating the file. Written atomically. Throws
    // fw::Exception "<path> に書き込めません" when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

private:
    std::string m_fileName;
};

// The text-level operations behind TIniFile, on a file's content.
std::optional<std::string> IniLookup(std::string_view content, std::string_view section, std::string_view key);
std::string IniUpdate(std::string_view content, std::string_view section, std::string_view key, std::string_view value);

} // namespace fw
