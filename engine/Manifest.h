#pragma once
// The record of a run (--manifest): every file written, with what it was made from and
// the SHA-256 of its bytes, and every failure with its reason; CSV or JSON by the
// file's extension, written whole or not at all.
#include "engine/Pipeline.h"

#include <string>
#include <vector>

namespace conv {

// True when `path` names a manifest this writes (.csv, .json or .jsonl, letter case
// ignored).
bool IsManifestName(const std::string& path);
// JSON Lines (.jsonl): one object a line, appended movie by movie.
bool IsManifestLines(const std::string& path);

// The status of the line that ends a movie's lines in a JSON Lines record: the
// movie's record is complete.
inline constexpr const char* kMovieDone = "movie done";

// The SHA-256 of the file's bytes in hex, empty when it cannot be read.
std::string Sha256Of(const std::string& path);

// Writes the run's outcomes (in the run's order) to `path`: each file written, each
// that was there already (its bytes' SHA-256 as they are), each failure; a run that
// was stopped (`cutOff`) says so in a last entry. False with the reason.
bool WriteManifest(const std::string& path, const std::vector<conv::Outcome>& outcomes, std::string& error,
                   bool cutOff = false);

// Appends the outcomes to the JSON Lines record at `path` (made when missing), in the
// JSON manifest's fields, and, with `movieDone` named, the line saying that movie's
// record is complete. The block goes in one write and is flushed; what was there
// stays as it was. False with the reason.
bool AppendManifestLines(const std::string& path, const std::vector<conv::Outcome>& outcomes,
                         const std::string& movieDone, std::string& error);

} // namespace conv
