#pragma once
#include <string>
#include <string_view>

namespace fw {

// Writes `data` to `path` so that the file is either the old one or the complete
// new one, never half written: a temporary file in the same folder, flushed to
// disk, then renamed over the target. An existing file's permissions are kept.
// On failure returns false with a reason in `error`; the old file is untouched.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr);

} // namespace fw
