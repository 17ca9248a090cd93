#pragma once
// The values of the conversion settings' list fields; -1 means no entry selected.

enum TSourceMode { smMovie, smImages };
enum TOutputFormat { ofBmp = 0, ofTiff = 1, ofJpeg = 2, ofPcx = 3, ofPng = 4 };
enum TColorDepth { cd2Colors = 0, cd16Colors = 1, cd256Colors = 2, cdGrayscale = 3, cdFullColor = 4 };
enum TRotation { rtNone = 0, rt90 = 1, rt180 = 2, rt270 = 3 };
enum TResizeMode { rmNone = 0, rmPixels = 1, rmPixelsStretch = 2, rmScale = 3 };

// Brightness list index i stands for the step 10 - i; 10 leaves the picture unchanged.
inline constexpr int kBrightnessUnchanged = 10;
