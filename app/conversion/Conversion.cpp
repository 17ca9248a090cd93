#include "app/conversion/Conversion.h"

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
    for (const char* known : {".BMP", ".TIF", ".TIFF", ".JPG", ".JPEG", ".JPE", ".PCX", ".PNG"})
        if (fw::SameTextAscii(ext, known))
            return true;
    return false;
}

bool IsMovieFileName(const std::string& path)
{
    const std::string ext = fw::ExtractFileExt(path);
    for (const char* known : kMovieExtensions)
        if (fw::SameTextAscii(ext, known))
            return true;
    return false;
}

std::string PrepareSave(media::ImageEditControl& control, const PictureSettings& s)
{
    const OutputFormatEntry& format = EntryOf(kOutputFormats, s.format);
    control.SetInterpolation(2);
    control.SetSaveInterlacedImage(s.progressive ? 2 : 1);
    control.SetSaveMediaFormat(media::ImageEditControl::SaveCodeFor(format.image));
    control.SetSaveQuality(s.jpegQuality + 1);
    return format.ext;
}

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

// The control's result of one step: nothing when it was done, else its reason.
std::optional<std::string> StepResult(const media::ImageEditControl& control, bool done)
{
    if (done)
        return std::nullopt;
    return control.LastError();
}

} // namespace

std::optional<std::string> ApplyPictureChain(media::ImageEditControl& control, const PictureSettings& s)
{
    if (s.colourDepth)
        if (auto failed = StepResult(control, control.ChangeColorDepth(EntryOf(kColourDepths, *s.colourDepth).code)))
            return failed;
    if (s.brightness != 0)
        if (auto failed = StepResult(control, control.AdjustBrightness(s.brightness * 10, 0)))
            return failed;
    // The settings turn clockwise; the control counter-clockwise.
    if (const int clockwise = EntryOf(kRotations, s.rotation).clockwise; clockwise != 0)
        if (auto failed = StepResult(control, control.RotateArbitrary(360 - clockwise)))
            return failed;

    const Resize& r = s.resize;
    int w = 0, h = 0;
    switch (r.mode) {
    case ResizeMode::Fit:
    case ResizeMode::Stretch:
        if (auto impossible = ImpossibleSize(SizeText(r.width, r.height), r.width, r.height))
            return impossible;
        control.SetAspectRatio(r.mode == ResizeMode::Fit);
        w = r.width;
        h = r.height;
        break;
    case ResizeMode::Scale: {
        // After the rotation, so the picture's current size; truncated toward zero.
        const auto sw = std::int64_t(control.ImageWidth() * double(r.scalePercent) * 0.01);
        const auto sh = std::int64_t(control.ImageHeight() * double(r.scalePercent) * 0.01);
        const std::string what =
            std::to_string(r.scalePercent) + "% of " + SizeText(control.ImageWidth(), control.ImageHeight());
        if (auto impossible = ImpossibleSize(what, sw, sh))
            return impossible;
        w = int(sw);
        h = int(sh);
        break;
    }
    case ResizeMode::None:
        return std::nullopt;
    }
    return StepResult(control, control.ResizeImage(w, h));
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

WriteError::WriteError(const std::string& folder, const std::string& reason)
    : fw::Exception(folder.empty() ? "no output folder given" : "cannot write into " + folder + ": " + reason),
      m_folder(folder), m_reason(reason)
{
}

void CreateOutputFolder(const std::string& folder)
{
    if (folder.empty())
        throw WriteError(folder, {});
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::error_code isFolder;
    if (ec && !std::filesystem::is_directory(folder, isFolder))
        throw WriteError(folder, ec.message());
    // Checked before the first picture: one message, and nothing tried.
    if (std::string reason; !fw::CanCreateFilesIn(folder, reason))
        throw WriteError(folder, reason);
    fw::RemoveStaleTemporaries(folder);
}

std::optional<WriteError> WriteFailureOf(const media::ImageEditControl& control, const std::string& folder)
{
    if (control.LastWriteFailure().empty())
        return std::nullopt;
    return WriteError(folder, control.LastWriteFailure());
}

bool SavePicture(media::ImageEditControl& control, const std::string& path)
{
    control.SetInputFileName(path);
    const std::string target = control.InputFileName();
    return control.Save(target);
}

PictureOutcome ConvertPicture(media::ImageEditControl& control, const PictureSettings& s,
                              const std::optional<std::string>& notTaken, const std::string& target,
                              const std::string& folder)
{
    PictureOutcome outcome;
    if (notTaken) {
        outcome.reason = *notTaken;
        return outcome;
    }
    // A step that cannot be done fails the picture: a picture of the wrong size or
    // colours must not be written as if it were the one asked for.
    if (std::optional<std::string> failed = ApplyPictureChain(control, s)) {
        outcome.reason = *failed;
        return outcome;
    }
    outcome.written = SavePicture(control, target);
    if (!outcome.written) {
        outcome.stop = WriteFailureOf(control, folder);
        outcome.reason = control.LastError();
    }
    return outcome;
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
