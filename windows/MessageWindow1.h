#pragma once
// The character's speech balloon: types one question of the catalogue out in the
// markup renderer and keeps the answer for the window that asked.
#include "framework/Form.h"
#include "widgets/MsgView3.h"
#include "ui_MessageWindow1.h"

#include <memory>

class TMessageForm1 : public fw::TForm, public Ui::MessageForm1 {
    Q_OBJECT
public:
    explicit TMessageForm1(QWidget* parent = nullptr);
    ~TMessageForm1() override;

    int MessageNo = 0; // the question to ask, 0..7
    int Answer = 0;    // 1 after "は い", otherwise 0

    // Line `no` of the catalogue (empty outside it).
    QString CatalogueLine(int no) const;
    // The renderer typing the message now, or none.
    TMessageOut* CurrentRenderer() const { return m_renderer.get(); }

public slots:
    void FormShow();
    void FormActivate();
    void Image1MouseDown();
    void Image1MouseUp();
    void SSButton1Click();
    void SSButton2Click();

private:
    void CloseWhenTyped();

    std::unique_ptr<TMessageOut> m_renderer;
    bool m_closeWhenTyped = false;
};
