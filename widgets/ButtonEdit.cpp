#include "widgets/ButtonEdit.h"

#include <QLineEdit>
#include <QToolButton>

TButtonEdit::TButtonEdit(QWidget* parent) : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this))
{
    m_button->setText(QStringLiteral("…"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    // A keystroke is reported as an edit just before the change itself.
    connect(m_edit, &QLineEdit::textEdited, this, [this] { m_typing = true; });
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        emit OnChange();
        m_typing = false;
    });
    connect(m_edit, &QLineEdit::editingFinished, this, &TButtonEdit::OnExit);
    connect(m_button, &QToolButton::clicked, this, [this] {
        const QString chosen = Browse();
        if (!chosen.isNull())
            setText(chosen);
    });
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);
}

void TButtonEdit::resizeEvent(QResizeEvent*)
{
    const int buttonWidth = height();
    m_edit->setGeometry(0, 0, width() - buttonWidth, height());
    m_button->setGeometry(width() - buttonWidth, 0, buttonWidth, height());
}

QString TButtonEdit::Text() const { return m_edit->text(); }

void TButtonEdit::setText(const QString& text) { m_edit->setText(text); }

bool TButtonEdit::ReadOnly() const { return m_edit->isReadOnly(); }

void TButtonEdit::setReadOnly(bool on) { m_edit->setReadOnly(on); }
