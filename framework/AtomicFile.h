#pragma once
#include <string>
#include <string_view>

namespace fw {

// Writes `data` to `path` so that the file is either the old one or the complete
// new one, never half written: a temporary file in the same folder, renamed over
// the target when complete. With `durable` the data is flushed to the disk before
// the rename, so that even a power cut leaves one or the other; without it a
// crash of the program still does. An existing file's permissions are kept. On
// failure returns false with a reason in `error`; the old file is untouched.
enum class Durability { Flushed, ProcessSafe };
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr,
                         Durability durability = Durability::Flushed);

} // namespace fw
