#include "records/clsFile.h"

#include "base/Clock.h"
#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/RecordLock.h"
#include "records/RecoveryCopy.h"
#include "records/StnFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QVector<qint32> BibsOf(const QVector<tBib>& records) {
    QVector<qint32> bibs;
    bibs.reserve(records.size());
    for (const tBib& record : records)
        bibs.append(record.Bib);
    return bibs;
}

// A ".stn" path no file has yet: the path itself, or " (2)", " (3)", ... before its extension.
QString UnusedName(const QString& path) {
    QString name = path;
    for (int number = 2; QFileInfo::exists(name); ++number)
        name = path.chopped(4) + QStringLiteral(" (%1).stn").arg(number);
    return name;
}

} // namespace

bool clsFile::AddBib(qint32 bib, qint32 before, const QDateTime& at) {
    if (before > Count())
        Raise(ErrorNumber::SubscriptOutOfRange,
              GetText(QStringLiteral("MKL_ERR_INSERTPOS"), {{QStringLiteral("[position]"), QString::number(before + 1)},
                                                            {QStringLiteral("[count]"), QString::number(Count())}}));
    ++m_maxId;
    const tBib record{m_maxId, bib};
    if (before >= 0) {
        m_records.insert(before, record);
        m_times.Insert(before, at);
        NoteChange(record);
        m_changed = true;
        return SaveFile();
    }
    m_records.append(record);
    m_times.Append(bib, at.isValid() ? at : Now());
    NoteChange(record);
    if (m_fileName.isEmpty()) // the record is kept all the same, as every record is
        Raise(ErrorNumber::FileNotFound,
              GetText(QStringLiteral("MKL_ERR_NOFILE"), {{QStringLiteral("[bib]"), QString::number(bib)}}));
    try {
        WriteNewRecord();
    } catch (const RaisedError& error) {
        KeepAfterFailure(error.info());
        return false;
    }
    m_changed = true;
    return true;
}

bool clsFile::EditBib(qint32 index, qint32 bib) {
    if (index < 0 || index >= Count())
        return false;
    m_records[index].Bib = bib;
    m_times.BibChanged();
    NoteChange();
    m_changed = true;
    return SaveFile();
}

bool clsFile::DeleteBib(qint32 index) {
    if (index < 0 || index >= Count())
        return false;
    m_records.remove(index);
    m_times.Remove(index);
    NoteChange();
    m_changed = true;
    return SaveFile();
}

void clsFile::BeginChange() {
    ++m_changeDepth;
}

bool clsFile::EndChange() {
    if (m_changeDepth > 0)
        --m_changeDepth;
    if (m_changeDepth > 0 || !m_savePending)
        return true;
    m_savePending = false;
    return SaveFile();
}

bool clsFile::SaveFile() {
    if (m_fileName.isEmpty())
        return false;
    if (m_changeDepth > 0) {
        m_savePending = true;
        return true;
    }
    try {
        BringInStep(m_inStep ? -1 : MissingPassagesFrom());
        return true;
    } catch (const RaisedError& error) {
        KeepAfterFailure(error.info());
        return false;
    }
}

// The record just appended to the list goes to the disk: one line while the file is in step.
void clsFile::WriteNewRecord() {
    const qsizetype missingFrom = m_inStep ? Count() - 1 : MissingPassagesFrom();
    try {
        BringInStep(missingFrom);
    } catch (const RaisedError&) {
        // A rewrite needs room for a second copy of the file, an append only for its line. When
        // only a correction is missing on the disk, the passage is at least appended to the file
        // last written, so it is there whatever happens next; the failure is still reported.
        bool appended = false;
        if (missingFrom < 0 && m_passagesOnDisk && !m_zeroPadded && !m_damagedOnDisk &&
            IdentityOf(m_fileName) == m_identity) {
            try {
                AppendPassages(Count() - 1);
                appended = true;
            } catch (const RaisedError&) {
                // the rewrite's failure is the one to report
            }
        }
        m_passagesOnDisk = appended;
        throw;
    }
}

// Brings the file in step with the list. The records from `missingFrom` on are appended when the
// file is the one last written and holds exactly the records before them; otherwise (-1, a file
// found changed, zero padding or damaged lines to clear) the whole list is written.
void clsFile::BringInStep(qsizetype missingFrom) {
    m_inStep = false;
    TimesSidecar::FollowStarted times; // written beside the record file, synced after it
    if (FileIsAsLeft() && !m_zeroPadded && !m_damagedOnDisk && missingFrom >= 0 && missingFrom < Count())
        AppendPassages(missingFrom, &times);
    else
        WriteAll(times);
    // In step again: the recovery copy this session kept is no longer needed.
    if (m_recoveryOwned)
        RemoveRecoveryCopy(m_canonical);
    ResetWriteState();
    m_times.FinishFollow(std::move(times), m_records);
}

// Where the records the file lacks begin, when they are passages at the end of the list only:
// the file holds the list's first records, unchanged. -1 when a correction is missing.
qsizetype clsFile::MissingPassagesFrom() const {
    if (m_onDisk.size() > m_records.size())
        return -1;
    for (qsizetype i = 0; i < m_onDisk.size(); ++i) {
        if (m_onDisk[i] != m_records[i].Bib)
            return -1;
    }
    return m_onDisk.size();
}

// Whether the file on the disk is the one last written or read, with the records it had then.
// A file that is gone raises an error: one made anew in its place would hide under a stick put
// back, and take the passages meant for the file on it. A file that is another, or was changed by
// another writer, is kept as a dated copy first when it holds records the list lacks (or cannot be
// read), and the whole list must be written.
bool clsFile::FileIsAsLeft() {
    const FileIdentity now = IdentityOf(m_fileName);
    if (!now.Exists())
        Raise(ErrorNumber::FileNotFound,
              GetText(QStringLiteral("MKL_ERR_VANISHED"), {{QStringLiteral("[Filename]"), Native(m_fileName)}}));
    if (now == m_identity)
        return true;
    std::optional<StnRead> held;
    FileIdentity read;
    try {
        held = ReadStn(ReadWholeFile(m_fileName, &read));
    } catch (const RaisedError&) {
        // not a record file any more: kept whole below
    }
    if (held && held->bibs == m_onDisk && held->damagedLines.isEmpty() && !held->zeroPadding) {
        m_identity = read; // the same records: copied back, or a stick mounted under another number
        return true;
    }
    if (!held || !held->damagedLines.isEmpty() || RecordsNotIn(held->bibs, BibsOf(m_records)) > 0)
        m_replacedCopy = KeepDatedCopy("MKL_ERR_DATEDCOPY");
    m_foundReplaced = true;
    m_onDisk = held ? held->bibs : QVector<qint32>();
    m_times.MustRewrite();
    return false;
}

// Copies the file to an unused dated copy name; raises an error (failureKey) when it cannot.
QString clsFile::KeepDatedCopy(const char* failureKey) const {
    const QString copy = UnusedName(DatedCopyPath(m_fileName, Now()));
    QFile file(m_fileName);
    if (!file.copy(copy))
        Raise(ErrorNumber::PathFileAccessError,
              GetText(QLatin1String(failureKey), {{QStringLiteral("[Filename]"), Native(m_fileName)},
                                                  {QStringLiteral("[path]"), Native(copy)},
                                                  {QStringLiteral("[reason]"), file.errorString()}}));
    return copy;
}

// With `times`, the times file's lines are written too, once the records are on the disk; their
// own sync waits until the passages were acknowledged, so a passage with its time waits for one
// sync, not two.
void clsFile::AppendPassages(qsizetype from, TimesSidecar::FollowStarted* times) {
    QByteArray lines;
    for (qsizetype i = from; i < m_records.size(); ++i)
        lines += FormatStnLine(i + 1, m_records[i].Bib);
    m_identity = AppendDurably(m_fileName, lines, AppendTo::ExistingFile);
    if (times)
        *times = m_times.StartFollow(m_records);
    for (qsizetype i = from; i < m_records.size(); ++i)
        m_onDisk.append(m_records[i].Bib);
}

// The record file's sync runs on a worker thread while the times file is formatted here (`times`);
// the times file is written once the record file is in place.
void clsFile::WriteAll(TimesSidecar::FollowStarted& times) {
    // Damaged lines go with this rewrite; the file as it was stays at hand.
    if (m_damagedOnDisk && m_damagedCopy.isEmpty())
        m_damagedCopy = KeepDatedCopy("MKL_ERR_DATEDCOPY");
    PendingReplace list(m_fileName, FormatStn(m_records));
    list.SyncMeanwhile();
    times = m_times.StartFollow(m_records);
    ListWritten(list.Commit());
}

// The file holds the whole list now, and nothing else.
void clsFile::ListWritten(const FileIdentity& written) {
    m_onDisk = BibsOf(m_records);
    m_zeroPadded = false;
    m_damagedOnDisk = false;
    m_identity = written;
}

// The file lags behind the list: the whole list goes to the recovery copy, with its times. A
// copy an earlier run left (the operator chose to keep it) is set aside first, not replaced.
void clsFile::KeepAfterFailure(const ErrorInfo& error) {
    m_writeError = error;
    m_keptIn.clear();
    m_keepError.clear();
    try {
        if (!m_recoveryOwned)
            SetRecoveryCopyAside(m_canonical, Now());
        WriteRecoveryCopy(m_canonical, m_records);
        m_recoveryOwned = true;
        m_keptIn = RecoveryCopyPath(m_canonical);
        m_times.WriteBeside(m_keptIn, m_records);
    } catch (const RaisedError& failure) {
        m_keepError = failure.info().description;
    }
}

void clsFile::ResetWriteState() {
    m_inStep = true;
    m_passagesOnDisk = true;
    m_writeError = ErrorInfo();
    m_keptIn.clear();
    m_keepError.clear();
    m_recoveryOwned = false;
}

qint32 clsFile::RecordsNotInFile() const {
    return RecordsNotIn(BibsOf(m_records), m_onDisk);
}

bool clsFile::HoldsLockFor(const QString& path) const {
    return m_lock && m_lock->fileName() == RecordLockPath(path);
}

void clsFile::SaveAs(const QString& path) {
    const bool held = HoldsLockFor(path);
    std::unique_ptr<QLockFile> lock = held ? nullptr : LockRecordFile(path);
    const FileIdentity written = ReplaceDurably(path, FormatStn(m_records));
    if (m_recoveryOwned)
        RemoveRecoveryCopy(m_canonical); // the list is whole in the new file
    m_fileName = path;
    m_canonical = CanonicalRecordPath(path);
    if (!held)
        m_lock = std::move(lock);
    ListWritten(written);
    ResetWriteState();
    m_times.MoveTo(path, m_records);
}

bool clsFile::AdoptRecoveryCopy(const QVector<qint32>& bibs, QString* keptBeside) {
    const QString copy = RecoveryCopyPath(m_canonical);
    if (CompareWithRecoveryCopy(BibsOf(m_records), bibs).fileOnly > 0) {
        // Taking the copy would drop records only the file holds: both stay, side by side.
        QVector<tBib> records;
        for (qint32 bib : bibs)
            records.append(tBib{qint32(records.size() + 1), bib});
        const QFileInfo info(m_fileName);
        const QString beside =
            UnusedName(info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                       Now().toString(QStringLiteral(" '(recovered' yyyy-MM-dd HHmmss')'")) + QStringLiteral(".stn"));
        ReplaceDurably(beside, FormatStn(records));
        if (QFileInfo::exists(TimesSidecar::PathFor(copy)))
            QFile::copy(TimesSidecar::PathFor(copy), TimesSidecar::PathFor(beside));
        RemoveRecoveryCopy(m_canonical);
        if (keptBeside)
            *keptBeside = beside;
        return true;
    }
    KeepDatedCopy("MKL_ERR_KEEPFAILED");
    m_records.clear();
    for (qint32 bib : bibs)
        m_records.append(tBib{++m_maxId, bib});
    if (QFileInfo::exists(TimesSidecar::PathFor(copy)))
        m_times.TakeTimesOf(copy, m_records);
    else
        m_times.Open(m_fileName, m_records); // keeps the times whose records are still in their place
    NoteChange();
    m_changed = true;
    m_recoveryOwned = true; // taken over: removed as soon as the file holds its records
    return SaveFile();
}

void clsFile::ExportTo(const QString& path) const {
    // A times file left beside the target would lend its times to the copy's records.
    QFile staleTimes(TimesSidecar::PathFor(path));
    if (staleTimes.exists() && !staleTimes.remove())
        Raise(ErrorNumber::PathFileAccessError,
              GetText(QStringLiteral("MKL_ERR_OLDTIMES"),
                      {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(staleTimes.fileName())},
                       {QStringLiteral("[reason]"), staleTimes.errorString()}}));
    ReplaceDurably(path, FormatStn(m_records));
    // The times travel with the copy; without them it is still a whole record file.
    m_times.WriteCopy(path, m_records);
}

QDateTime clsFile::PassageTime(qint32 index) const {
    return m_times.Time(index);
}

QDateTime clsFile::LastPassage(qint32 bib) const {
    return m_times.LastPassage(bib, m_records);
}

void clsFile::NoteChange(const tBib& added) {
    ++m_revision;
    m_lastAdded = added;
}

tBib clsFile::GetRecord(qint32 index) const {
    if (index < 0 || index >= Count())
        return tBib{};
    return m_records[index];
}

void clsFile::NewFile(const QString& path) {
    // Not while another program writes that file.
    const bool held = HoldsLockFor(path);
    std::unique_ptr<QLockFile> lock = held ? nullptr : LockRecordFile(path);
    if (held)
        KeepCopyIfChanged(); // the open file itself is replaced
    CreateEmptyRecordFile(path);
    QFile::remove(TimesSidecar::PathFor(path)); // the times of the file it replaced
    Open(path, held ? nullptr : &lock);
}

bool clsFile::OpenFile(const QString& fileName, Access access) {
    if (!FileExists(fileName))
        return false;
    if (access == Access::Write && HoldsLockFor(fileName)) {
        Open(fileName, nullptr);
    } else {
        std::unique_ptr<QLockFile> lock = access == Access::Write ? LockRecordFile(fileName) : nullptr;
        Open(fileName, &lock);
    }
    return true;
}

// Reads a record file and makes it the open one. It is taken with `lock` (none: the lock held
// already) only once it has been read completely: a file that cannot be read is not opened, so no
// later rewrite can replace it with a part of its records, and the file open before stays open,
// recording. Only then is that file left, as CloseFile leaves it.
void clsFile::Open(const QString& path, std::unique_ptr<QLockFile>* lock) {
    FileIdentity identity;
    const QByteArray bytes = ReadWholeFile(path, &identity);
    StnRead read;
    try {
        read = ReadStn(bytes);
    } catch (const RaisedError& error) {
        // The reader knows the line, the file name is known here.
        Raise(error.info().number, QStringLiteral("\"%1\": %2").arg(Native(path), error.info().description));
    }
    KeepCopyIfChanged();
    if (lock)
        m_lock = std::move(*lock);
    m_fileName = path;
    m_canonical = CanonicalRecordPath(path);
    m_identity = identity;
    m_records.clear();
    m_records.reserve(read.bibs.size());
    m_maxId = 0;
    for (qint32 bib : std::as_const(read.bibs))
        m_records.append(tBib{++m_maxId, bib});
    m_onDisk = std::move(read.bibs);
    m_zeroPadded = read.zeroPadding;
    m_damagedLines = std::move(read.damagedLines);
    m_damagedOnDisk = !m_damagedLines.isEmpty();
    m_damagedCopy.clear();
    m_foundReplaced = false;
    m_replacedCopy.clear();
    NoteChange(); // also an empty file: the list of the file before is gone
    ++m_openings;
    m_changed = false;
    ResetWriteState();
    m_times.Open(path, m_records);
}

QString clsFile::DatedCopyPath(const QString& fileName, const QDateTime& moment) {
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    const QString base = name.endsWith(QLatin1String(".stn"), Qt::CaseInsensitive) ? name.left(name.size() - 4)
                                                                                   : info.completeBaseName();
    return WritableProgramFolder() + base + moment.toString(QStringLiteral("yyyy-MM-dd HHmmss")) +
           QStringLiteral(".stn");
}

bool clsFile::CloseFile() {
    KeepCopyIfChanged();
    if (!m_fileName.isEmpty())
        ++m_openings;
    m_lock.reset();
    m_fileName.clear();
    m_canonical.clear();
    m_identity = FileIdentity();
    m_records.clear();
    m_times.Close();
    NoteChange();
    m_changed = false;
    m_onDisk.clear();
    m_zeroPadded = false;
    m_damagedLines.clear();
    m_damagedOnDisk = false;
    m_damagedCopy.clear();
    m_foundReplaced = false;
    m_replacedCopy.clear();
    ResetWriteState();
    return true;
}

// A changed file is kept as a dated copy when it is left. Never overwrites; best effort. The times
// go beside the copy, where opening the copy finds them, and only beside a copy made now.
void clsFile::KeepCopyIfChanged() {
    if (m_fileName.isEmpty() || !m_changed)
        return;
    m_changed = false;
    const QString copy = DatedCopyPath(m_fileName, Now());
    if (QFile::copy(m_fileName, copy) && QFileInfo::exists(TimesSidecar::PathFor(m_fileName))) {
        QFile::remove(TimesSidecar::PathFor(copy)); // a leftover must not pair with this copy
        QFile::copy(TimesSidecar::PathFor(m_fileName), TimesSidecar::PathFor(copy));
    }
}

QString clsFile::DamagedLinesText() const {
    if (m_damagedLines.isEmpty())
        return QString();
    QStringList numbers;
    for (qint64 line : std::as_const(m_damagedLines).first(qMin<qsizetype>(m_damagedLines.size(), 20)))
        numbers << QString::number(line);
    if (m_damagedLines.size() > 20)
        numbers << QStringLiteral("…");
    QString text = GetCountText(QStringLiteral("MKL_MSG_DAMAGED"), m_damagedLines.size(),
                                {{QStringLiteral("[lines]"), numbers.join(QStringLiteral(", "))},
                                 {QStringLiteral("[Filename]"), Native(m_fileName)}});
    text += QLatin1Char(' ');
    text += m_damagedCopy.isEmpty()
                ? GetText(QStringLiteral("MKL_MSG_DAMAGEDKEEP"))
                : GetText(QStringLiteral("MKL_MSG_DAMAGEDKEPT"), {{QStringLiteral("[path]"), Native(m_damagedCopy)}});
    return text;
}

QString clsFile::ReplacedText() const {
    if (!m_foundReplaced)
        return QString();
    QString text = GetText(QStringLiteral("MKL_MSG_REPLACED"), {{QStringLiteral("[Filename]"), Native(m_fileName)}});
    if (!m_replacedCopy.isEmpty())
        text += QLatin1Char(' ') +
                GetText(QStringLiteral("MKL_MSG_REPLACEDKEPT"), {{QStringLiteral("[path]"), Native(m_replacedCopy)}});
    return text;
}
