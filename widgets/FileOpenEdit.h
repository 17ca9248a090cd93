#pragma once
// A read-only file field whose browse button opens the open-file dialog.
#include "widgets/ButtonEdit.h"

class TFileOpenEdit : public TButtonEdit {
    Q_OBJECT
    Q_PROPERTY(QString Filename READ Filename WRITE setFilename)
    Q_PROPERTY(QString Filter READ Filter WRITE setFilter)
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE setDefaultExt)
public:
    explicit TFileOpenEdit(QWidget* parent = nullptr);
    QString Filename() const { return Text(); }
    void setFilename(const QString& name) { setText(name); }
    // "description|pattern|description|pattern..."
    QString Filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; }
    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString& ext) { m_defaultExt = ext; }

protected:
    QString Browse() override;

private:
    QString m_filter;
    QString m_defaultExt;
};

// The dialog's filter list for a "description|pattern|..." filter. Each pattern is
// also given in capitals, so "*.avi" shows CLIP.AVI too.
QString DialogFilter(const QString& filter);
