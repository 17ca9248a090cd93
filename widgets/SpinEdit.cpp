#include "widgets/SpinEdit.h"

#include "framework/Application.h"
#include "framework/Numbers.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {
bool IsTypingAllowed(const QString& text)
{
    for (const QChar c : text) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7F;
        if (!control && !c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-'))
            return false;
        if (c.isDigit() && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return false; // digits of other scripts do not parse
    }
    return true;
}

bool IsEditingKey(const QKeyEvent* key)
{
    if (!key->text().isEmpty())
        return true;
    return key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace;
}
} // namespace

TSpinEdit::TSpinEdit(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    m_edit->setFrame(true);
    m_edit->setText(QStringLiteral("0"));
    m_edit->installEventFilter(this);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(m_increment); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-m_increment); });
    // A keystroke is reported as an edit just before the change itself.
    connect(m_edit, &QLineEdit::textEdited, this, [this] {
        m_typing = true;
        m_typedSinceExit = true;
    });
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        emit OnChange();
        m_typing = false;
    });
    connect(m_edit, &QLineEdit::editingFinished, this, &TSpinEdit::Settle);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);
}

void TSpinEdit::resizeEvent(QResizeEvent*)
{
    const int buttonWidth = 14;
    const int h = height();
    m_edit->setGeometry(0, 0, width() - buttonWidth, h);
    m_up->setGeometry(width() - buttonWidth, 0, buttonWidth, h / 2);
    m_down->setGeometry(width() - buttonWidth, h / 2, buttonWidth, h - h / 2);
}

QString TSpinEdit::Text() const { return m_edit->text(); }

void TSpinEdit::setText(const QString& text) { SetTextFromCode(text); }

void TSpinEdit::SetTextFromCode(const QString& text)
{
    m_editGroupOpen = false;
    m_edit->setText(text);
}

int TSpinEdit::CheckValue(int value) const
{
    if (m_max == m_min)
        return value;
    if (value < m_min)
        return m_min;
    if (value > m_max)
        return m_max;
    return value;
}

int TSpinEdit::Value()
{
    if (const auto parsed = fw::ParseDecimalInteger(m_edit->text().toStdString()))
        return *parsed;
    SetTextFromCode(QString::number(m_min));
    return m_min;
}

void TSpinEdit::setValue(int value) { SetTextFromCode(QString::number(CheckValue(value))); }

void TSpinEdit::setMaxValue(int value)
{
    if (m_loading) {
        m_max = value;
        return;
    }
    if (value == m_max || value <= m_min)
        return;
    m_max = value;
    if (Value() > m_max)
        setValue(m_max);
}

void TSpinEdit::setMinValue(int value)
{
    if (m_loading) {
        m_min = value;
        return;
    }
    if (value == m_min || value >= m_max)
        return;
    m_min = value;
    if (Value() < m_min)
        setValue(m_min);
}

int TSpinEdit::MaxLength() const { return m_edit->maxLength() >= 32767 ? 0 : m_edit->maxLength(); }

void TSpinEdit::setMaxLength(int length) { m_edit->setMaxLength(length > 0 ? length : 32767); }

void TSpinEdit::Step(int delta)
{
    if (m_edit->isReadOnly())
        return;
    setValue(Value() + delta);
}

void TSpinEdit::ClampOnExit()
{
    const int v = Value();
    if (CheckValue(v) != v)
        setValue(v);
}

void TSpinEdit::Settle()
{
    if (!m_typedSinceExit)
        return;
    m_typedSinceExit = false;
    ClampOnExit();
    emit OnExit();
}

void TSpinEdit::Undo()
{
    if (!m_undoText)
        return;
    const QString before = *m_undoText;
    m_undoText = m_edit->text();
    SetTextFromCode(before);
}

void TSpinEdit::ClearUndo()
{
    m_undoText.reset();
    m_editGroupOpen = false;
}

bool TSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
            Step(m_increment);
            return true;
        case Qt::Key_Down:
            Step(-m_increment);
            return true;
        case Qt::Key_PageUp:
            Step(10 * m_increment);
            return true;
        case Qt::Key_PageDown:
            Step(-10 * m_increment);
            return true;
        default:
            break;
        }
        if (!key->text().isEmpty() && !(key->modifiers() & Qt::ControlModifier) && !IsTypingAllowed(key->text())) {
            fw::MessageBeep();
            return true;
        }
        // Typing since the last change from code or the last undo forms one edit.
        if (IsEditingKey(key) && !m_editGroupOpen) {
            m_undoText = m_edit->text();
            m_editGroupOpen = true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        m_editGroupOpen = false;
        ClampOnExit();
        Settle();
    }
    return QWidget::eventFilter(watched, event);
}
