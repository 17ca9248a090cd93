#pragma once
// The larger movie view, opened by clicking the main window's small view.
#include "framework/Form.h"
#include "ui_PreviewWindow1.h"

class TPreviewForm1 : public fw::TForm, public Ui::PreviewForm1 {
    Q_OBJECT
public:
    explicit TPreviewForm1(QWidget* parent = nullptr);

public slots:
    void FormClose();

signals:
    // The preview has stopped its movie: the main window's view plays again.
    void Closed();
};
