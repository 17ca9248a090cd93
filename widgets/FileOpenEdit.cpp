#include "widgets/FileOpenEdit.h"

#include <QFileDialog>
#include <QFileInfo>

QString DialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const int paren = description.indexOf(QLatin1Char('('));
        if (paren > 0)
            description = description.left(paren).trimmed();
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << p.trimmed();
            if (p.trimmed().toUpper() != p.trimmed())
                patterns << p.trimmed().toUpper();
        }
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

TFileOpenEdit::TFileOpenEdit(QWidget* parent) : TButtonEdit(parent) { setReadOnly(true); }

QString TFileOpenEdit::Browse()
{
    const QString start = Filename().isEmpty() ? QString() : QFileInfo(Filename()).absolutePath();
    QString chosen = QFileDialog::getOpenFileName(window(), QString(), start, DialogFilter(m_filter));
    if (chosen.isEmpty())
        return QString();
    if (!m_defaultExt.isEmpty() && QFileInfo(chosen).suffix().isEmpty() && !QFileInfo::exists(chosen))
        chosen += QLatin1Char('.') + m_defaultExt;
    return chosen;
}
