#include "widgets/BrowseEdit.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

TBrowseEdit::TBrowseEdit(QWidget* parent) : TButtonEdit(parent) {}

QString TBrowseEdit::Browse()
{
    QString start = Path();
    if (start.isEmpty() || !QDir(start).exists())
        start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString chosen = QFileDialog::getExistingDirectory(window(), QString(), start);
    return chosen.isEmpty() ? QString() : QDir::cleanPath(chosen);
}
