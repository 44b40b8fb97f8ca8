#pragma once

#include "base/ErrorInfo.h"
#include "records/TimesSidecar.h"
#include "records/tBib.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>

// The bib records of the open record file, kept in step with the ".stn" file on disk: every
// change is on the disk before the operation returns. A write that fails returns false: the list
// keeps the change, WriteError() says why, and until a full write succeeds the whole list is also
// kept in a recovery copy (RecoveryCopy.h). Write failures are not shown here: the window that
// started the change shows them without taking the keyboard from the operator.
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
    // Whether the last record holds this bib: a runner scanned twice in a row.
    bool RepeatsLast(qint32 bib) const { return !m_records.isEmpty() && m_records.last().Bib == bib; }

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
    // While out of step: the failed write's error; where the list is kept meanwhile (the recovery
    // copy, "" when that could not be written either) and why not; how many records the file lacks.
    ErrorInfo WriteError() const { return m_writeError; }
    QString KeptIn() const { return m_keptIn; }
    QString KeepError() const { return m_keepError; }
    qint32 RecordsNotInFile() const;
    // The file held zero bytes (a power cut's padding) that the reader skipped; the next change
    // rewrites it whole, without them.
    bool ZeroPadded() const { return m_zeroPadded; }

    // Writes the whole list to another file, which then is the open record file and in step.
    // Raises an error when it cannot be written; the open file stays as it is then.
    void SaveAs(const QString& path);
    // Replaces the records by those of a recovery copy an earlier run left: the file is kept as a
    // dated copy first (raises an error when it cannot be), then the list is written whole; the
    // recovery copy goes once the file holds its records. False when that write failed.
    bool AdoptRecoveryCopy(const QVector<qint32>& bibs);
    // Writes the list (not the disk file, which may lag behind it) to another file, which is
    // replaced only once the new content is complete. Raises an error when it cannot.
    void ExportTo(const QString& path) const;
    // Counts the changes of the list, so figures derived from the records can tell whether they
    // are current and whether the one change since was a record added.
    quint64 Revision() const { return m_revision; }
    // Changes whenever a file is opened or closed: the list holds another file, or the same one
    // opened anew, with record IDs counted from 1 again.
    quint64 Openings() const { return m_openings; }
    // The record added by the latest change when that change was AddBib; ID 0 otherwise.
    tBib LastAdded() const { return m_lastAdded; }

private:
    void NoteChange(const tBib& added = tBib{});
    void WriteNewRecord(qint32 bib);
    void AppendPassage(qint32 bib);
    void WriteAll();
    void ListWritten();
    void KeepAfterFailure(const ErrorInfo& error);
    void ResetWriteState();

    PathDialog m_pathDialog;
    QVector<tBib> m_records;
    TimesSidecar m_times;
    QString m_fileName;
    qint32 m_maxId = 0;
    bool m_changed = false;
    bool m_inStep = true;
    int m_changeDepth = 0;
    quint64 m_revision = 0;
    quint64 m_openings = 0;
    tBib m_lastAdded;
    bool m_savePending = false;
    // False while a passage of the list may be missing on the disk (an append failed).
    bool m_passagesOnDisk = true;
    bool m_zeroPadded = false;
    QVector<qint32> m_onDisk; // the bibs the file holds, as far as this object wrote or read them
    ErrorInfo m_writeError;
    QString m_keptIn;
    QString m_keepError;
    bool m_recoveryOwned = false; // the recovery copy on the disk is this session's
};
