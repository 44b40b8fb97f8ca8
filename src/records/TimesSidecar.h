#pragma once

#include "records/DurableFile.h"
#include "records/tBib.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

class RaisedError;

// What the times file held when its record file was opened.
struct TimesFileState {
    enum class Kind {
        Missing,       // no times file: every record is without time
        InStep,        // every line matched its record (the last records may lack a line)
        PartlyDropped, // `dropped` lines did not match the record file or could not be read
        Unreadable,    // the file exists but could not be read: no times
    };
    Kind kind = Kind::Missing;
    qint32 dropped = 0;
};

// The passage times of the open record file, in a file beside it ("race.stn" gives
// "race.stn.times"): one line per record, "position;bib;time" and CR LF, the time in ISO 8601
// local time with milliseconds and UTC offset, empty for a record without time.
//
// The record file stays the truth and never depends on this file. A line is trusted only when
// the record at its position has its bib; every other line is dropped, and the next write
// replaces the whole file. A write failure here leaves the record file alone: it is logged,
// shown through Saved(), and the next write replaces the whole file.
class TimesSidecar {
public:
    static QString PathFor(const QString& recordFile);
    // "2026-05-03T10:00:00.000+02:00"; empty for an invalid time or one beyond the years 1 to 9999.
    static QByteArray FormatTime(const QDateTime& time);

    // Reads the times of a record file whose records were just read. Never fails.
    void Open(const QString& recordFile, const QVector<tBib>& records);
    void Close();

    // The list in memory changed; the times follow it.
    void Append(qint32 bib, const QDateTime& time);
    void Insert(qint32 index, const QDateTime& time = QDateTime()); // invalid: a record without time
    void Remove(qint32 index);
    void BibChanged();

    // Called whenever the record file on disk holds exactly these records: appends the lines of
    // the last records when the times file holds all the others (after a failed write, every
    // passage recorded meanwhile), otherwise replaces the whole file.
    void Follow(const QVector<tBib>& records);
    // Follow in two steps: the first writes the lines of the last records when the times file
    // holds all the others (once those records are on the disk), otherwise only formats the whole
    // file (while the record file's rewrite syncs); the second leaves the lines to be synced by
    // Settle(), or replaces the whole file (after the record file's rewrite, so a nearly full disk
    // never needs room for both new files at once). Lines started and never finished (the record
    // file's rewrite failed) are cut back again. A passage is thus acknowledged once its record is
    // on the disk, without waiting for a second sync: its time line is in the system's cache then,
    // and on the disk once Settle() ran, which the window does as soon as it has control back.
    struct FollowStarted {
        std::unique_ptr<PendingAppend> lines;
        std::optional<QByteArray> whole;
        bool failed = false; // logged already; the next Follow replaces the whole file
    };
    FollowStarted StartFollow(const QVector<tBib>& records);
    void FinishFollow(FollowStarted started, const QVector<tBib>& records);
    // Syncs the lines FinishFollow left; Saved() says how it went. Every other use of the times
    // file settles them first.
    void Settle();
    // The times file may not be the one last written (the record file was replaced on the disk):
    // the next Follow replaces it whole.
    void MustRewrite() { m_diskLines = -1; }
    // Takes the times kept beside another file that holds these records (a recovery copy); a
    // record without a time there keeps none. The times file is replaced whole at the next Follow.
    void TakeTimesOf(const QString& otherFile, const QVector<tBib>& records);
    // The record file was written whole under another name: the times go beside it, whole.
    void MoveTo(const QString& recordFile, const QVector<tBib>& records);
    // Writes the times beside a copy of the record file that holds these records, when the record
    // file has a times file. Never fails: a copy without times is still a whole record file.
    void WriteCopy(const QString& copyFile, const QVector<tBib>& records) const;
    // The same whether or not the record file has a times file now (it may be gone with its stick).
    void WriteBeside(const QString& copyFile, const QVector<tBib>& records) const;

    QDateTime Time(qint32 index) const;      // invalid when the record has none
    QByteArray TimeText(qint32 index) const; // as FormatTime writes it; empty when the record has none
    // The latest time of a bib among the records; invalid when it has none.
    QDateTime LastPassage(qint32 bib, const QVector<tBib>& records) const;
    TimesFileState OpenedState() const { return m_opened; }
    // False after a write of the times file failed, until a later one worked. Lines not yet
    // synced count as saved until Settle().
    bool Saved() const { return m_saved; }

private:
    struct Stamp {
        qint64 msecs = 0;
        qint32 offsetSeconds = 0;
    };
    static constexpr int kStampSize = 29; // "2026-05-03T10:00:00.000+02:00"
    static std::optional<Stamp> ParseStamp(const char* text, qsizetype size);
    static Stamp StampOfKept(const char* text);
    const char* TextAt(qsizetype index) const;
    void PutText(qsizetype index, const QByteArray& text);
    QByteArray FormatLines(const QVector<tBib>& records, qsizetype from) const;
    void WriteFailed(const RaisedError& error);

    QString m_path;
    // The time text of every record, kStampSize bytes each, as the times file holds it: formatted
    // once when the passage is recorded (or read once at opening), so a rewrite copies it. A record
    // without time has a text that begins with NUL, and the records after the last timed one have
    // none at all.
    QByteArray m_texts;
    qsizetype m_count = 0; // records in the list
    // Lines the file on disk holds in step with the list; -1 when it must be replaced whole.
    qint32 m_diskLines = -1;
    TimesFileState m_opened;
    bool m_saved = true;
    // Lines FinishFollow wrote, their records on the disk already: Settle syncs them, and so does
    // their holder when it goes before (a failure is only logged then), never cutting them back.
    class UnsyncedLines {
    public:
        UnsyncedLines() = default;
        UnsyncedLines(UnsyncedLines&&) noexcept = default;
        UnsyncedLines& operator=(UnsyncedLines&& other) noexcept;
        ~UnsyncedLines();
        std::unique_ptr<PendingAppend> lines;

    private:
        void Sync();
    };
    UnsyncedLines m_unsynced;
    // The index of each bib's latest timed record, built on demand after changes other than
    // appends, so a typed digit costs one look-up.
    mutable QHash<qint32, qint32> m_lastSeen;
    mutable bool m_lastSeenStale = true;
};

// Seconds since a bib's last passage when that was no longer ago than the window (0 = off).
std::optional<qint64> SecondsSinceRepeat(const QDateTime& lastPassage, const QDateTime& now, int windowSeconds);
