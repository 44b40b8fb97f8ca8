#include "lapcounter/LapCounting.h"

#include "base/NumericValue.h"
#include "lapcounter/LapStandings.h"
#include "lapcounter/MergeSort.h"
#include "records/clsFile.h"

#include <QLocale>

#include <algorithm>

namespace {

constexpr QLatin1String kColumnGap("\t\t");
constexpr int kSeparatorLength = 106;

} // namespace

void SortLapEntries(QVector<LapEntry>& entries) {
    MergeSort(
        entries, [](const LapEntry& left, const LapEntry& right) { return left.Bib < right.Bib; }, false);
}

QVector<LapEntry> CollectLapEntries(const clsFile& records, qint32 firstCountedID) {
    QVector<LapEntry> entries;
    const qint32 count = records.Count();
    entries.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        const tBib record = records.GetRecord(i);
        if (record.ID >= firstCountedID && record.Bib > 0)
            entries.append(LapEntry{record.Bib, record.ID});
    }
    return entries;
}

QVector<LapRow> GroupLapEntries(const QVector<LapEntry>& sortedEntries) {
    QVector<LapRow> rows;
    qint32 currentBib = 0;
    for (const LapEntry& entry : sortedEntries) {
        if (!rows.isEmpty() && entry.Bib == currentBib) {
            LapRow& row = rows.last();
            ++row.Laps;
            row.LastID = qMax(row.LastID, entry.ID);
        } else {
            currentBib = entry.Bib;
            rows.append(LapRow{entry.Bib, 1, entry.ID});
        }
    }
    return rows;
}

void BuildLapList(const LapStandings& standings, const LapListInput& input, QStringList& lines) {
    lines.clear();
    const double target = NumericValue(input.targetText);
    lines.append(LapHeadingLine(input.bibHeading, input.lapsHeading, input.remainingHeading, target));
    if (input.nameOf)
        lines.last() += kColumnGap + input.nameHeading;
    lines.append(LapSeparatorLine());
    const LapRanking& ranking = standings.Ranking();
    if (ranking.Size() == 0)
        return;
    // The minimum is read only when there is a row to filter, so a faulty minimum fails after the
    // heading, as the refresh has always done.
    const qint64 listed = standings.ListedCount(NumericValue(input.minimumText));
    lines.reserve(qsizetype(listed) + 2);
    qint64 rank = 0;
    ranking.ForEach([&](const LapRow& row) {
        if (rank++ < listed)
            lines.append(LapListLine(row, target, input));
    });
    if (!input.descending)
        std::reverse(lines.begin() + 2, lines.end());
}

qint64 LapLineOf(qint64 rank, qint64 listed, bool descending) {
    if (rank < 0 || rank >= listed)
        return -1;
    return 2 + (descending ? rank : listed - 1 - rank);
}

QString LapHeadingLine(const QString& bib, const QString& laps, const QString& remaining, double target) {
    QString line = bib + kColumnGap + laps;
    if (target > 0)
        line += kColumnGap + remaining;
    return line;
}

QString LapSeparatorLine() {
    return QString(kSeparatorLength, QLatin1Char('-'));
}

QString LapListLine(const LapRow& row, double target, const LapListInput& input) {
    QString line = LapRowLine(row, target);
    if (input.nameOf)
        line += kColumnGap + input.nameOf(row.Bib);
    return line;
}

QString LapRowLine(const LapRow& row, double target) {
    QString line = QString::number(row.Bib) + kColumnGap + QString::number(row.Laps);
    if (target > 0)
        line += kColumnGap + DoubleText(target - row.Laps);
    return line;
}

QString DoubleText(double value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}
