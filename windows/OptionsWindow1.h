#pragma once
// The options window: the command line's powers for the window's runs (how a movie's
// pictures are picked and named, files there already, the run's record, the photos'
// metadata, deinterlacing, pixel shape), drawn like the other windows. It shows a
// set of options and gives back the one the user leaves with OK.
#include "engine/RunOptions.h"
#include "framework/Form.h"
#include "media/Result.h"
#include "ui_OptionsWindow1.h"

#include <optional>

class TOptionsForm1 : public fw::TForm, public Ui::OptionsForm1 {
    Q_OBJECT
public:
    explicit TOptionsForm1(QWidget* parent = nullptr);

    // What the example name is made of: the movie (a path; none: "clip.avi"), its first
    // picture's position and time, and the extension written.
    void SetExample(const QString& movie, int frame, double seconds, const QString& ext);
    // Shows `options` modally; the options as left with OK, none when cancelled.
    std::optional<conv::RunOptions> Edit(const conv::RunOptions& options);

    // The controls set to `options`, and read back; a value that cannot be read (a time
    // that is none, a template with a fault) is the failure, in the window's words.
    void Show(const conv::RunOptions& options);
    media::Result<conv::RunOptions> Shown() const;

public slots:
    void FormShow();
    void ComboBox1Change();
    void SSButton1Click();
    void SSButton2Click();
    void SSButton3Click();

private:
    void ShowExample();

    QString m_movie;
    int m_frame = 0;
    double m_seconds = 0;
    QString m_ext = QStringLiteral(".bmp");
    bool m_accepted = false;
};
