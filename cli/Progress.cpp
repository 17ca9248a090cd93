#include "cli/Progress.h"

#include <string>

namespace cli {

Progress::Progress(std::FILE* out, bool terminal, bool quiet)
    : m_out(out), m_terminal(terminal), m_quiet(quiet), m_start(std::chrono::steady_clock::now()),
      m_partStart(m_start), m_lastDraw(m_start)
{
}

double Progress::Elapsed(std::chrono::steady_clock::time_point since) const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Progress::ClearBar()
{
    if (m_barShown)
        std::fputs("\r\033[K", m_out);
    m_barShown = false;
}

void Progress::DrawBar(int done, int total, std::chrono::steady_clock::time_point since, const char* what)
{
    constexpr int kWidth = 30;
    const double elapsed = Elapsed(since);
    const double rate = elapsed > 0 ? done / elapsed : 0;
    const int filled = total > 0 ? done * kWidth / total : kWidth;
    const int left = rate > 0 ? int((total - done) / rate + 0.5) : 0;
    std::string bar(std::size_t(filled), '#');
    bar.append(std::size_t(kWidth - filled), '.');
    std::fprintf(m_out, "\r\033[K%s[%s] %d/%d  %.1f/s  %d:%02d left", what, bar.c_str(), done, total, rate, left / 60,
                 left % 60);
    std::fflush(m_out);
    m_barShown = true;
}

void Progress::NextPart()
{
    ClearBar();
    m_done = 0;
    m_partStart = std::chrono::steady_clock::now();
}

void Progress::Update(const Outcome& outcome, int total)
{
    ++m_done;
    if (outcome.written.empty() && !outcome.existed && !outcome.repeats && !outcome.onSheet) {
        ClearBar();
        const std::string& why = outcome.error.empty() ? std::string("could not be converted") : outcome.error;
        // Most reasons already begin with the file's name.
        if (why.rfind(outcome.source + ": ", 0) == 0)
            std::fprintf(m_out, "pomi-pomira-convert: %s\n", why.c_str());
        else
            std::fprintf(m_out, "pomi-pomira-convert: %s: %s\n", outcome.source.c_str(), why.c_str());
    }
    if (!outcome.warning.empty()) {
        ClearBar();
        std::fprintf(m_out, "pomi-pomira-convert: %s: %s\n", outcome.source.c_str(), outcome.warning.c_str());
    }
    if (m_quiet || !m_terminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_done == total || now - m_lastDraw > std::chrono::milliseconds(100)) {
        m_lastDraw = now;
        DrawBar(m_done, total, m_partStart, "");
    }
}

void Progress::Looking(int done, int total)
{
    const auto now = std::chrono::steady_clock::now();
    if (done == 0)
        m_lookStart = now;
    if (done == total)
        m_partStart = now; // the pictures' rate counts from here
    if (m_quiet || !m_terminal)
        return;
    if (done == total || now - m_lastDraw > std::chrono::milliseconds(100)) {
        m_lastDraw = now;
        DrawBar(done, total, m_lookStart, "looking at the pictures ");
    }
}

std::string ClashText(const conv::NameClash& clash)
{
    std::string sources;
    const std::size_t n = clash.sources.size();
    for (std::size_t i = 0; i < n; ++i)
        sources += (i == 0 ? "" : i + 1 == n ? " and " : ", ") + clash.sources[i];
    return sources + (n == 2 ? " were both written as " : " were all written as ") + clash.target + "; the " +
           (n == 2 ? "later" : "last") + " one is kept";
}

void Progress::Summary(const RunTotals& totals, const std::string& folder)
{
    ClearBar();
    // Told like a failure, even when quiet: a file holds one of its sources only.
    for (const conv::NameClash& clash : conv::NameClashes(totals.written))
        std::fprintf(m_out, "pomi-pomira-convert: %s\n", ClashText(clash).c_str());
    for (const std::string& place : totals.beyond)
        std::fprintf(m_out, "pomi-pomira-convert: %s\n", place.c_str());
    if (!totals.sheetsFailed.empty())
        std::fprintf(m_out, "pomi-pomira-convert: %s\n", totals.sheetsFailed.c_str());
    if (m_quiet)
        return;
    for (const std::string& sheet : totals.sheets)
        std::fprintf(m_out, "sheet: %s\n", sheet.c_str());
    if (!totals.shape.empty())
        std::fprintf(m_out, "pixels not square: %s\n", totals.shape.c_str());
    if (!totals.fitted.empty())
        std::fprintf(m_out, "%s\n", totals.fitted.c_str());
    const double elapsed = Elapsed(m_start);
    const int all = totals.converted + totals.failed;
    // Without -o the folder is the window's saved one: say where the pictures went.
    std::string existed;
    if (totals.existed)
        existed.append(", ").append(std::to_string(totals.existed)).append(" there already");
    if (totals.repeats)
        existed.append(", ").append(std::to_string(totals.repeats)).append(totals.repeats == 1 ? " repeat" : " repeats").append(" passed over");
    if (totals.onSheets)
        existed.append(", ").append(std::to_string(totals.onSheets)).append(" on sheets only");
    if (totals.moviesUnread)
        existed.append(", ").append(std::to_string(totals.moviesUnread)).append(totals.moviesUnread == 1 ? " movie" : " movies").append(" not read");
    // A rate only where something was written.
    char rate[48] = "";
    if (totals.converted > 0 && elapsed > 0)
        std::snprintf(rate, sizeof rate, ", %.1f pictures/s", all / elapsed);
    std::fprintf(m_out, "%d written to %s, %d failed%s, %.2f s%s\n", totals.converted, folder.c_str(), totals.failed,
                 existed.c_str(), elapsed, rate);
}

} // namespace cli
