#include "base/LogWriter.h"

#include "base/Clock.h"
#include "base/DataFiles.h"
#include "base/DateText.h"
#include "base/ErrorInfo.h"
#include "base/NumericValue.h"
#include "base/Registry.h"
#include "base/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <optional>

namespace {

constexpr qint32 kDefaultSizeLimit = 1000000;
constexpr qint32 kSmallestSizeLimit = 10000;
constexpr double kKeptShare = 0.8; // share of the limit that survives a trim

std::optional<qint32>& CachedSizeLimit() {
    static std::optional<qint32> limit;
    return limit;
}

QString& ExplicitLogFilePath() {
    static QString path;
    return path;
}

// Seconds since midnight times 100, rounded half to even, modulo 100. Worked in whole
// milliseconds so that a reading like .005 is an exact half and not a binary fraction near it.
int Hundredths(const QTime& time) {
    const int msecs = time.msecsSinceStartOfDay();
    int hundredths = msecs / 10;
    const int rest = msecs % 10;
    if (rest > 5 || (rest == 5 && hundredths % 2 != 0))
        ++hundredths;
    return hundredths % 100;
}

qint32 ReadSizeLimit() {
    const QVariant stored = GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("LogfileSize"));
    qint32 limit = 0;
    try {
        // Text and DWORD values alike are read through their text; missing reads as "" and so as 0.
        limit = WholeNumberValue(stored.toString());
    } catch (const RaisedError&) {
        limit = 0; // too large for a size: the default limit
    }
    return limit < kSmallestSizeLimit ? kDefaultSizeLimit : limit;
}

// A folder (and the file in it, if present) we may write to. Checked on every call, so a
// folder that becomes writable again is used again.
bool IsWritableLocation(const QString& filePath) {
    const QFileInfo file(filePath);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return false;
    // A folder or other non-file at the log's path can never take an entry.
    return !file.exists() || (file.isFile() && file.isWritable());
}

// Where the kept tail of `keep` bytes begins when it is to start with a whole line: the first
// line start at or after the cut. A CR LF split at the cut counts as ending the line before.
qsizetype FirstWholeLineFrom(const QByteArray& content, qsizetype keep) {
    const qsizetype cut = content.size() - keep;
    if (cut <= 0)
        return 0;
    const qsizetype lineEnd = content.indexOf("\r\n", qMax<qsizetype>(0, cut - 2));
    return lineEnd < 0 ? content.size() : lineEnd + 2;
}

// Rewrites the file with the whole lines of its last part. Written through QSaveFile, so a
// crash in the middle leaves the old log in place instead of none at all.
void TrimLogFile(const QString& path, qint32 limit) {
    QFile current(path);
    if (!current.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = current.readAll();
    current.close();
    const auto keep = static_cast<qsizetype>(std::lround(limit * kKeptShare));
    const QByteArray kept = content.mid(FirstWholeLineFrom(content, keep));

    QSaveFile trimmed(path);
    // A folder that allows no temporary file beside the log still gets its log trimmed.
    trimmed.setDirectWriteFallback(true);
    if (!trimmed.open(QIODevice::WriteOnly))
        return;
    if (trimmed.write(kept) != kept.size()) {
        trimmed.cancelWriting();
        return;
    }
    trimmed.commit();
}

} // namespace

QString FormatLogLine(const QDateTime& moment, const QString& text) {
    return GeneralDateTimeText(moment) + QLatin1Char(',') +
           QStringLiteral("%1").arg(Hundredths(moment.time()), 2, 10, QLatin1Char('0')) + QStringLiteral(" - ") + text +
           QStringLiteral("\r\n");
}

void WriteLog(const QString& text) {
    try {
        // One reading of the clock for both the time text and the hundredths: two readings could
        // straddle a second and stamp a line a whole second off.
        const QByteArray line = FormatLogLine(Now(), text).toLocal8Bit();
        const QString path = LogFilePath();
        qint64 size = 0;
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
                return;
            if (file.write(line) != line.size() || !file.flush())
                return;
            size = file.size();
        } // closed before a trim reopens it, so other programs may read it between entries
        const qint32 limit = LogSizeLimit();
        if (size > limit)
            TrimLogFile(path, limit);
    } catch (const RaisedError&) {
        // Logging must never become a second failure (an unreadable size limit, a failed trim):
        // the operator has been told of the first one; this entry is lost.
    }
}

QString LogFilePath() {
    if (!ExplicitLogFilePath().isEmpty())
        return ExplicitLogFilePath();
    const QString fileName = ExecutableBaseName() + QStringLiteral(".log");
    const QString besideProgram = ApplicationPath() + fileName;
    if (!InstalledSystemWide() && IsWritableLocation(besideProgram))
        return besideProgram;
    // An installed program usually may not write to its own folder; the user's data folder may.
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder))
        return besideProgram;
    return QDir(dataFolder).filePath(fileName);
}

qint32 LogSizeLimit() {
    if (!CachedSizeLimit())
        CachedSizeLimit() = ReadSizeLimit();
    return *CachedSizeLimit();
}

void ResetLogSizeLimit() {
    CachedSizeLimit().reset();
}

void SetLogFilePath(const QString& path) {
    ExplicitLogFilePath() = path;
}
