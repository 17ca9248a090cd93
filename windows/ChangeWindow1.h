#pragma once
// The main window: the source (one movie or a list of images), the frame range,
// the output format and processing options, and the output folder.
#include "windows/ConvertSettings.h"
#include "windows/MainState.h"
#include "engine/Conversion.h"
#include "engine/Pipeline.h"
#include "engine/RunOptions.h"
#include "framework/Form.h"
#include "ui_ChangeWindow1.h"

#include <QImage>
#include <QList>
#include <QStringList>

class QTimer;
class TShapeHint;
class TInfoForm1;
class TMessageForm1;
class TOptionsForm1;
class TPreviewForm1;

class TChangeForm1 : public fw::TForm, public Ui::ChangeForm1 {
    Q_OBJECT
public:
    explicit TChangeForm1(QWidget* parent = nullptr);
    ~TChangeForm1() override;

    // The windows this one opens and asks through, made after it; it plays its movie
    // again when the preview has stopped its own.
    void SetPeers(TPreviewForm1& preview, TInfoForm1& info, TMessageForm1& message, TOptionsForm1& options);

    TConvertSettings Settings() { return TConvertSettings(*this); }
    // The window's state as its controls and options show it (see TMainState).
    TMainState State();

    QTimer* Timer1;
    QList<QImage> ImageList1; // the character's two pictures
    TShapeHint* ShapeHint1;

    int AnimFrame = 0;     // character picture drawn next
    // The run's options beyond the lists (the options window's, kept in [OPTIONS]).
    conv::RunOptions Options;
    // Movies dropped together, the last of them in the movie field: a run cuts each
    // in turn. Empty once another movie is chosen.
    QStringList MoviesDropped;
    // The format of the last run (the image edit control's first one before any run),
    // which a run with no format selected keeps, with its extension.
    conv::OutputFormat RunFormat = conv::OutputFormat::Bmp;
    QString ProgramFolder; // folder of the program file, no trailing "/"

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
    // The options window (a right click on the window, or F2).
    void OpenOptions();
    // The run's options taken, the frame total following them.
    void SetOptions(const conv::RunOptions& options);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TPreviewForm1* PreviewForm1 = nullptr;
    TInfoForm1* InfoForm1 = nullptr;
    TMessageForm1* MessageForm1 = nullptr;
    TOptionsForm1* OptionsForm1 = nullptr;

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
    media::Result<void> RunImages(conv::RunReport& report);
    media::Result<void> RunMovie(conv::RunReport& report);
    void WriteRecord(const std::vector<conv::Outcome>& outcomes, const std::string& folder, const std::string& movie,
                     bool cutOff);
    // How many pictures the run takes from the movie shown, as the engine picks them.
    int FramesPicked();
};
