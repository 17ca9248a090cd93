#pragma once
// Where a run takes its pictures from: one movie, or the list of images.

enum TSourceMode { smMovie, smImages };
