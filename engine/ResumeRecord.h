#pragma once
// What a JSON Lines record (see Manifest) says of the movies it lists, for a run that
// resumes: a movie whose lines end in its "movie done" line, each file it lists there
// with the SHA-256 recorded, is done and need not be opened again. Lines cut short by a
// killed run, or that are no record's lines, are passed over.
#include <map>
#include <string>

namespace conv {

struct RecordedMovie {
    bool complete = false; // its "movie done" line is there
    bool filesThere = true; // every file it lists is there with its recorded SHA-256
};

// The movies the record at `path` lists, by their source as written; none when there is
// no such file.
std::map<std::string, RecordedMovie> ReadRecordedMovies(const std::string& path);

} // namespace conv
