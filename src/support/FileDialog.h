#pragma once

#include "support/FileDialogSeam.h"

#include <QString>
#include <QWidget>

// The open and save dialogs for one use: set the title and the filter, call ShowOpen or ShowSave,
// read FileName. Each dialog starts in the remembered folder ("CurrDir" of the family key) and
// remembers the folder of the chosen file unless it lies on the network.
// Failures show a message box of their own and are not logged; a cancel gives empty text.
class FileDialog {
public:
    FileDialog();

    void DialogTitle(const QString& title) { m_title = title; }
    void Filter1Text(const QString& text) { m_filterText = text; }
    void Filter1Suffix(const QString& patterns) { m_filterPatterns = patterns; }
    // A second choice of files, offered after the first; none unless set.
    void Filter2(const QString& text, const QString& patterns) {
        m_filter2Text = text;
        m_filter2Patterns = patterns;
    }
    void DefaultExt(const QString& extension) { m_defaultExt = extension; }
    // The file name a save dialog offers in its start folder.
    void SuggestedName(const QString& name) { m_suggestedName = name; }

    QString FileName() const { return m_fileName; }

    // Each returns the chosen path, or empty text.
    QString ShowOpen(QWidget* owner);
    QString ShowSave(QWidget* owner);

private:
    QString Show(FileDialogRequest::Kind kind, QWidget* owner);

    QString m_title;
    QString m_filterText;
    QString m_filterPatterns;
    QString m_filter2Text;
    QString m_filter2Patterns;
    QString m_defaultExt;
    QString m_suggestedName;
    QString m_startFolder;
    QString m_fileName;
};
