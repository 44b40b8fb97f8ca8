#include "records/clsFile.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/RecoveryCopy.h"
#include "records/StnFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

bool clsFile::AddBib(qint32 bib, qint32 before) {
    try {
        if (before > Count())
            Raise(ErrorNumber::SubscriptOutOfRange,
                  GetText(QStringLiteral("MKL_ERR_INSERTPOS"),
                          {{QStringLiteral("[position]"), QString::number(before + 1)},
                           {QStringLiteral("[count]"), QString::number(Count())}}));
        if (before < 0 && m_fileName.isEmpty())
            Raise(ErrorNumber::FileNotFound,
                  GetText(QStringLiteral("MKL_ERR_NOFILE"), {{QStringLiteral("[bib]"), QString::number(bib)}}));
    } catch (const RaisedError& error) {
        if (before < 0) {
            m_records.append(tBib{++m_maxId, bib}); // kept, as every record is
            m_times.Append(bib, Now());
            NoteChange(m_records.last());
        }
        ReportError(error.info());
        return false;
    }
    ++m_maxId;
    const tBib record{m_maxId, bib};
    if (before >= 0) {
        m_records.insert(before, record);
        m_times.Insert(before);
        NoteChange(record);
        m_changed = true;
        return SaveFile();
    }
    m_records.append(record);
    m_times.Append(bib, Now());
    NoteChange(record);
    try {
        WriteNewRecord(bib);
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
        WriteAll();
        return true;
    } catch (const RaisedError& error) {
        KeepAfterFailure(error.info());
        return false;
    }
}

// Appends one line while the file is known to match the list. After a failed write, or when the
// file has vanished (a removed stick, a deleted file), the whole list is written instead, so the
// file catches up with every record kept in memory meanwhile.
// A file whose zero padding was skipped at reading is rewritten whole, without it.
void clsFile::WriteNewRecord(qint32 bib) {
    if (!m_inStep || m_zeroPadded || !QFileInfo::exists(m_fileName)) {
        try {
            WriteAll();
        } catch (const RaisedError&) {
            // A rewrite needs room for a second copy of the file, an append only for its line. When
            // only a correction is missing on the disk, the passage is at least appended, so it is
            // there whatever happens next; the failure is still reported.
            if (m_passagesOnDisk && QFileInfo::exists(m_fileName)) {
                try {
                    AppendPassage(bib);
                } catch (const RaisedError&) {
                    // the rewrite's failure is the one to report
                }
            }
            throw;
        }
        return;
    }
    m_inStep = false;
    AppendPassage(bib);
    m_inStep = true;
    m_times.Follow(m_records);
}

void clsFile::AppendPassage(qint32 bib) {
    m_passagesOnDisk = false;
    AppendDurably(m_fileName, FormatStnLine(Count(), bib));
    m_passagesOnDisk = true;
    m_onDisk.append(bib);
}

void clsFile::WriteAll() {
    m_inStep = false;
    WriteWholeFile(m_fileName, FormatStn(m_records));
    // In step again: the recovery copy this session kept is no longer needed.
    if (m_recoveryOwned)
        RemoveRecoveryCopy(m_fileName);
    ListWritten();
    m_times.Follow(m_records);
}

// The file holds the whole list now, and nothing else.
void clsFile::ListWritten() {
    m_onDisk.clear();
    for (const tBib& record : std::as_const(m_records))
        m_onDisk.append(record.Bib);
    m_zeroPadded = false;
    ResetWriteState();
}

// The file lags behind the list: the whole list goes to the recovery copy. A copy an earlier run
// left (the operator chose to keep it) is set aside first, not replaced.
void clsFile::KeepAfterFailure(const ErrorInfo& error) {
    m_writeError = error;
    m_keptIn.clear();
    m_keepError.clear();
    try {
        if (!m_recoveryOwned)
            SetRecoveryCopyAside(m_fileName, Now());
        WriteRecoveryCopy(m_fileName, m_records);
        m_recoveryOwned = true;
        m_keptIn = RecoveryCopyPath(m_fileName);
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
    QVector<qint32> bibs;
    bibs.reserve(m_records.size());
    for (const tBib& record : m_records)
        bibs.append(record.Bib);
    return RecordsNotIn(bibs, m_onDisk);
}

void clsFile::SaveAs(const QString& path) {
    WriteWholeFile(path, FormatStn(m_records));
    if (m_recoveryOwned)
        RemoveRecoveryCopy(m_fileName); // the list is whole in the new file
    m_fileName = path;
    ListWritten();
    m_times.MoveTo(path, m_records);
}

bool clsFile::AdoptRecoveryCopy(const QVector<qint32>& bibs) {
    const QString kept = DatedCopyPath(m_fileName, Now());
    if (!QFile::copy(m_fileName, kept))
        Raise(ErrorNumber::PathFileAccessError,
              GetText(QStringLiteral("MKL_ERR_KEEPFAILED"),
                      {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(m_fileName)},
                       {QStringLiteral("[path]"), QDir::toNativeSeparators(kept)}}));
    m_records.clear();
    for (qint32 bib : bibs)
        m_records.append(tBib{++m_maxId, bib});
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

bool clsFile::ReadFile() {
    try {
        const QByteArray bytes = ReadWholeFile(m_fileName);
        if (bytes.isEmpty())
            return true;
        QVector<qint32> bibs;
        bool zeroPadded = false;
        try {
            bibs = ParseStn(bytes, &zeroPadded);
        } catch (const RaisedError& error) {
            // The reader knows the line, the file name is known here.
            Raise(error.info().number,
                  QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(m_fileName), error.info().description));
        }
        QVector<tBib> records;
        records.reserve(bibs.size());
        qint32 maxId = m_maxId;
        for (qint32 bib : bibs)
            records.append(tBib{++maxId, bib});
        m_records = std::move(records);
        m_maxId = maxId;
        m_onDisk = std::move(bibs);
        m_zeroPadded = zeroPadded;
        NoteChange();
        return true;
    } catch (const RaisedError& error) {
        ReportError(error.info());
        return false;
    }
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

bool clsFile::NewFile() {
    try {
        const QString path = m_pathDialog ? m_pathDialog(PathQuestion::NewFile) : QString();
        if (path.isEmpty())
            return false;
        if (FileExists(path))
            QFile::remove(path);
        QFile::remove(TimesSidecar::PathFor(path)); // the times of the file it replaces
        WriteWholeFile(path, QByteArray());
        return OpenFile(path);
    } catch (const RaisedError& error) {
        ReportError(error.info());
        return false;
    }
}

bool clsFile::OpenFile(const QString& fileName, QString* chosen) {
    QString path = fileName;
    if (path.isEmpty() && m_pathDialog)
        path = m_pathDialog(PathQuestion::OpenFile);
    if (chosen)
        *chosen = path;
    if (path.isEmpty() || !FileExists(path))
        return false;
    const QString previousName = m_fileName;
    const qint32 previousMaxId = m_maxId;
    QVector<tBib> previousRecords = std::move(m_records);
    // An empty file must not inherit records still in the list.
    m_records.clear();
    QVector<qint32> previousOnDisk = std::move(m_onDisk);
    const bool previousZeroPadded = m_zeroPadded;
    m_onDisk.clear();
    m_zeroPadded = false;
    m_maxId = 0;
    m_fileName = path;
    if (!ReadFile()) {
        // A file that cannot be read completely is not opened, so no later rewrite replaces it.
        m_fileName = previousName;
        m_maxId = previousMaxId;
        m_records = std::move(previousRecords);
        m_onDisk = std::move(previousOnDisk);
        m_zeroPadded = previousZeroPadded;
        return false;
    }
    NoteChange(); // also an empty file: the list of the file before is gone
    ++m_openings;
    m_changed = false;
    ResetWriteState();
    m_times.Open(path, m_records);
    return true;
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
    try {
        if (!m_fileName.isEmpty() && m_changed) {
            // Never overwrites; best effort. The times go beside the copy, where opening the copy
            // finds them, and only beside a copy made now.
            const QString copy = DatedCopyPath(m_fileName, Now());
            if (QFile::copy(m_fileName, copy) && QFileInfo::exists(TimesSidecar::PathFor(m_fileName))) {
                QFile::remove(TimesSidecar::PathFor(copy)); // a leftover must not pair with this copy
                QFile::copy(TimesSidecar::PathFor(m_fileName), TimesSidecar::PathFor(copy));
            }
        }
        if (!m_fileName.isEmpty())
            ++m_openings;
        m_fileName.clear();
        m_records.clear();
        m_times.Close();
        NoteChange();
        m_changed = false;
        m_onDisk.clear();
        m_zeroPadded = false;
        ResetWriteState();
        return true;
    } catch (const RaisedError& error) {
        ReportError(error.info());
        return false;
    }
}
