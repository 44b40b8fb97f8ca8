#pragma once

#include "records/TimesSidecar.h"
#include "records/tBib.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>

// The bib records of the open record file, kept in step with the ".stn" file on disk: every
// change is on the disk before the operation returns. Failures are reported through the error
// handler; the operation then returns false and the list keeps the change.
class clsFile {
public:
    // Appends (before < 0) or inserts before a 0-based index, and writes the record to disk.
    bool AddBib(qint32 bib, qint32 before = -1);
    // Replaces the bib at a 0-based index and rewrites the file; false for an index out of range.
    bool EditBib(qint32 index, qint32 bib);
    // Removes the record at a 0-based index and rewrites the file; false for an index out of range.
    bool DeleteBib(qint32 index);
    // Rewrites the whole file from the list; false when no file is open or the write failed.
    // Between BeginChange and EndChange the rewrites wait and happen once at the end, so several
    // edits that belong together (a bib moved: two records changed) reach the disk together.
    bool SaveFile();
    void BeginChange();
    bool EndChange();
    // Reads the file named by FileName into the list. False (reported) when it cannot be read or
    // holds a bib outside the 32-bit range; the list is then unchanged.
    bool ReadFile();
    // A copy of the record at a 0-based index; ID 0 and bib 0 outside 0 .. Count - 1.
    tBib GetRecord(qint32 index) const;

    // When the passage at a 0-based index was recorded (local time with its UTC offset); invalid
    // for a record without time (inserted, or read without a matching times file) and outside
    // 0 .. Count - 1. Kept beside the record file (TimesSidecar); moves keep times at positions.
    QDateTime PassageTime(qint32 index) const;
    // The latest passage time of a bib; invalid when none of its records has a time.
    QDateTime LastPassage(qint32 bib) const;
    // What the times file held when the record file was opened.
    TimesFileState TimesState() const { return m_times.OpenedState(); }
    // False after the times file could not be written, until a later write worked.
    bool TimesSaved() const { return m_times.Saved(); }

    // Asks for a path with the save dialog, replaces that file by an empty one and opens it.
    // False when the dialog was cancelled or the file could not be created (reported).
    bool NewFile();
    // Opens an existing file: MaxID 0, read, Changed false. An empty name asks with the open
    // dialog; `chosen` receives the path used. False when no path was chosen, the file does not
    // exist or cannot be read; nothing changes then.
    bool OpenFile(const QString& fileName = QString(), QString* chosen = nullptr);
    // Keeps a dated copy of a changed file (best effort) and closes it.
    bool CloseFile();
    // The dated copy's path for a record file closed at a moment.
    static QString DatedCopyPath(const QString& fileName, const QDateTime& moment);

    // Refills a grid with every record: redraw off, clear, one row per record, redraw on.
    template <typename Grid> void LoadIntoGrid(Grid& grid) const {
        grid.setRedraw(false);
        grid.Clear();
        for (const tBib& record : m_records)
            grid.AddBib(record.Bib);
        grid.setRedraw(true);
    }

    // How NewFile and OpenFile ask for a path (the dialogs live with the windows). Returns ""
    // when the user cancelled.
    enum class PathQuestion { NewFile, OpenFile };
    using PathDialog = std::function<QString(PathQuestion)>;
    void SetPathDialog(PathDialog dialog) { m_pathDialog = std::move(dialog); }

    qint32 Count() const { return static_cast<qint32>(m_records.size()); }
    QString FileName() const { return m_fileName; }
    qint32 MaxID() const { return m_maxId; }
    bool Changed() const { return m_changed; }
    // False after a write failed, until a later write brought the whole file in step again.
    bool InStep() const { return m_inStep; }

private:
    void WriteNewRecord(qint32 bib);
    void AppendPassage(qint32 bib);
    void WriteAll();

    PathDialog m_pathDialog;
    QVector<tBib> m_records;
    TimesSidecar m_times;
    QString m_fileName;
    qint32 m_maxId = 0;
    bool m_changed = false;
    bool m_inStep = true;
    int m_changeDepth = 0;
    bool m_savePending = false;
    // False while a passage of the list may be missing on the disk (an append failed).
    bool m_passagesOnDisk = true;
};
