#pragma once
// The record of a run (--manifest): every file written, with what it was made from and
// the SHA-256 of its bytes, and every failure with its reason; CSV or JSON by the
// file's extension, written whole or not at all.
#include "engine/Pipeline.h"

#include <string>
#include <vector>

namespace conv {

// True when `path` names a manifest this writes (.csv or .json, letter case ignored).
bool IsManifestName(const std::string& path);

// Writes the run's outcomes (in the run's order) to `path`: each file written, each
// that was there already (its bytes' SHA-256 as they are), each failure; a run that
// was stopped (`cutOff`) says so in a last entry. False with the reason.
bool WriteManifest(const std::string& path, const std::vector<conv::Outcome>& outcomes, std::string& error,
                   bool cutOff = false);

} // namespace conv
