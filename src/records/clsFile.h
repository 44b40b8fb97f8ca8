#pragma once

#include "base/ErrorInfo.h"
#include "records/FileIdentity.h"
#include "records/TimesSidecar.h"
#include "records/tBib.h"

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QVector>

#include <memory>

// The bib records of the open record file, kept in step with the ".stn" file on disk: every
// change is on the disk before the operation returns. A write that fails returns false: the list
// keeps the change, WriteError() says why, and until a full write succeeds the whole list is also
// kept in a recovery copy (RecoveryCopy.h). Nothing is shown here: errors of the caller's request
// are raised, write failures wait in WriteError() for the window, which shows them without taking
// the keyboard from the operator.
//
// Only one object, in one program, writes a record file: opening it for writing takes the lock
// beside it (RecordLock.h). Before each write the file on the disk is checked to be the one last
// written; a file that is gone is never made anew (a write fault), one that is not the same is
// written whole, and kept as a dated copy first when it holds records the list lacks.
class clsFile {
public:
    // Appends (before < 0) or inserts before a 0-based index, and writes the record to disk.
    // An appended passage is timed `at` (a scan held back by a dialog), else now; an inserted record
    // takes `at` (none when invalid: a record put in by hand, not recorded as a passage).
    // Raises an error for a position beyond the end (nothing changes) and when no file is open
    // (the record stays in the list).
    bool AddBib(qint32 bib, qint32 before = -1, const QDateTime& at = QDateTime());
    // Replaces the bib at a 0-based index and rewrites the file; false for an index out of range.
    bool EditBib(qint32 index, qint32 bib);
    // Removes the record at a 0-based index and rewrites the file; false for an index out of range.
    bool DeleteBib(qint32 index);
    // Rewrites the whole file from the list; false when no file is open or the write failed. After
    // a failed write, when the file lacks only passages at its end (no correction is missing),
    // they are appended instead: that needs room for them only, not for a second copy of the file.
    // Between BeginChange and EndChange the rewrites wait and happen once at the end, so several
    // edits that belong together (a bib moved: two records changed) reach the disk together.
    bool SaveFile();
    void BeginChange();
    bool EndChange();
    // A copy of the record at a 0-based index; ID 0 and bib 0 outside 0 .. Count - 1.
    tBib GetRecord(qint32 index) const;
    // Whether the last record holds this bib: a runner scanned twice in a row.
    bool RepeatsLast(qint32 bib) const { return !m_records.isEmpty() && m_records.last().Bib == bib; }

    // When the passage at a 0-based index was recorded (local time with its UTC offset); invalid
    // for a record without time (inserted, or read without a matching times file) and outside
    // 0 .. Count - 1. Kept beside the record file (TimesSidecar); moves keep times at positions.
    QDateTime PassageTime(qint32 index) const;
    // The same as the times file holds it ("2026-05-03T10:00:00.000+02:00"); empty without a time.
    QByteArray PassageTimeText(qint32 index) const { return m_times.TimeText(index); }
    // The latest passage time of a bib; invalid when none of its records has a time.
    QDateTime LastPassage(qint32 bib) const;
    // What the times file held when the record file was opened.
    TimesFileState TimesState() const { return m_times.OpenedState(); }
    // False after the times file could not be written, until a later write worked. The time line
    // of a passage AddBib wrote is synced by SettleTimes() (or the next change), after the record
    // was acknowledged; until then it counts as saved.
    bool TimesSaved() const { return m_times.Saved(); }
    void SettleTimes() { m_times.Settle(); }

    // Replaces the file at `path` by an empty one and opens it; the file open before stays open
    // until then. Raises an error when another program writes that file or it could not be
    // created (a missing folder is not made).
    void NewFile(const QString& path);
    // Write: this object writes the file and holds its lock. ReadOnly: for a look at the file
    // while another program may write it; nothing may be changed then.
    enum class Access { Write, ReadOnly };
    // Opens an existing file: MaxID 0, read, Changed false; the file open before is left as
    // CloseFile leaves it, but only once the new one has been read. False when the file does not
    // exist. Raises an error when the file cannot be read, is not a record file, or (for writing)
    // is written by another program, named with its computer and process. Nothing changes then.
    bool OpenFile(const QString& fileName, Access access = Access::Write);
    // Keeps a dated copy of a changed file (best effort), closes it and lets go of its lock.
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
    // The lines (1-based) skipped as damaged when the file was opened: a NUL among a line's text,
    // a bib beyond 32 bits, a torn last line. The next change rewrites the file whole; before it,
    // the file as it was is kept as a dated copy: DamagedCopy(), "" until then. The text for the
    // window names the lines and where the file as it was is kept; "" when nothing was damaged.
    QVector<qint64> DamagedLines() const { return m_damagedLines; }
    QString DamagedCopy() const { return m_damagedCopy; }
    QString DamagedLinesText() const;
    // A write found the file on the disk not the one last written or read (a stick put back with
    // an older file, the file replaced, cut short or added to by another program) and wrote the
    // whole list instead of appending. When that file held records the list lacks it was kept as a
    // dated copy first: ReplacedCopy(). The text for the window; "" while nothing of the kind
    // happened since the file was opened.
    bool FoundReplaced() const { return m_foundReplaced; }
    QString ReplacedCopy() const { return m_replacedCopy; }
    QString ReplacedText() const;

    // Writes the whole list to another file, which then is the open record file and in step.
    // Raises an error when it cannot be written or another program writes it; the open file stays
    // as it is then.
    void SaveAs(const QString& path);
    // Takes the records of a recovery copy an earlier run left, with their passage times. When the
    // file holds no record the copy lacks, the copy's records replace the list: the file is kept as
    // a dated copy first (raises an error when it cannot be), then the list is written whole and
    // the recovery copy goes once the file holds its records; false when that write failed.
    // Otherwise neither side may be dropped: the copy is written beside the file under a name that
    // says so (`keptBeside` receives it), the file stays as it is and the recovery copy goes.
    bool AdoptRecoveryCopy(const QVector<qint32>& bibs, QString* keptBeside = nullptr);
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
    void Open(const QString& path, std::unique_ptr<QLockFile>* lock);
    void KeepCopyIfChanged();
    bool HoldsLockFor(const QString& path) const;
    void NoteChange(const tBib& added = tBib{});
    void WriteNewRecord();
    void BringInStep(qsizetype missingFrom);
    qsizetype MissingPassagesFrom() const;
    bool FileIsAsLeft();
    QString KeepDatedCopy(const char* failureKey) const;
    void AppendPassages(qsizetype from, TimesSidecar::FollowStarted* times = nullptr);
    void WriteAll(TimesSidecar::FollowStarted& times);
    void ListWritten(const FileIdentity& written);
    void KeepAfterFailure(const ErrorInfo& error);
    void ResetWriteState();

    QVector<tBib> m_records;
    TimesSidecar m_times;
    QString m_fileName;
    // Links resolved at opening, so the recovery copy is found while the file is gone.
    QString m_canonical;
    std::unique_ptr<QLockFile> m_lock; // none while opened for reading, or where none can be made
    FileIdentity m_identity;           // of the file as last written or read
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
    QVector<qint64> m_damagedLines;
    bool m_damagedOnDisk = false; // the damaged lines are still in the file
    QString m_damagedCopy;
    bool m_foundReplaced = false;
    QString m_replacedCopy;
    QVector<qint32> m_onDisk; // the bibs the file holds, as far as this object wrote or read them
    ErrorInfo m_writeError;
    QString m_keptIn;
    QString m_keepError;
    bool m_recoveryOwned = false; // the recovery copy on the disk is this session's
};
