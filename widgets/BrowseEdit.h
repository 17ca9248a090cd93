#pragma once
// A folder field whose browse button opens the folder-selection dialog.
#include "widgets/ButtonEdit.h"

class TBrowseEdit : public TButtonEdit {
    Q_OBJECT
    Q_PROPERTY(QString Path READ Path WRITE setPath)
public:
    explicit TBrowseEdit(QWidget* parent = nullptr);
    QString Path() const { return Text(); }
    void setPath(const QString& path) { setText(path); }

protected:
    QString Browse() override;
};
