#include "app/conversion/Conversion.h"
#include "media/movie/Containers.h"

#include "framework/AtomicFile.h"
#include "framework/Exception.h"
#include "framework/Paths.h"

#include <cstdio>
#include <filesystem>
#include <map>

namespace conv {

bool IsPictureFileName(const std::string& path)
{
    const std::string ext = fw::ExtractFileExt(path);
    for (const media::FormatRow& row : media::kFormatRows)
        for (const char* known : row.readExtensions)
            if (known && fw::SameTextAscii(ext, known))
                return true;
    return false;
}

bool IsMovieFileName(const std::string& path)
{
    const std::string ext = fw::ExtractFileExt(path);
    for (const std::string& known : media::MovieExtensions())
        if (fw::SameTextAscii(ext, known))
            return true;
    return false;
}

std::string OutputExtension(const PictureSettings& s) { return EntryOf(kOutputFormats, s.format).ext; }

namespace {

std::string SizeText(std::int64_t w, std::int64_t h) { return std::to_string(w) + " × " + std::to_string(h); }

// Why the picture cannot be made w × h, or nothing when it can. `what` says where
// the size comes from ("1% of 40 × 30").
std::optional<std::string> ImpossibleSize(const std::string& what, std::int64_t w, std::int64_t h)
{
    if (w < 1 || h < 1)
        return what + " is less than one pixel";
    if (!media::PlausibleSize(w, h))
        return what + " is " + SizeText(w, h) + ", larger than " + std::to_string(media::kMaxImagePixels) +
               " pixels or " + std::to_string(media::kMaxImageSide) + " a side";
    return std::nullopt;
}

// A side scaled by a percentage, truncated toward zero.
std::int64_t Scaled(int side, int percent) { return std::int64_t(side * double(percent) * 0.01); }

// The size a picture of `loaded` size has after the chain's turn.
media::Size Turned(media::Size loaded, Rotation rotation)
{
    if (EntryOf(kRotations, rotation).clockwise % 180)
        std::swap(loaded.width, loaded.height);
    return loaded;
}

// The size the chain's resize makes of a picture of `turned` size; nothing without a
// resize, or when the size is impossible (the chain says why).
std::optional<media::Size> ResizedSize(const Resize& r, media::Size turned)
{
    switch (r.mode) {
    case ResizeMode::Fit:
        return media::FitInside(turned.width, turned.height, r.width, r.height);
    case ResizeMode::Stretch:
        return media::Size{r.width, r.height};
    case ResizeMode::Scale: {
        const std::int64_t sw = Scaled(turned.width, r.scalePercent), sh = Scaled(turned.height, r.scalePercent);
        if (sw < 1 || sh < 1 || !media::PlausibleSize(sw, sh))
            return std::nullopt;
        return media::Size{int(sw), int(sh)};
    }
    case ResizeMode::None:
        break;
    }
    return std::nullopt;
}

// A step of the chain: done, or failed with the words the window and the command
// line have always reported for it.
media::Result<void> Step(bool done, const char* failure)
{
    if (done)
        return {};
    return media::Fail(media::FailureKind::StepFailed, failure);
}

// The resize the settings ask of a picture `turned` as the chain turned it.
media::Result<void> ResizeStep(media::Image& img, media::Size turned, const Resize& r)
{
    int w = 0, h = 0;
    std::optional<media::Size> fitted;
    switch (r.mode) {
    case ResizeMode::Fit:
    case ResizeMode::Stretch:
        if (auto impossible = ImpossibleSize(SizeText(r.width, r.height), r.width, r.height))
            return media::Fail(media::FailureKind::StepFailed, *impossible);
        w = r.width;
        h = r.height;
        if (r.mode == ResizeMode::Fit)
            fitted = ResizedSize(r, turned);
        break;
    case ResizeMode::Scale: {
        const std::int64_t sw = Scaled(turned.width, r.scalePercent), sh = Scaled(turned.height, r.scalePercent);
        const std::string what = std::to_string(r.scalePercent) + "% of " + SizeText(turned.width, turned.height);
        if (auto impossible = ImpossibleSize(what, sw, sh))
            return media::Fail(media::FailureKind::StepFailed, *impossible);
        w = int(sw);
        h = int(sh);
        break;
    }
    case ResizeMode::None:
        return {};
    }
    return Step(media::Resize(img, w, h, r.mode == ResizeMode::Fit, media::Interpolation::Lanczos3, fitted),
                "cannot resize");
}

} // namespace

media::SaveOptions SaveOptionsOf(const PictureSettings& s)
{
    media::SaveOptions options;
    options.quality = s.jpegQuality + 1;
    options.interlaced = s.progressive;
    return options;
}

media::Result<void> ApplyPictureChain(media::Image& img, media::Size loaded, const PictureSettings& s)
{
    if (s.colourDepth)
        MEDIA_TRY(Step(media::ChangeColorDepth(img, *s.colourDepth), "cannot change the colour depth"));
    if (s.brightness != 0)
        MEDIA_TRY(Step(media::AdjustBrightness(img, s.brightness * 10), "cannot change the brightness"));
    if (const int clockwise = EntryOf(kRotations, s.rotation).clockwise; clockwise != 0)
        MEDIA_TRY(Step(media::RotateClockwise(img, clockwise), "cannot rotate"));
    // Sizes from the picture as its file holds it, turned as the chain turned it.
    return ResizeStep(img, Turned(loaded, s.rotation), s.resize);
}

media::Reduction LoadReduction(const PictureSettings& s)
{
    const bool pixelByPixel = !s.colourDepth || *s.colourDepth == ColourDepth::Full || *s.colourDepth == ColourDepth::Grey;
    if (!pixelByPixel || s.resize.mode == ResizeMode::None)
        return {};
    return [s](int width, int height) {
        const media::Size turned = Turned({width, height}, s.rotation);
        const std::optional<media::Size> target = ResizedSize(s.resize, turned);
        if (!target)
            return 1;
        // The reduced picture stays at least three times the target: the resize's
        // filter, not the decoder's block averaging, makes the final pixels (at twice,
        // small photos came out under 40 dB from a whole decode; at three, none did).
        for (int by : {8, 4, 2})
            if ((turned.width + by - 1) / by >= 3 * target->width && (turned.height + by - 1) / by >= 3 * target->height)
                return by;
        return 1;
    };
}

std::string MovieOutputPath(const std::string& folder, const std::string& movie, int frame, const std::string& ext)
{
    char number[16];
    std::snprintf(number, sizeof number, "_%05d", frame);
    return folder + "/" + fw::ChangeFileExt(fw::ExtractFileName(movie), number + ext);
}

std::string ImageOutputPath(const std::string& folder, const std::string& source, const std::string& ext)
{
    return folder + "/" + fw::ChangeFileExt(fw::ExtractFileName(source), ext);
}

media::Failure FolderFailure(const std::string& folder, const std::string& reason)
{
    std::string message = "no output folder given";
    if (!folder.empty())
        message.assign("cannot write into ").append(folder).append(": ").append(reason);
    return {media::FailureKind::WriteFailed, message, reason, folder};
}

media::Result<void> CreateOutputFolder(const std::string& folder)
{
    if (folder.empty())
        return FolderFailure(folder, {});
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::error_code isFolder;
    if (ec && !std::filesystem::is_directory(folder, isFolder))
        return FolderFailure(folder, ec.message());
    // Checked before the first picture: one message, and nothing tried.
    if (std::string reason; !fw::CanCreateFilesIn(folder, reason))
        return FolderFailure(folder, reason);
    fw::RemoveStaleTemporaries(folder);
    return {};
}

PictureOutcome ConvertPicture(media::ImageEditor& editor, const PictureSettings& s,
                              const std::optional<std::string>& notTaken, const std::string& target,
                              const std::string& folder)
{
    using Happened = PictureOutcome::Happened;
    if (notTaken)
        return {Happened::SourceFailed, *notTaken, std::nullopt};
    // A step that cannot be done fails the picture: a picture of the wrong size or
    // colours must not be written as if it were the one asked for.
    if (const auto applied = ApplyPictureChain(editor.Current(), editor.LoadedSize(), s); !applied)
        return {Happened::StepFailed, applied.Message(), std::nullopt};
    const media::Result<void> saved = editor.Save(target, s.format, SaveOptionsOf(s));
    if (saved)
        return {};
    if (saved.Error().kind == media::FailureKind::WriteFailed)
        return {Happened::FolderUnusable, saved.Message(), FolderFailure(folder, saved.Error().cause)};
    return {Happened::NotSaved, saved.Message(), std::nullopt};
}

std::string NamedFailure(const std::string& name, const std::string& reason)
{
    if (reason.empty())
        return name;
    if (reason.rfind(name + ": ", 0) == 0)
        return reason;
    return name + ": " + reason;
}

std::vector<NameClash> NameClashes(const std::vector<std::pair<std::string, std::string>>& written)
{
    std::vector<NameClash> clashes;
    std::map<std::string, std::size_t> at; // target → its place in `clashes`
    for (const auto& [source, target] : written) {
        const auto [it, first] = at.emplace(target, clashes.size());
        if (first)
            clashes.push_back({target, {}});
        clashes[it->second].sources.push_back(source);
    }
    std::erase_if(clashes, [](const NameClash& c) { return c.sources.size() < 2; });
    return clashes;
}

} // namespace conv
