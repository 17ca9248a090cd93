// pomi-pomira-convert: the main window's conversion from the command line.
#include "engine/SettingsLocation.h"
#include "engine/Manifest.h"
#include "engine/ResumeRecord.h"
#include "cli/InputList.h"
#include "cli/Presets.h"
#include "cli/Options.h"
#include "cli/Pipeline.h"
#include "cli/Progress.h"
#include "framework/Paths.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace {

// Set by Ctrl+C (or a polite kill): the run stops after the pictures in flight, so
// every file written is whole. A second Ctrl+C ends the program at once.
std::atomic<bool> g_interrupted = false;

void Interrupted(int)
{
    g_interrupted = true;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

std::string ProgramFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The options from the line over the saved settings; the exit status instead when the
// line is answered at once (a usage error, --help, --version).
std::optional<int> ReadOptions(int argc, char** argv, cli::Options& options)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        options = cli::ParseOptionsWithPreset(args, cli::DefaultOptions(conv::SettingsFilePath(ProgramFolder())));
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "pomi-pomira-convert: %s\nTry 'pomi-pomira-convert --help' for more.\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(cli::HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("pomi-pomira-convert " POMI_VERSION " (Pomi-Pomira AVI)");
        return 0;
    }
    try {
        if (options.listPresets) {
            std::fputs(cli::PresetsText(cli::PresetsFilePath()).c_str(), stdout);
            return 0;
        }
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "pomi-pomira-convert: %s\n", e.what());
        return 2;
    }
    if (!options.savePreset.empty()) {
        std::string error;
        const std::string path = cli::PresetsFilePath();
        if (!cli::SavePreset(path, options, error)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        if (!options.quiet)
            std::fprintf(stderr, "preset '%s' saved in %s\n", options.savePreset.c_str(), path.c_str());
        if (options.inputs.empty() && options.filesFrom.empty())
            return 0;
    }
    return std::nullopt;
}

// The run's records: --manifest's file of the whole run, or the window's options'
// record, one a movie beside its pictures, written when the movie is done. A run
// stopped by the user writes them too, saying so.
class Records {
public:
    explicit Records(const cli::Options& options) : m_o(options) {}

    void Keep(const cli::Outcome& outcome)
    {
        if (!m_o.manifest.empty() || m_o.savedManifest != conv::ManifestKind::None)
            m_outcomes.push_back(outcome);
    }
    // The window's options' record of `movie` ("" for pictures), or its lines appended
    // to a JSON Lines record (ending with the line that says it is complete, unless the
    // user stopped it).
    void PartDone(const std::string& movie)
    {
        if (conv::IsManifestLines(m_o.manifest)) {
            Append(g_interrupted ? std::string() : movie);
            return;
        }
        if (!m_o.manifest.empty() || m_o.savedManifest == conv::ManifestKind::None)
            return;
        Write(conv::ManifestPath(m_o.savedManifest, m_o.outputFolder, movie));
        m_outcomes.clear();
    }
    void RunDone()
    {
        // A task whose share was empty still leaves its (empty) record.
        if (conv::IsManifestLines(m_o.manifest))
            Append("");
        else if (!m_o.manifest.empty())
            Write(m_o.manifest);
    }
    bool Failed() const { return m_failed; }

private:
    void Append(const std::string& movieDone)
    {
        std::string error;
        if (!conv::AppendManifestLines(m_o.manifest, m_outcomes, movieDone, error)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s: %s\n", m_o.manifest.c_str(), error.c_str());
            m_failed = true;
        }
        m_outcomes.clear();
    }
    void Write(const std::string& path)
    {
        std::string error;
        if (!conv::WriteManifest(path, m_outcomes, error, g_interrupted)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s: %s\n", path.c_str(), error.c_str());
            m_failed = true;
        }
    }

    const cli::Options& m_o;
    std::vector<cli::Outcome> m_outcomes;
    bool m_failed = false;
};

// The last line of a run the user stopped: what it left untried.
void SayStopped(const cli::Options& options, const cli::RunTotals& totals, int moviesStarted)
{
    const int untried = totals.untried;
    std::string left = std::to_string(untried) + (untried == 1 ? " picture" : " pictures");
    if (const int movies = options.movieMode ? int(options.inputs.size()) - moviesStarted : 0; movies > 0)
        left += " and " + std::to_string(movies) + (movies == 1 ? " movie" : " movies");
    std::fprintf(stderr, "pomi-pomira-convert: stopped by the user; every file written is whole; %s left untried\n",
                 left.c_str());
}

// The movies a resumed run still has to cut, in two parts: those its record has not
// finished, completed from their missing pictures, and those whose record is complete
// but whose files are not all there as recorded, cut again. Movies done are passed
// over unopened. Without --resume, the run as it is.
std::vector<cli::Options> ResumedParts(const cli::Options& options)
{
    if (!options.resume)
        return {options};
    const auto recorded = conv::ReadRecordedMovies(options.manifest);
    cli::Options unfinished = options, again = options;
    unfinished.inputs.clear(), again.inputs.clear();
    unfinished.existing = conv::Existing::Skip;
    again.existing = conv::Existing::Overwrite;
    int done = 0;
    for (const std::string& movie : options.inputs) {
        const auto it = recorded.find(movie);
        if (it == recorded.end() || !it->second.complete)
            unfinished.inputs.push_back(movie);
        else if (!it->second.filesThere)
            again.inputs.push_back(movie);
        else
            ++done;
    }
    if (!options.quiet && done > 0)
        std::fprintf(stderr, "%d %s done already (%s), passed over\n", done, done == 1 ? "movie" : "movies",
                     options.manifest.c_str());
    std::vector<cli::Options> parts;
    for (cli::Options* part : {&unfinished, &again})
        if (!part->inputs.empty())
            parts.push_back(std::move(*part));
    return parts;
}

int Run(int argc, char** argv)
{
    cli::Options options;
    if (const std::optional<int> answered = ReadOptions(argc, argv, options))
        return *answered;
    options.cancel = &g_interrupted;
    std::signal(SIGINT, Interrupted);
    std::signal(SIGTERM, Interrupted);
    cli::Progress progress(stderr, ::isatty(2), options.quiet);
    options.looking = [&](int done, int total) { progress.Looking(done, total); };
    Records records(options);
    const cli::Report report = [&](const cli::Outcome& outcome, int total) {
        progress.Update(outcome, total);
        records.Keep(outcome);
    };
    cli::RunTotals totals;
    std::vector<std::string> moviesFailed;
    int moviesStarted = 0;
    if (options.movieMode) {
        const auto nextMovie = [&](const std::string&) {
            ++moviesStarted;
            progress.NextPart();
        };
        cli::KeepShard(options.shard, options.inputs, options.within, options.inputKeys);
        for (cli::Options& part : ResumedParts(options))
            cli::ConvertMovies(part, report, totals, moviesFailed, nextMovie,
                               [&](const std::string& movie) { records.PartDone(movie); });
        for (const std::string& why : moviesFailed)
            std::fprintf(stderr, "pomi-pomira-convert: %s\n", why.c_str());
        // One movie that could not be read: nothing else to sum up.
        if (options.inputs.size() == 1 && !moviesFailed.empty())
            return 1;
    } else {
        // What a folder holds that is not taken counts as not converted.
        for (const std::string& why : cli::TakeFolders(options)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s\n", why.c_str());
            ++totals.failed;
        }
        cli::KeepShard(options.shard, options.inputs, options.within, options.inputKeys);
        if (options.resume)
            options.existing = conv::Existing::Skip;
        std::string error;
        if (!cli::ConvertPictures(options, report, totals, &error)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s\n", error.c_str());
            return 1;
        }
        records.PartDone("");
    }
    progress.Summary(totals, options.outputFolder);
    records.RunDone();
    if (g_interrupted) {
        SayStopped(options, totals, moviesStarted);
        return 130;
    }
    return totals.failed == 0 && moviesFailed.empty() && !records.Failed() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever goes wrong (a folder that cannot be made, memory running out) is an
    // error with its reason, never an abort.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("pomi-pomira-convert: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pomi-pomira-convert: %s\n", e.what());
    }
    return 1;
}
