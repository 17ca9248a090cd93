#pragma once
// The main window: the source (one movie or a list of images), the frame range,
// the output format and processing options, and the output folder.
#include "windows/ConvertSettings.h"
#include "engine/Conversion.h"
#include "framework/Form.h"
#include "ui_ChangeWindow1.h"

#include <QImage>
#include <QList>
#include <QStringList>

class QTimer;
class TShapeHint;

class TChangeForm1 : public fw::TForm, public Ui::ChangeForm1 {
    Q_OBJECT
public:
    explicit TChangeForm1(QWidget* parent = nullptr);
    ~TChangeForm1() override;

    TConvertSettings Settings() { return TConvertSettings(*this); }

    QTimer* Timer1;
    QList<QImage> ImageList1; // the character's two pictures
    TShapeHint* ShapeHint1;

    int AnimFrame = 0;     // character picture drawn next
    QString OutputExt;     // extension of the conversion in progress
    // The format of the last run (the image edit control's first one before any run),
    // which a run with no format selected keeps, with its extension.
    conv::OutputFormat RunFormat = conv::OutputFormat::Bmp;
    QString ProgramFolder; // folder of the program file, no trailing "/"
    QString ArgExt;        // extension of the last command-line file examined

    // The file the settings are read from and written to.
    QString SettingsFileName;
    // The file paths given on the command line.
    QStringList CommandLine;

    // The user's documents folder, which the folder field shows until settings say otherwise.
    static QString DefaultOutputFolder();

public slots:
    void FormShow();
    // The conversion settings as the lists and fields show them. A list with nothing
    // selected counts as: format, the last run's; quality, the lowest; save form,
    // plain; colour depth, each picture's own; brightness, unchanged (but a run does
    // not take it: BrightnessChosen); rotation and resize, none.
    conv::PictureSettings PictureSettingsShown();
    // Whether a brightness is selected; a run without one stops at its first picture.
    bool BrightnessChosen();
    // Puts conversion settings into the lists and fields, in the order the lists'
    // handlers need (the scale only when asked: a restore leaves it).
    void ShowPictureSettings(const conv::PictureSettings& p, bool withScale);

    void FormClose();
    void SSButton1Click(); // the conversion run
    void ComboBox1Change();
    void ComboBox6Change();
    void SSButton2Click();
    void SSButton3Click();
    void SSButton5Click();
    void SSButton6Click();
    void SSButton7Click();
    void SSButton8Click();
    void SSButton11Click();
    void SSButton33Click();
    void Timer1Timer();
    void BrowseEdit1Change();
    void Edit2Change();
    void SpinEdit4Change();
    void SpinEdit5Change();
    void SpinEdit6Change();
    void GKitMSPlay1Click();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void DrawCharacter();
    // Fills the conversion settings' lists with their captions.
    void FillPictureLists();
    void WriteFrameTotal();
    void ShowThumbnail(int frame, class fw::TImage* target);
    // Back to no movie chosen (labels, thumbnails, frame fields); the field keeps its path.
    void ForgetMovie();
    // True while the movie's path still names the file that was opened; otherwise
    // says so once, naming the file, and forgets the movie.
    bool MovieStillThere();
    void DropFiles(const QStringList& files);
    void DropFolderSeparator();
    void OpenGuide();
    // The start button's two runs; a failure that ends the run as a whole comes back
    // for the button to word.
    media::Result<void> RunImages(const TConvertSettings& s, const conv::PictureSettings& picture,
                                  conv::RunReport& report);
    media::Result<void> RunMovie(const TConvertSettings& s, const conv::PictureSettings& picture,
                                 conv::RunReport& report);
};

extern TChangeForm1* ChangeForm1;
