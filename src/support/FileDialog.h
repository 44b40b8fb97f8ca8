#pragma once

#include "support/FileDialogSeam.h"
#include "support/FileFilter.h"

#include <QPointer>
#include <QString>
#include <QWidget>

// The open, save and folder dialogs behind write-only properties. A fresh object serves one use:
// set the title and filter pairs, call ShowOpen, ShowSave or ShowFolder, read FileName. Each dialog
// starts in the remembered folder ("CurrDir" of the family key) and can remember the chosen one.
// Failures show a message box of their own and are not logged; a cancel gives empty text.
class FileDialog {
public:
    FileDialog();

    // Owner of the folder dialog when ShowFolder gets none.
    void hWnd(QWidget* owner) { m_owner = owner; }
    void DefaultDir(const QString& folder) { m_startFolder = folder; }
    void InitDir(const QString& folder) { m_startFolder = folder; }
    void DefaultFileName(const QString& name) { m_defaultFileName = name; }
    void DefaultExt(const QString& extension) { m_defaultExt = extension; }
    void DialogTitle(const QString& title) { m_title = title; }
    // A custom NUL-separated list of text/pattern pairs put in front of the numbered pairs.
    void Filter(const QString& list) { m_filters.custom = CustomFilterValue(list); }
    // Text and pattern of pair 1 to 12; another index raises an error.
    void SetFilterText(int index, const QString& text);
    void SetFilterSuffix(int index, const QString& pattern);
    void Filter1Text(const QString& text) { SetFilterText(1, text); }
    void Filter1Suffix(const QString& pattern) { SetFilterSuffix(1, pattern); }
    // 0 lets the intention choose them; set flags are used as they are, plus multi-select.
    void flags(quint32 value) { m_flags = value; }
    void MultiSelect(bool on) { m_multiSelect = on; }
    // The multi-selection is handed back raw: folder and names, each followed by a NUL.
    void MultiSelectOCXCompatible(bool on);

    QString FileName() const { return m_fileName; }
    qint16 FileCount() const { return m_fileCount; }
    // The next path of a multi-selection; empty after the last.
    QString GetNextFile();

    // Each returns the chosen path (ShowFolder: folder) or empty text. With savePath the folder of
    // the chosen file is remembered unless it lies on the network.
    QString ShowOpen(QWidget* owner = nullptr, bool savePath = false);
    QString ShowSave(QWidget* owner = nullptr, bool savePath = false);
    QString ShowFolder(QWidget* owner = nullptr);

private:
    FileDialogRequest Request(FileDialogRequest::Kind kind, QWidget* owner, const QString& filterList) const;
    void RememberFolder(const QString& folder) const;
    static void ShowFailure(const QString& description);

    QString m_title;
    FilterPairs m_filters;
    quint32 m_flags = 0;
    QString m_defaultExt;
    QString m_startFolder;
    bool m_multiSelect = false;
    qint16 m_fileCount = 0;
    QPointer<QWidget> m_owner;
    bool m_compatible = false;
    QString m_fileName;
    QString m_defaultFileName;
    MultiSelection m_selection;
};
