#include "results/RaceSetup.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"

#include <functional>

namespace {

// Calls take(key, value) for each "key;value" line of a file, the value after the last ";";
// a line that is no such pair or that take refuses is listed as bad.
void ReadKeyedLines(const QString& path, const std::function<bool(const QString&, const QString&)>& take,
                    QVector<QPair<QString, qint32>>& badLines) {
    const QList<QByteArray> lines = ReadWholeFile(path).split('\n');
    for (qint32 number = 1; number <= lines.size(); ++number) {
        const QString line = QString::fromUtf8(lines[number - 1]).remove(QLatin1Char('\r'));
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype split = line.lastIndexOf(QLatin1Char(';'));
        if (split < 0 || !take(line.left(split), line.mid(split + 1).trimmed()))
            badLines.append({path, number});
    }
}

// A key becomes part of a line; a line end inside it would break the file.
QByteArray KeyedLine(const QString& key, const QByteArray& value) {
    if (key.contains(QLatin1Char('\n')) || key.contains(QLatin1Char('\r')))
        Raise(ErrorNumber::InvalidFileFormat,
              GetText(QStringLiteral("MKL_RS_BADCATEGORY"), {{QStringLiteral("[category]"), key}}));
    return key.toUtf8() + ';' + value + "\r\n";
}

} // namespace

QDateTime RaceSetup::StartOf(const QString& category) const {
    return waveStarts.value(category, start);
}

qint32 RaceSetup::LapsOf(const QString& category) const {
    return categoryLaps.value(category, laps);
}

QString StartTimesPath(const QString& recordFile) {
    return recordFile + QStringLiteral(".start");
}

QString LapsPath(const QString& recordFile) {
    return recordFile + QStringLiteral(".laps");
}

RaceSetupRead ReadRaceSetupFor(const QString& recordFile) {
    RaceSetupRead read;
    RaceSetup& setup = read.setup;
    ReadKeyedLines(
        StartTimesPath(recordFile),
        [&setup](const QString& category, const QString& value) {
            const QDateTime time = QDateTime::fromString(value, Qt::ISODateWithMs);
            if (!time.isValid())
                return false;
            (category.isEmpty() ? setup.start : setup.waveStarts[category]) = time;
            return true;
        },
        read.badLines);
    ReadKeyedLines(
        LapsPath(recordFile),
        [&setup](const QString& category, const QString& value) {
            bool ok = false;
            const qint32 laps = value.toInt(&ok);
            if (!ok || laps < 1)
                return false;
            (category.isEmpty() ? setup.laps : setup.categoryLaps[category]) = laps;
            return true;
        },
        read.badLines);
    return read;
}

void SaveStartTimesFor(const QString& recordFile, const RaceSetup& setup) {
    QByteArray content;
    if (setup.start.isValid())
        content += KeyedLine(QString(), TimesSidecar::FormatTime(setup.start));
    for (auto it = setup.waveStarts.cbegin(); it != setup.waveStarts.cend(); ++it) {
        if (!it.key().isEmpty() && it.value().isValid())
            content += KeyedLine(it.key(), TimesSidecar::FormatTime(it.value()));
    }
    ReplaceDurably(StartTimesPath(recordFile), content);
}

void SaveLapsFor(const QString& recordFile, const RaceSetup& setup) {
    QByteArray content = KeyedLine(QString(), QByteArray::number(setup.laps));
    for (auto it = setup.categoryLaps.cbegin(); it != setup.categoryLaps.cend(); ++it) {
        if (!it.key().isEmpty())
            content += KeyedLine(it.key(), QByteArray::number(it.value()));
    }
    ReplaceDurably(LapsPath(recordFile), content);
}
