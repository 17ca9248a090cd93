#include "app/conversion/Conversion.h"

#include "framework/AtomicFile.h"
#include "framework/Exception.h"
#include "framework/Paths.h"

#include <cstdio>
#include <filesystem>

namespace conv {

bool IsPictureFileName(const std::string& path)
{
    const std::string ext = fw::ExtractFileExt(path);
    for (const char* known : {".BMP", ".TIF", ".TIFF", ".JPG", ".JPEG", ".JPE", ".PCX", ".PNG"})
        if (fw::SameTextAscii(ext, known))
            return true;
    return false;
}

bool IsMovieFileName(const std::string& path) { return fw::SameTextAscii(fw::ExtractFileExt(path), ".AVI"); }

std::string PrepareSave(media::ImageEditControl& control, const PictureSettings& s)
{
    const OutputFormatEntry& format = EntryOf(kOutputFormats, s.format);
    control.SetInterpolation(2);
    control.SetSaveInterlacedImage(s.progressive ? 2 : 1);
    control.SetSaveMediaFormat(media::ImageEditControl::SaveCodeFor(format.image));
    control.SetSaveQuality(s.jpegQuality + 1);
    return format.ext;
}

void ApplyPictureChain(media::ImageEditControl& control, const PictureSettings& s)
{
    if (s.colourDepth)
        control.ChangeColorDepth(EntryOf(kColourDepths, *s.colourDepth).code);
    if (s.brightness != 0)
        control.AdjustBrightness(s.brightness * 10, 0);
    // The settings turn clockwise; the control counter-clockwise.
    if (const int clockwise = EntryOf(kRotations, s.rotation).clockwise; clockwise != 0)
        control.RotateArbitrary(360 - clockwise);

    const Resize& r = s.resize;
    switch (r.mode) {
    case ResizeMode::Fit:
    case ResizeMode::Stretch:
        control.SetAspectRatio(r.mode == ResizeMode::Fit);
        control.ResizeImage(r.width, r.height);
        break;
    case ResizeMode::Scale: {
        // After the rotation, so the picture's current size; truncated toward zero.
        const int w = int(control.ImageWidth() * r.scalePercent * 0.01);
        const int h = int(control.ImageHeight() * r.scalePercent * 0.01);
        control.ResizeImage(w, h);
        break;
    }
    case ResizeMode::None:
        break;
    }
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
    : fw::Exception(folder + " に書き込めません: " + reason)
{
}

void CreateOutputFolder(const std::string& folder)
{
    if (folder.empty())
        throw fw::Exception("no output folder");
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
    ApplyPictureChain(control, s);
    PictureOutcome outcome;
    outcome.written = SavePicture(control, target);
    if (!outcome.written) {
        outcome.stop = WriteFailureOf(control, folder);
        outcome.reason = notTaken ? *notTaken : control.LastError();
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

std::string RunReport::Message() const
{
    std::string text;
    if (stopped) {
        text = "変換を中止しました。" + std::to_string(total - int(failed.size())) + " 枚を書き出しました。";
        if (failed.empty())
            return text;
        text += "\n";
    }
    if (failed.empty())
        return {};
    text += std::to_string(total) + " 枚中 " + std::to_string(failed.size()) + " 枚の画像を変換できませんでした。";
    constexpr std::size_t kShown = 5;
    for (std::size_t i = 0; i < failed.size() && i < kShown; ++i)
        text += "\n" + failed[i];
    if (failed.size() > kShown)
        text += "\nほか " + std::to_string(failed.size() - kShown) + " 件";
    return text;
}

} // namespace conv
