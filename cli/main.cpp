// pomi-pomira-convert: the main window's conversion from the command line.
#include "engine/SettingsLocation.h"
#include "engine/Manifest.h"
#include "cli/Options.h"
#include "cli/Pipeline.h"
#include "cli/Progress.h"
#include "framework/Paths.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
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

int Run(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::Options options;
    try {
        options = cli::ParseOptions(args, cli::DefaultOptions(conv::SettingsFilePath(ProgramFolder())));
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
    options.cancel = &g_interrupted;
    std::signal(SIGINT, Interrupted);
    std::signal(SIGTERM, Interrupted);
    cli::Progress progress(stderr, ::isatty(2), options.quiet);
    std::vector<cli::Outcome> outcomes; // for the manifest
    const bool recorded = !options.manifest.empty() || options.savedManifest != conv::ManifestKind::None;
    int moviesStarted = 0; // what a stop left, for its summary
    const cli::Report report = [&](const cli::Outcome& outcome, int total) {
        progress.Update(outcome, total);
        if (recorded)
            outcomes.push_back(outcome);
    };
    // The window's options' record: one a movie, beside its pictures, written when
    // the movie is done; a movie stopped midway gets its record too, saying so.
    std::string error;
    bool recordFailed = false;
    const auto writeSavedRecord = [&](const std::string& movie) {
        if (!options.manifest.empty() || options.savedManifest == conv::ManifestKind::None)
            return;
        const std::string path = conv::ManifestPath(options.savedManifest, options.outputFolder, movie);
        if (!conv::WriteManifest(path, outcomes, error, g_interrupted)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s: %s\n", path.c_str(), error.c_str());
            recordFailed = true;
        }
        outcomes.clear();
    };
    cli::RunTotals totals;
    std::vector<std::string> moviesFailed;
    if (options.movieMode) {
        cli::ConvertMovies(
            options, report, totals, moviesFailed,
            [&](const std::string&) {
                ++moviesStarted;
                progress.NextPart();
            },
            writeSavedRecord);
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
        if (!cli::ConvertPictures(options, report, totals, &error)) {
            std::fprintf(stderr, "pomi-pomira-convert: %s\n", error.c_str());
            return 1;
        }
        writeSavedRecord("");
    }
    progress.Summary(totals, options.outputFolder);
    // The record of a run, stopped or not: every file written (or there already).
    if (!options.manifest.empty() && !conv::WriteManifest(options.manifest, outcomes, error, g_interrupted)) {
        std::fprintf(stderr, "pomi-pomira-convert: %s: %s\n", options.manifest.c_str(), error.c_str());
        recordFailed = true;
    }
    if (g_interrupted) {
        const int untried = totals.untried;
        std::string left = std::to_string(untried) + (untried == 1 ? " picture" : " pictures");
        if (const int movies = options.movieMode ? int(options.inputs.size()) - moviesStarted : 0; movies > 0)
            left += " and " + std::to_string(movies) + (movies == 1 ? " movie" : " movies");
        std::fprintf(stderr, "pomi-pomira-convert: stopped by the user; every file written is whole; %s left untried\n",
                     left.c_str());
        return 130;
    }
    return totals.failed == 0 && moviesFailed.empty() && !recordFailed ? 0 : 1;
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
