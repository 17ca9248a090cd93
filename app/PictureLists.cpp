// The main window's conversion lists: their captions, and the settings they show
// translated to and from the engine's terms.
#include "app/ChangeWindow1.h"

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
