#include "app/ConvertSettings.h"

#include "app/ChangeWindow1.h"
#include "framework/Paths.h"

TSourceMode TConvertSettings::SourceMode() const { return m_form.SSButton2->Down() ? smImages : smMovie; }

QString TConvertSettings::MovieFile() const { return m_form.Edit2->Filename(); }
void TConvertSettings::setMovieFile(const QString& path) { m_form.Edit2->setFilename(path); }

QStringList TConvertSettings::ImageFiles() const { return m_form.ListBox1->Items(); }

QString TConvertSettings::OutputFolder() const
{
    return QString::fromStdString(fw::WithoutTrailingSeparator(m_form.BrowseEdit1->Path().toStdString()));
}
void TConvertSettings::setOutputFolder(const QString& folder) { m_form.BrowseEdit1->setPath(folder); }

int TConvertSettings::OutputFormat() const { return m_form.ComboBox1->ItemIndex(); }
void TConvertSettings::setOutputFormat(int index) { m_form.ComboBox1->setItemIndex(index); }
int TConvertSettings::JpegQuality() const { return m_form.ComboBox3->ItemIndex(); }
void TConvertSettings::setJpegQuality(int index) { m_form.ComboBox3->setItemIndex(index); }
int TConvertSettings::SaveForm() const { return m_form.ComboBox2->ItemIndex(); }
void TConvertSettings::setSaveForm(int index) { m_form.ComboBox2->setItemIndex(index); }
int TConvertSettings::ColorDepth() const { return m_form.ComboBox4->ItemIndex(); }
void TConvertSettings::setColorDepth(int index) { m_form.ComboBox4->setItemIndex(index); }
int TConvertSettings::Brightness() const { return m_form.ComboBox7->ItemIndex(); }
void TConvertSettings::setBrightness(int index) { m_form.ComboBox7->setItemIndex(index); }
int TConvertSettings::Rotation() const { return m_form.ComboBox5->ItemIndex(); }
void TConvertSettings::setRotation(int index) { m_form.ComboBox5->setItemIndex(index); }
int TConvertSettings::ResizeMode() const { return m_form.ComboBox6->ItemIndex(); }
void TConvertSettings::setResizeMode(int index) { m_form.ComboBox6->setItemIndex(index); }

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
