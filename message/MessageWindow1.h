#pragma once
// The character's speech balloon: asks one question of the catalogue and keeps the
// answer for the window that asked.
#include "framework/Form.h"
#include "ui_MessageWindow1.h"

class TMessageForm1 : public fw::TForm, public Ui::MessageForm1 {
    Q_OBJECT
public:
    explicit TMessageForm1(QWidget* parent = nullptr);

    int MessageNo = 0; // the question to ask, 0..7
    int Answer = 0;    // 1 after "は い", otherwise 0

    // Line `no` of the catalogue (empty outside it).
    QString CatalogueLine(int no) const;

public slots:
    void FormShow();
    void FormActivate();
    void SSButton1Click();
    void SSButton2Click();
};

extern TMessageForm1* MessageForm1;

// The catalogue line without its markup: tags dropped, "#" read as a line break.
QString MarkupToPlainText(const QString& markup);
