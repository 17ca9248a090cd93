// The main window's output settings: the conversion lists (their captions, the
// settings they show translated to and from the engine's terms, and what each choice
// enables) and the output folder's field.
#include "windows/ChangeWindow1.h"

#include "framework/Paths.h"

#include <QSignalBlocker>

namespace {

// A table's captions: its entries' own, or the table is the captions.
const char* CaptionOf(const char* caption) { return caption; }
template <class Entry>
const char* CaptionOf(const Entry& entry)
{
    return entry.caption;
}

template <std::size_t N, class Entry>
QStringList Captions(const Entry (&table)[N])
{
    QStringList captions;
    for (const Entry& entry : table)
        captions << QString::fromUtf8(CaptionOf(entry));
    return captions;
}

void Fill(fw::TComboBox* list, const QStringList& captions)
{
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(captions);
}

} // namespace

void TChangeForm1::FillPictureLists()
{
    Fill(ComboBox1, Captions(conv::kOutputFormats));
    Fill(ComboBox3, Captions(conv::kJpegQualityCaptions));
    Fill(ComboBox2, Captions(conv::kSaveFormCaptions));
    Fill(ComboBox4, Captions(conv::kColourDepths));
    QStringList brightness;
    for (int position = 0; position < conv::kBrightnessPositions; ++position)
        brightness << QString::fromStdString(conv::BrightnessCaption(conv::BrightnessAt(position)));
    Fill(ComboBox7, brightness);
    Fill(ComboBox5, Captions(conv::kRotations));
    Fill(ComboBox6, Captions(conv::kResizeModes));
}

void TChangeForm1::ShowPictureSettings(const conv::PictureSettings& p, bool withScale)
{
    TConvertSettings s = Settings();
    s.setOutputFormat(p.format);
    ComboBox1Change();
    s.setJpegQuality(p.jpegQuality.step);
    s.setProgressive(p.progressive);
    s.setColorDepth(p.colourDepth);
    s.setBrightness(p.brightness);
    s.setRotation(p.rotation);
    s.setResizeMode(p.resize.mode);
    ComboBox6Change();
    s.setResizeWidth(p.resize.width);
    s.setResizeHeight(p.resize.height);
    if (withScale)
        s.setScalePercent(p.resize.scalePercent);
}

conv::PictureSettings TChangeForm1::PictureSettingsShown()
{
    TConvertSettings s = Settings();
    conv::PictureSettings p;
    p.format = s.OutputFormat().value_or(RunFormat);
    p.jpegQuality.step = s.JpegQuality().value_or(conv::kJpegQualityRange.low);
    p.progressive = s.Progressive().value_or(false);
    p.colourDepth = s.ColorDepth();
    p.brightness = s.Brightness().value_or(0);
    p.rotation = s.Rotation().value_or(conv::Rotation::None);
    p.resize.mode = s.ResizeMode().value_or(conv::ResizeMode::None);
    p.resize.width = s.ResizeWidth();
    p.resize.height = s.ResizeHeight();
    p.resize.scalePercent = s.ScalePercent();
    return p;
}

bool TChangeForm1::BrightnessChosen() { return Settings().Brightness().has_value(); }

void TChangeForm1::ComboBox1Change()
{
    // Each list as the chosen format's row says it applies.
    const auto format = Settings().OutputFormat();
    const bool quality = format && media::FormatRowOf(*format).takesQuality;
    const bool interlace = format && media::FormatRowOf(*format).takesInterlace;
    Label5->setEnabled(quality);
    ComboBox3->setEnabled(quality);
    ShadowLabel15->setEnabled(interlace);
    ComboBox2->setEnabled(interlace);
}

void TChangeForm1::ComboBox6Change()
{
    const auto mode = Settings().ResizeMode();
    if (!mode)
        return;
    const bool pixels = mode == conv::ResizeMode::Fit || mode == conv::ResizeMode::Stretch;
    const bool scale = mode == conv::ResizeMode::Scale;
    ShadowLabel7->setEnabled(pixels);
    SpinEdit1->setEnabled(pixels);
    SpinEdit2->setEnabled(pixels);
    ShadowLabel16->setEnabled(scale);
    SpinEdit3->setEnabled(scale);
    const auto connector = [](bool active) { return active ? clFuchsia : clSilver; };
    Shape2->setPenColor(connector(pixels || scale));
    Shape3->setPenColor(connector(pixels));
    Shape6->setPenColor(connector(scale));
    Shape5->setPenColor(connector(scale));
}

// The folder's trailing separator goes whenever the text is set from code, when the
// field is left and whenever the value is used; never while the user types, or
// "/home/me/out" typed key by key would lose every "/".
void TChangeForm1::BrowseEdit1Change()
{
    if (!BrowseEdit1->Typing())
        DropFolderSeparator();
    BrowseEdit1->setToolTip(Settings().OutputFolder());
}

void TChangeForm1::DropFolderSeparator()
{
    const QString path = QString::fromStdString(fw::WithoutTrailingSeparator(BrowseEdit1->Path().toStdString()));
    if (path != BrowseEdit1->Path())
        BrowseEdit1->setPath(path);
}
