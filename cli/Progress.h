#pragma once
// What the converter says on stderr while it works: a progress bar with rate and
// time left on a terminal, nothing per file otherwise; failures always by name; a
// summary at the end, after every file that two sources were written to.
#include "cli/Pipeline.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace cli {

// "a/IMG_1.png and b/IMG_1.png were both written as out/IMG_1.png; the later one is kept"
std::string ClashText(const conv::NameClash& clash);

class Progress {
public:
    Progress(std::FILE* out, bool terminal, bool quiet);
    void Update(const Outcome& outcome, int total);
    // A movie's pictures looked at before its run (--sharpest, --dedup): `done` of `total`.
    void Looking(int done, int total);
    // Another movie of the run begins: the bar counts its pictures afresh.
    void NextPart();
    void Summary(const RunTotals& totals, const std::string& folder);

private:
    std::FILE* m_out;
    bool m_terminal;
    bool m_quiet;
    bool m_barShown = false;
    int m_done = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_partStart; // of the movie the bar counts
    std::chrono::steady_clock::time_point m_lastDraw;
    std::chrono::steady_clock::time_point m_lookStart;

    double Elapsed(std::chrono::steady_clock::time_point since) const;
    void ClearBar();
    void DrawBar(int done, int total, std::chrono::steady_clock::time_point since, const char* what);
};

} // namespace cli
