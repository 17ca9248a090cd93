#pragma once
// A one-line text field with a browse button at its right end. The change
// notification fires whenever the text changes, from typing, the button or code.
#include <QWidget>

class QLineEdit;
class QToolButton;

class TButtonEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE setReadOnly)
public:
    explicit TButtonEdit(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);
    bool ReadOnly() const;
    void setReadOnly(bool on);
    QLineEdit* Editor() const { return m_edit; }
    // True inside OnChange when the change is the user's typing (not code, not the
    // browse button).
    bool Typing() const { return m_typing; }
    QToolButton* Button() const { return m_button; }

signals:
    void OnChange();
    // The user has finished with the field: it lost the focus or Enter was pressed.
    void OnExit();

protected:
    // Shows the dialog; returns the chosen text, or a null string when cancelled.
    virtual QString Browse() = 0;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_edit;
    QToolButton* m_button;
    bool m_typing = false;
};
