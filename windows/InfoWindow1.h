#pragma once
// The about window: title picture, credits and the three links.
#include "framework/Form.h"
#include "ui_InfoWindow1.h"

class TMessageForm1;

class TInfoForm1 : public fw::TForm, public Ui::InfoForm1 {
    Q_OBJECT
public:
    explicit TInfoForm1(QWidget* parent = nullptr);
    // The window that asks before a link is followed (made after this one).
    void SetPeers(TMessageForm1& message) { MessageForm1 = &message; }

    static const char* const kMakerSite;
    static const char* const kDesignerSite;
    static const char* const kSupportMail;

public slots:
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMessageForm1* MessageForm1 = nullptr;
};
