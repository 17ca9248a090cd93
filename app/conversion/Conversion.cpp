#include "app/conversion/Conversion.h"

#include "framework/AtomicFile.h"
#include "framework/Exception.h"
#include "framework/Numbers.h"
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

std::optional<OutputFormat> OutputFormatFor(int index)
{
    static constexpr OutputFormat kTable[] = {{101, ".bmp"}, {102, ".tif"}, {103, ".jpg"}, {104, ".pcx"}, {106, ".png"}};
    if (index < 0 || index >= int(std::size(kTable)))
        return std::nullopt;
    return kTable[index];
}

void PrepareSave(media::ImageEditControl& control, const PictureSettings& s, std::string& outputExt)
{
    control.SetInterpolation(2);
    control.SetSaveInterlacedImage(s.saveForm + 1);
    if (const auto format = OutputFormatFor(s.outputFormat)) {
        control.SetSaveMediaFormat(format->saveCode);
        outputExt = format->ext;
    }
    control.SetSaveQuality(s.jpegQuality + 1);
}

void ApplyPictureChain(media::ImageEditControl& control, const PictureSettings& s)
{
    static constexpr int kDepthCodes[] = {1, 4, 8, 9, 12};
    if (s.colorDepth >= 0 && s.colorDepth < 5)
        control.ChangeColorDepth(kDepthCodes[s.colorDepth]);

    if (s.brightness != 10) {
        const auto step = fw::ParseDecimalInteger(s.brightnessText);
        if (!step)
            throw fw::Exception(fw::NotAnIntegerMessage(s.brightnessText));
        control.AdjustBrightness(*step * 10, 0);
    }

    // The list turns clockwise; the control counter-clockwise.
    static constexpr int kDegrees[] = {0, 270, 180, 90};
    if (s.rotation >= 1 && s.rotation <= 3)
        control.RotateArbitrary(kDegrees[s.rotation]);

    switch (s.resizeMode) {
    case 1:
    case 2:
        control.SetAspectRatio(s.resizeMode == 1);
        control.ResizeImage(s.resizeWidth, s.resizeHeight);
        break;
    case 3: {
        // After the rotation, so the picture's current size; truncated toward zero.
        const int w = int(control.ImageWidth() * s.scalePercent * 0.01);
        const int h = int(control.ImageHeight() * s.scalePercent * 0.01);
        control.ResizeImage(w, h);
        break;
    }
    default:
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
