#include "lapcounter/LapCounting.h"

#include "app/NumericValue.h"
#include "records/clsFile.h"

#include <QLocale>

namespace {

constexpr QLatin1String kColumnGap("\t\t");
constexpr int kSeparatorLength = 106;

// Top-down merge sort of data[lo..hi] through one scratch array. At each step of a merge the
// right element is taken when less(left, right) equals takeRightWhen, otherwise the left one;
// this fixes the order of equal keys, which the ranking's ties rely on.
template <typename T, typename Less>
void MergeSortRange(T* data, T* scratch, qint64 lo, qint64 hi, Less less, bool takeRightWhen) {
    if (lo == hi)
        return;
    const qint64 mid = (lo + hi) / 2;
    MergeSortRange(data, scratch, lo, mid, less, takeRightWhen);
    MergeSortRange(data, scratch, mid + 1, hi, less, takeRightWhen);
    qint64 a = lo;
    qint64 b = mid + 1;
    qint64 k = lo;
    while (a <= mid && b <= hi) {
        if (less(data[a], data[b]) == takeRightWhen)
            scratch[k++] = data[b++];
        else
            scratch[k++] = data[a++];
    }
    while (a <= mid)
        scratch[k++] = data[a++];
    while (b <= hi)
        scratch[k++] = data[b++];
    for (qint64 i = lo; i <= hi; ++i)
        data[i] = scratch[i];
}

template <typename T, typename Less> void MergeSort(QVector<T>& items, Less less, bool takeRightWhen) {
    if (items.size() < 2)
        return;
    QVector<T> scratch(items.size());
    MergeSortRange(items.data(), scratch.data(), 0, items.size() - 1, less, takeRightWhen);
}

} // namespace

void SortLapEntries(QVector<LapEntry>& entries) {
    MergeSort(
        entries, [](const LapEntry& left, const LapEntry& right) { return left.Bib < right.Bib; }, false);
}

void SortLapRows(QVector<LapRow>& rows, bool descending) {
    // True when the left row is behind the right one: fewer laps, or the same laps completed later.
    const auto behind = [](const LapRow& left, const LapRow& right) {
        return left.Laps < right.Laps || (left.Laps == right.Laps && left.LastID > right.LastID);
    };
    MergeSort(rows, behind, descending);
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

void BuildLapList(const clsFile& records, const LapListInput& input, QStringList& lines) {
    lines.clear();
    const double target = NumericValue(input.targetText);
    lines.append(LapHeadingLine(input.bibHeading, input.lapsHeading, input.remainingHeading, target));
    if (input.nameOf)
        lines.last() += kColumnGap + input.nameHeading;
    lines.append(LapSeparatorLine());
    if (records.Count() < 1)
        return;
    QVector<LapEntry> entries = CollectLapEntries(records, input.firstCountedID);
    if (entries.isEmpty())
        return;
    SortLapEntries(entries);
    QVector<LapRow> rows = GroupLapEntries(entries);
    entries = QVector<LapEntry>(); // the passages are no longer needed; free them before sorting rows
    SortLapRows(rows, input.descending);
    // The minimum is read only when there is a row to filter, so a faulty minimum fails after the
    // heading, as the refresh has always done.
    const double minimum = NumericValue(input.minimumText);
    for (const LapRow& row : rows) {
        if (row.Laps < minimum)
            continue;
        lines.append(LapRowLine(row, target));
        if (input.nameOf)
            lines.last() += kColumnGap + input.nameOf(row.Bib);
    }
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
