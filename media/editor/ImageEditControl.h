#pragma once
// The image edit control's behaviour without its window: its properties and methods
// in the control's own codes (format codes 101..106, qualities 1..10, depth codes,
// counter-clockwise degrees), over the typed engine (ImageEditor and the picture
// chain's steps). The window's control is this; the conversion run itself speaks in
// typed values. A property value outside its table is refused with fw::Exception; a
// method that cannot do its work returns false and keeps the reason in LastError.
#include "media/editor/ImageEditor.h"

#include <string>

namespace media {

class ImageEditControl {
public:
    int Interpolation() const { return m_interpolation; }
    void SetInterpolation(int value); // 0 nearest, 1 bilinear, 2 Lanczos-3
    int SaveInterlacedImage() const { return m_saveInterlaced; }
    void SetSaveInterlacedImage(int value); // 1 (or 0) plain, 2 progressive / Adam7
    int SaveMediaFormat() const { return m_saveFormat; }
    void SetSaveMediaFormat(int value); // 101 BMP, 102 TIFF, 103 JPEG, 104 PCX, 106 PNG
    int SaveQuality() const { return m_saveQuality; }
    void SetSaveQuality(int value); // 1 .. 10 (0 counts as 1)
    bool AspectRatio() const { return m_aspectRatio; }
    void SetAspectRatio(bool on) { m_aspectRatio = on; }
    const std::string& InputFileName() const { return m_inputFileName; }
    void SetInputFileName(const std::string& name) { m_inputFileName = name; }
    int ImageWidth() const { return m_editor.Current().width; }
    int ImageHeight() const { return m_editor.Current().height; }
    // How much smaller the next Load may decode the picture (none by default), and the
    // size the loaded picture has in its file.
    void SetLoadReduction(Reduction reduction) { m_loadReduction = std::move(reduction); }
    Size LoadedSize() const { return m_editor.LoadedSize(); }

    bool Load();
    // Takes a picture from elsewhere (the clipboard); an empty one leaves no picture.
    bool SetPicture(Image picture);
    bool ChangeColorDepth(int code);
    bool AdjustBrightness(int value, int mode);
    bool RotateArbitrary(int degrees);
    // `fitted`: the picture's size inside width × height with the aspect ratio kept,
    // where it was decoded smaller than its file's (see Resize).
    bool ResizeImage(int width, int height, std::optional<Size> fitted = std::nullopt);
    bool Save(const std::string& path);

    const std::string& LastError() const { return m_lastError; }
    // The system's reason when the last Save failed to write its file (not for the
    // picture's sake); empty otherwise.
    const std::string& LastWriteFailure() const { return m_writeFailure; }
    const ImageEditor& Editor() const { return m_editor; }
    ImageEditor& Editor() { return m_editor; }

    // The file format a save format code stands for (Unknown outside the table), and
    // the code of a format.
    static ImageFormat FormatForCode(int code);
    static int SaveCodeFor(ImageFormat format);

private:
    ImageEditor m_editor;
    int m_interpolation = 2;
    int m_saveInterlaced = 1;
    int m_saveFormat = 101;
    int m_saveQuality = 8;
    bool m_aspectRatio = false;
    std::string m_inputFileName;
    Reduction m_loadReduction;
    std::string m_lastError;
    std::string m_writeFailure;

    bool Done(bool ok, const char* what);
};

} // namespace media
