#include "windows/PreviewWindow1.h"

#include <QVBoxLayout>

TPreviewForm1::TPreviewForm1(QWidget* parent)
    : fw::TForm(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setupUi(this);
    LoadLayout();
    // The movie fills the whole client area and follows every resize.
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(GKitMSPlay1);
    resize(292, 322);
    move(20, 20);
}

void TPreviewForm1::FormClose()
{
    GKitMSPlay1->Stop();
    emit Closed();
}
