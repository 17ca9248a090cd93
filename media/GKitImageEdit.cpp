#include "media/GKitImageEdit.h"

TGKitImageEdit::TGKitImageEdit(QWidget* parent) : QWidget(parent) {}

TGKitImageEdit::~TGKitImageEdit() = default;

int TGKitImageEdit::ImageWidth() const { return 0; }
int TGKitImageEdit::ImageHeight() const { return 0; }

bool TGKitImageEdit::Load() { return false; }
bool TGKitImageEdit::CreateFromClipboard() { return false; }
bool TGKitImageEdit::ChangeColorDepth(short) { return false; }
bool TGKitImageEdit::AdjustBrightness(short, short) { return false; }
bool TGKitImageEdit::RotateArbitrary(short) { return false; }
bool TGKitImageEdit::ResizeImage(int, int) { return false; }
bool TGKitImageEdit::Save(const QString&) { return false; }
