#pragma once

#include "grid/GridModel.h"
#include "startlist/StartList.h"

#include <QObject>

#include <optional>

class QWidget;
class clsFile;

// The start list of the open record file as the main window uses it: read when the file opens,
// its names and its warning for bibs not on it, and the File menu's start list and results
// commands (which raise their errors for the window to report). Whatever shows names follows
// Changed.
class StartListHost : public QObject {
    Q_OBJECT
public:
    // Questions and dialogs belong to `window`.
    StartListHost(const clsFile& records, QWidget* window);

    // Reads the list kept beside the record file; none without a file. Opening a file is not held
    // up by it: a list that cannot be read is told by State, and the file opens without names.
    void LoadForFile();
    // File > Start list...: loads a CSV file and keeps it beside the record file. Bad lines are
    // listed in one message; the rest loads.
    void Choose();
    // File > Remove start list, when the operator agrees.
    void Remove();
    // File > Export results...: never onto the record file or the files kept beside it.
    void ExportResults();

    bool IsEmpty() const { return m_list.IsEmpty(); }
    QString Name(qint32 bib) const { return m_list.Name(bib); }
    // The name of each bib; an empty function without a list.
    std::function<QString(qint32)> NameLookup() const;
    // For the grid: the warning of a bib not on the list, and the name column; none without a list.
    GridModel::BibWarning BibWarning() const;
    std::optional<GridModel::ExtraColumn> NameColumn() const;
    // The hint for a bib being typed that is not on the list; "" for any other text.
    QString NotListedHint(const QString& typed) const;

signals:
    void Changed();
    // For the status bar: a language key and its placeholders.
    void State(const QString& key, const QList<QPair<QString, QString>>& values);

private:
    const clsFile& m_records;
    QWidget* m_window;
    StartList m_list;
};
