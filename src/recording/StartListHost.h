#pragma once

#include "grid/GridModel.h"
#include "startlist/StartList.h"

#include <QObject>

#include <functional>
#include <optional>

class QWidget;
class clsFile;

// The start list of the open record file as the main window uses it: read when the file opens,
// its names and its warning for bibs not on it, and the File menu's start list and passages
// commands (which raise their errors for the window to report). Whatever shows names follows
// Changed.
class StartListHost : public QObject {
    Q_OBJECT
public:
    // Runs a dialog with focus catching paused, so that it keeps the focus.
    using WithoutCatching = std::function<void(const std::function<void()>& dialog)>;

    // Questions and dialogs belong to `window`.
    StartListHost(const clsFile& records, QWidget* window, WithoutCatching withoutCatching);

    // Reads the list kept beside the record file; none without a file. Opening a file is not held
    // up by it: a list that cannot be read is told by State, and the file opens without names.
    void LoadForFile();
    // File > Start list...: a CSV file through the import preview, kept beside the record file.
    void Choose();
    // File > Remove start list, when the operator agrees.
    void Remove();
    // File > Export passages...: never onto the record file or the files kept beside it.
    void ExportPassages();

    bool IsEmpty() const { return m_list.IsEmpty(); }
    const StartList& List() const { return m_list; }
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
    WithoutCatching m_withoutCatching;
    StartList m_list;
};
