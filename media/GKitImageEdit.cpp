#include "media/GKitImageEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

TGKitImageEdit::TGKitImageEdit(QWidget* parent) : QWidget(parent) {}

TGKitImageEdit::~TGKitImageEdit() = default;

bool TGKitImageEdit::CreateFromClipboard()
{
    return m_control.SetPicture(ImageFromQImage(QGuiApplication::clipboard()->image()));
}
