#include "records/RecoveryCopy.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/StnFormat.h"
#include "records/TimesSidecar.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace {

QString RecoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

} // namespace

QString RecoveryCopyPath(const QString& recordFile) {
    // A file gone for the moment (a stick pulled) keeps its key only when it is named by the
    // canonical path it had, which clsFile keeps for that reason.
    const QString key = CanonicalRecordPath(recordFile);
    QString base = QFileInfo(key).fileName();
    if (base.endsWith(QLatin1String(".stn"), Qt::CaseInsensitive))
        base.chop(4);
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return RecoveryFolder() + QLatin1Char('/') + base + QLatin1Char('-') + QString::fromLatin1(hash) +
           QStringLiteral(".stn");
}

void WriteRecoveryCopy(const QString& recordFile, const QVector<tBib>& records) {
    if (!QDir().mkpath(RecoveryFolder()))
        Raise(ErrorNumber::PathNotFound,
              GetText(QStringLiteral("MKL_ERR_FOLDER"),
                      {{QStringLiteral("[path]"), QDir::toNativeSeparators(RecoveryFolder())}}));
    ReplaceDurably(RecoveryCopyPath(recordFile), FormatStn(records));
}

void RemoveRecoveryCopy(const QString& recordFile) {
    const QString copy = RecoveryCopyPath(recordFile);
    QFile::remove(copy);
    QFile::remove(TimesSidecar::PathFor(copy));
}

std::optional<QVector<qint32>> ReadRecoveryCopy(const QString& recordFile) {
    QFile file(RecoveryCopyPath(recordFile));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecordFileBytes)
        return std::nullopt;
    try {
        return ReadStn(file.readAll()).bibs;
    } catch (const RaisedError&) {
        return std::nullopt; // not ours to offer; it stays for the operator to look at
    }
}

void SaveRecoveryCopyAs(const QString& recordFile, const QString& target) {
    const std::optional<QVector<qint32>> bibs = ReadRecoveryCopy(recordFile);
    if (!bibs)
        Raise(ErrorNumber::FileNotFound,
              GetText(QStringLiteral("MKL_ERR_RECOVERYREAD"),
                      {{QStringLiteral("[path]"), QDir::toNativeSeparators(RecoveryCopyPath(recordFile))}}));
    QVector<tBib> records;
    for (qint32 bib : *bibs)
        records.append(tBib{qint32(records.size() + 1), bib});
    ReplaceDurably(target, FormatStn(records));
    // The times travel along; a times file the target had belongs to records no longer there.
    const QString times = TimesSidecar::PathFor(RecoveryCopyPath(recordFile));
    QFile::remove(TimesSidecar::PathFor(target));
    if (QFileInfo::exists(times))
        QFile::copy(times, TimesSidecar::PathFor(target));
    RemoveRecoveryCopy(recordFile);
}

void SetRecoveryCopyAside(const QString& recordFile, const QDateTime& moment) {
    const QString copy = RecoveryCopyPath(recordFile);
    if (!QFileInfo::exists(copy))
        return;
    const QString aside =
        copy.chopped(4) + moment.toString(QStringLiteral(" yyyy-MM-dd HHmmss")) + QStringLiteral(".stn");
    QFile::rename(copy, aside);
    QFile::rename(TimesSidecar::PathFor(copy), TimesSidecar::PathFor(aside));
}

qint32 RecordsNotIn(const QVector<qint32>& list, const QVector<qint32>& file) {
    QHash<qint32, qint32> available;
    for (qint32 bib : file)
        ++available[bib];
    qint32 missing = 0;
    for (qint32 bib : list) {
        auto found = available.find(bib);
        if (found == available.end() || found.value() == 0)
            ++missing;
        else
            --found.value();
    }
    return missing;
}

RecoverySides CompareWithRecoveryCopy(const QVector<qint32>& file, const QVector<qint32>& copy) {
    return RecoverySides{RecordsNotIn(file, copy), RecordsNotIn(copy, file)};
}
