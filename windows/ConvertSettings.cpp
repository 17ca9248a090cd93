#include "windows/ConvertSettings.h"

#include "framework/Paths.h"
#include "ui_ChangeWindow1.h"

TSourceMode TConvertSettings::SourceMode() const { return m_form.SSButton2->Down() ? smImages : smMovie; }

QString TConvertSettings::MovieFile() const { return m_form.Edit2->Filename(); }
void TConvertSettings::setMovieFile(const QString& path) { m_form.Edit2->setFilename(path); }

QStringList TConvertSettings::ImageFiles() const { return m_form.ListBox1->Items(); }

QString TConvertSettings::OutputFolder() const
{
    return QString::fromStdString(fw::WithoutTrailingSeparator(m_form.BrowseEdit1->Path().toStdString()));
}
void TConvertSettings::setOutputFolder(const QString& folder) { m_form.BrowseEdit1->setPath(folder); }

namespace {

// A list's selection as a value of its table; nothing when no entry is selected.
template <std::size_t N, class Entry>
std::optional<decltype(Entry::value)> Selected(const fw::TComboBox* list, const Entry (&table)[N])
{
    return conv::ValueAt(table, list->ItemIndex());
}
template <class Enum>
void Select(fw::TComboBox* list, std::optional<Enum> value)
{
    list->setItemIndex(value ? conv::PositionOf(*value) : -1);
}
std::optional<int> Position(const fw::TComboBox* list)
{
    const int position = list->ItemIndex();
    return position >= 0 ? std::optional<int>(position) : std::nullopt;
}

} // namespace

std::optional<conv::OutputFormat> TConvertSettings::OutputFormat() const
{
    return Selected(m_form.ComboBox1, conv::kOutputFormats);
}
void TConvertSettings::setOutputFormat(std::optional<conv::OutputFormat> format) { Select(m_form.ComboBox1, format); }

// The quality list shows the qualities in order, the save form's list plain, then progressive.
std::optional<int> TConvertSettings::JpegQuality() const { return Position(m_form.ComboBox3); }
void TConvertSettings::setJpegQuality(std::optional<int> quality) { m_form.ComboBox3->setItemIndex(quality.value_or(-1)); }
std::optional<bool> TConvertSettings::Progressive() const
{
    const auto position = Position(m_form.ComboBox2);
    return position ? std::optional<bool>(*position == 1) : std::nullopt;
}
void TConvertSettings::setProgressive(std::optional<bool> on) { m_form.ComboBox2->setItemIndex(on ? int(*on) : -1); }

std::optional<conv::ColourDepth> TConvertSettings::ColorDepth() const
{
    return Selected(m_form.ComboBox4, conv::kColourDepths);
}
void TConvertSettings::setColorDepth(std::optional<conv::ColourDepth> depth) { Select(m_form.ComboBox4, depth); }

std::optional<int> TConvertSettings::Brightness() const
{
    const auto position = Position(m_form.ComboBox7);
    return position ? std::optional<int>(conv::BrightnessAt(*position)) : std::nullopt;
}
void TConvertSettings::setBrightness(std::optional<int> step)
{
    m_form.ComboBox7->setItemIndex(step ? conv::BrightnessPosition(*step) : -1);
}

std::optional<conv::Rotation> TConvertSettings::Rotation() const { return Selected(m_form.ComboBox5, conv::kRotations); }
void TConvertSettings::setRotation(std::optional<conv::Rotation> rotation) { Select(m_form.ComboBox5, rotation); }
std::optional<conv::ResizeMode> TConvertSettings::ResizeMode() const
{
    return Selected(m_form.ComboBox6, conv::kResizeModes);
}
void TConvertSettings::setResizeMode(std::optional<conv::ResizeMode> mode) { Select(m_form.ComboBox6, mode); }

int TConvertSettings::ResizeWidth() const { return m_form.SpinEdit1->Value(); }
void TConvertSettings::setResizeWidth(int value) { m_form.SpinEdit1->setValue(value); }
int TConvertSettings::ResizeHeight() const { return m_form.SpinEdit2->Value(); }
void TConvertSettings::setResizeHeight(int value) { m_form.SpinEdit2->setValue(value); }
int TConvertSettings::ScalePercent() const { return m_form.SpinEdit3->Value(); }
void TConvertSettings::setScalePercent(int value) { m_form.SpinEdit3->setValue(value); }
int TConvertSettings::StartFrame() const { return m_form.SpinEdit4->Value(); }
void TConvertSettings::setStartFrame(int value) { m_form.SpinEdit4->setValue(value); }
int TConvertSettings::EndFrame() const { return m_form.SpinEdit5->Value(); }
void TConvertSettings::setEndFrame(int value) { m_form.SpinEdit5->setValue(value); }
int TConvertSettings::FrameStep() const { return m_form.SpinEdit6->Value(); }
void TConvertSettings::setFrameStep(int value) { m_form.SpinEdit6->setValue(value); }
