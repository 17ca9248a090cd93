#pragma once
#include <string>
#include <string_view>

namespace fw {

// Writes `data` to `path` so that the file is either the old one or the complete
// new one, never half written: the data goes into an unnamed file in the same
// folder (or, where the file system has none, a short hidden one named
// ".pomi-<pid>-<random>.tmp"), which is renamed over the target when complete. With
// `durable` the data is flushed to the disk before the rename, so that even a power
// cut leaves one or the other; without it a crash of the program still does. A new
// file gets 0666 less the umask (applied by the kernel, the process's umask is never
// touched); an existing file's permissions are kept. On failure returns false with
// the system's reason in `error` (it never names a temporary file); the old file is
// untouched and nothing is left behind.
enum class Durability { Flushed, ProcessSafe };
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr,
                         Durability durability = Durability::Flushed);

// True when a file can be created in `folder`; else false with the system's reason.
// Nothing is left behind.
bool CanCreateFilesIn(const std::string& folder, std::string& reason);

// True for a name this program gives its temporary files.
bool IsTemporaryName(std::string_view fileName);

// Removes the temporary files in `folder` that a killed run of this program left
// behind: ours by name, and older than this process. Returns how many.
int RemoveStaleTemporaries(const std::string& folder);

} // namespace fw
