#include "widgets/ShadoLbl.h"

TShadowLabel::TShadowLabel(QWidget* parent) : fw::TLabel(parent) {}
