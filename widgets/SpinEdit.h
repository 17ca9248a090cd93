#pragma once
// An integer field with up and down arrows. Typing takes digits, "+" and "-" only;
// the limits are checked when the value is set or the field is left, not while
// the user types.
#include <QWidget>
#include <optional>

class QLineEdit;
class QToolButton;

class TSpinEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(int MinValue READ MinValue WRITE setMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE setMaxValue)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE setMaxLength)
    Q_PROPERTY(int Increment READ Increment WRITE setIncrement)
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    // Reads the text without clamping; an empty or non-numeric text is replaced by
    // the minimum, which is what it then reads as.
    int Value();
    // Clamps to MinValue..MaxValue (not while the two are equal) and rewrites the text.
    void setValue(int value);
    int MinValue() const { return m_min; }
    void setMinValue(int value);
    int MaxValue() const { return m_max; }
    void setMaxValue(int value);
    int MaxLength() const;
    void setMaxLength(int length);
    int Increment() const { return m_increment; }
    void setIncrement(int step) { m_increment = step; }

    QString Text() const;
    void setText(const QString& text);

    // Puts back the text from before the last edit by the user; the undo of an undo
    // brings the edit back.
    void Undo();
    void ClearUndo();
    bool CanUndo() const { return m_undoText.has_value(); }

    QLineEdit* Editor() const { return m_edit; }

    // True while OnChange reports a keystroke (not a change from code or the arrows).
    bool Typing() const { return m_typing; }
    // What leaving the field does, for a value used before the field was left: when
    // the user typed since, the limits apply and OnExit is raised.
    void Settle();

    // The layout has been read: from now on the limit setters check their values.
    Q_INVOKABLE void Loaded() { m_loading = false; }

signals:
    void OnChange();
    // The user has finished typing: the field was left, or Enter was pressed.
    void OnExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 0;
    int m_increment = 1;
    bool m_loading = true;
    std::optional<QString> m_undoText;
    bool m_editGroupOpen = false;
    bool m_typing = false;
    bool m_typedSinceExit = false;

    int CheckValue(int value) const;
    void Step(int delta);
    void ClampOnExit();
    void SetTextFromCode(const QString& text);
};
