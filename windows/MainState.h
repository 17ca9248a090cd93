#pragma once
// The main window's state, typed: the source and its mode, the range, the picture
// settings, the output folder and the options. The controls show it and change it
// (TChangeForm1::State reads it from them); the engine is given only what is made
// from it, here, in one place.
#include "engine/Pipeline.h"
#include "engine/RunOptions.h"
#include "windows/ConvertSettings.h"

#include <QString>
#include <QStringList>

struct TMainState {
    TSourceMode mode = smMovie;
    QString movie;             // the movie field's
    int lastFrame = 0;         // its last position (0 without a movie)
    QStringList moviesDropped; // several dropped together, the field's the last of them
    QStringList images;
    int startFrame = 0, endFrame = 0, frameStep = 1;
    conv::PictureSettings picture;
    bool brightnessChosen = true; // a run without a brightness stops at its first picture
    QString outputFolder;
    conv::RunOptions options;
};

// The run the state asks for: its pictures, or its movie (several dropped together:
// each in turn, an end at the shown one's last frame being each one's own end),
// the range, the picks and the options.
conv::RunRequest RunRequestOf(const TMainState& state);
