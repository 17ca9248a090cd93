#include "engine/Conversion.h"
#include "engine/StillNames.h"
#include "media/image/ColourProfile.h"
#include "media/movie/Containers.h"

#include "framework/AtomicFile.h"
#include "framework/Exception.h"
#include "framework/Paths.h"

#include <algorithm>
#include <cmath>
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

// A picture's sides scaled by a percentage, truncated toward zero (a scale is at most
// 1000 % and a side at most kMaxImageSide, so the sides fit an int).
media::Size ScaledSize(media::Size turned, int percent)
{
    const auto scaled = [percent](int side) { return int(side * double(percent) * 0.01); };
    return {scaled(turned.width), scaled(turned.height)};
}

// The size a picture of `loaded` size has after the chain's turn.
media::Size Turned(media::Size loaded, Rotation rotation)
{
    if (EntryOf(kRotations, rotation).clockwise % 180)
        std::swap(loaded.width, loaded.height);
    return loaded;
}

// The size the chain's resize makes of a picture of `turned` size; nothing without a
// resize, or when the size is impossible (the chain says why).
// The picture scaled by `factor`, each side rounded and at least 1.
media::Size ScaledBy(media::Size turned, double factor)
{
    return {std::max(1, int(std::lround(turned.width * factor))), std::max(1, int(std::lround(turned.height * factor)))};
}

// How much a geometry scales a picture of `turned` size (it keeps the aspect ratio).
double GeometryFactor(const Resize& r, media::Size turned)
{
    const double across = double(r.width) / turned.width, down = double(r.height) / turned.height;
    const double fit = std::min(across, down), fill = std::max(across, down);
    const double longSide = double(r.width) / std::max(turned.width, turned.height);
    switch (r.mode) {
    case ResizeMode::Shrink:
        return std::min(fit, 1.0);
    case ResizeMode::Enlarge:
        return std::max(fit, 1.0);
    case ResizeMode::Fill:
        return fill;
    case ResizeMode::LongSide:
        return longSide;
    case ResizeMode::LongSideShrink:
        return std::min(longSide, 1.0);
    case ResizeMode::ShortSide:
        return double(r.width) / std::min(turned.width, turned.height);
    default:
        return 1;
    }
}

std::optional<media::Size> ResizedSize(const Resize& r, media::Size turned)
{
    switch (r.mode) {
    case ResizeMode::Shrink:
    case ResizeMode::Enlarge:
    case ResizeMode::Fill: // before its crop
    case ResizeMode::LongSide:
    case ResizeMode::LongSideShrink:
    case ResizeMode::ShortSide: {
        if (r.width < 1 || r.height < 1 || turned.width < 1 || turned.height < 1)
            return std::nullopt;
        const media::Size size = ScaledBy(turned, GeometryFactor(r, turned));
        if (!media::PlausibleSize(size.width, size.height))
            return std::nullopt;
        return size;
    }
    case ResizeMode::Fit:
        if (r.width < 1 || r.height < 1)
            return std::nullopt;
        return media::FitInside(turned.width, turned.height, r.width, r.height);
    case ResizeMode::Stretch:
        return media::Size{r.width, r.height};
    case ResizeMode::Scale: {
        const media::Size scaled = ScaledSize(turned, r.scalePercent);
        if (!media::PlausibleSize(scaled.width, scaled.height))
            return std::nullopt;
        return scaled;
    }
    case ResizeMode::None:
        break;
    }
    return std::nullopt;
}

// The resize the settings ask of a picture `turned` as the chain turned it.
media::Result<void> ResizeStep(media::Image& img, media::Size turned, const Resize& r)
{
    const media::Interpolation filter = media::Interpolation::Lanczos3;
    switch (r.mode) {
    case ResizeMode::Fit:
    case ResizeMode::Stretch:
        return media::Resize(img, r.width, r.height, r.mode == ResizeMode::Fit, filter, ResizedSize(r, turned));
    case ResizeMode::Scale: {
        const media::Size scaled = ScaledSize(turned, r.scalePercent);
        const media::Result<void> resized = media::Resize(img, scaled.width, scaled.height, false, filter);
        if (!resized && resized.Error().kind == media::FailureKind::StepFailed)
            // A size no picture may have, told by what was asked: "1% of 40 × 30 is
            // less than one pixel".
            return media::Fail(media::FailureKind::StepFailed,
                               std::to_string(r.scalePercent) + "% of " + std::to_string(turned.width) + " × " +
                                   std::to_string(turned.height) + " " + resized.Error().cause);
        return resized;
    }
    case ResizeMode::Shrink:
    case ResizeMode::Enlarge:
    case ResizeMode::Fill:
    case ResizeMode::LongSide:
    case ResizeMode::LongSideShrink:
    case ResizeMode::ShortSide: {
        const std::optional<media::Size> size = ResizedSize(r, turned);
        if (!size)
            return media::Fail(media::FailureKind::StepFailed, "the resize of " + std::to_string(turned.width) + " × " +
                                                                   std::to_string(turned.height) + " is too large");
        MEDIA_TRY(media::Resize(img, size->width, size->height, false, filter));
        if (r.mode == ResizeMode::Fill)
            media::CropMiddle(img, r.width, r.height);
        return {};
    }
    case ResizeMode::None:
        break;
    }
    return {};
}

} // namespace

media::SaveOptions SaveOptionsOf(const PictureSettings& s)
{
    media::SaveOptions options;
    options.quality = s.jpegQuality;
    options.interlaced = s.progressive;
    return options;
}

media::Result<void> ApplyPictureChain(media::Image& img, media::Size loaded, const PictureSettings& s)
{
    if (s.colourDepth)
        MEDIA_TRY(media::ChangeColorDepth(img, *s.colourDepth));
    if (s.brightness != 0)
        MEDIA_TRY(media::AdjustBrightness(img, s.brightness * 10));
    if (const int clockwise = EntryOf(kRotations, s.rotation).clockwise; clockwise != 0)
        MEDIA_TRY(media::RotateClockwise(img, clockwise));
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
    static const StillNames names = *StillNames::Parse(kDefaultStillName);
    return folder + "/" + names.Name(movie, frame, 0, 1) + ext;
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
    if (std::optional<PictureOutcome> failed = ChainPicture(editor, s, notTaken))
        return *failed;
    return SavePicture(editor, s, target, folder);
}

namespace {

bool KeepsProfile(const PictureSettings& s)
{
    return s.keepMetadata && media::FormatRowOf(s.format).holdsMetadata;
}

} // namespace

std::optional<PictureOutcome> ChainPicture(media::ImageEditor& editor, const PictureSettings& s,
                                           const std::optional<std::string>& notTaken)
{
    using Happened = PictureOutcome::Happened;
    if (notTaken)
        return PictureOutcome{Happened::SourceFailed, *notTaken, std::nullopt};
    // A step that cannot be done fails the picture: a picture of the wrong size or
    // colours must not be written as if it were the one asked for.
    if (const auto applied = ApplyPictureChain(editor.Current(), editor.LoadedSize(), s); !applied)
        return PictureOutcome{Happened::StepFailed, applied.Message(), std::nullopt};
    // A profile left behind: the colours are made sRGB, so they look as they did.
    if (!KeepsProfile(s))
        media::ConvertToSrgb(editor.Current(), editor.PhotoMetadata().icc);
    return std::nullopt;
}

PictureOutcome SavePicture(media::ImageEditor& editor, const PictureSettings& s, const std::string& target,
                           const std::string& folder)
{
    using Happened = PictureOutcome::Happened;
    media::SaveOptions options = SaveOptionsOf(s);
    if (KeepsProfile(s))
        options.metadata = &editor.PhotoMetadata();
    const media::Result<void> saved = editor.Save(target, s.format, options);
    if (saved)
        return {};
    if (saved.Error().kind == media::FailureKind::WriteFailed)
        return {Happened::FolderUnusable, saved.Message(), FolderFailure(folder, saved.Error().cause)};
    return {Happened::NotSaved, saved.Message(), std::nullopt};
}

PictureOutcome SaveMadeFile(const media::Bytes& bytes, const std::string& target, const std::string& folder)
{
    using Happened = PictureOutcome::Happened;
    const media::Result<void> saved = media::SaveFile(target, bytes);
    if (saved)
        return {};
    return {Happened::FolderUnusable, saved.Message(), FolderFailure(folder, saved.Error().cause)};
}

bool LeavesPixelsAlone(const PictureSettings& s)
{
    return (!s.colourDepth || *s.colourDepth == ColourDepth::Full) && s.brightness == 0 &&
           s.resize.mode == ResizeMode::None;
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
