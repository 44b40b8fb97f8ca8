#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class clsFile;

// One counted passage: its bib and the record's ID.
struct LapEntry {
    qint32 Bib = 0;
    qint64 ID = 0;
};

// One line of the lap list: a bib, how many passages it has, and the ID of its latest passage.
struct LapRow {
    qint32 Bib = 0;
    qint32 Laps = 0;
    qint64 LastID = 0;
};

// Sorts passages by bib, smallest first (of two equal bibs the right one is taken first).
void SortLapEntries(QVector<LapEntry>& entries);

// Sorts rows by race ranking. Descending: more laps first, and of equal laps the one that
// completed them first (smaller last ID). Ascending is the exact reverse of that order.
void SortLapRows(QVector<LapRow>& rows, bool descending);

// The passages that count, in list order: ID at least firstCountedID and a bib above 0.
QVector<LapEntry> CollectLapEntries(const clsFile& records, qint32 firstCountedID);

// One row per bib from passages sorted by bib, in ascending bib order.
QVector<LapRow> GroupLapEntries(const QVector<LapEntry>& sortedEntries);

// What a refresh takes from the lap counter window.
struct LapListInput {
    qint32 firstCountedID = 0;
    QString targetText;  // lap target; 0 or less shows no remaining column
    QString minimumText; // laps a bib needs to be listed
    bool descending = false;
    QString bibHeading;
    QString lapsHeading;
    QString remainingHeading;
    // The runner's name for a bib, shown in a last column when set (a start list is loaded).
    std::function<QString(qint32 bib)> nameOf;
    QString nameHeading;
};

// Replaces `lines` by the lap list: heading, separator, then one line per bib in ranking order.
// Columns are separated by two tabs. A failure (a number field too large) raises an error; the
// lines made until then stay in `lines`.
void BuildLapList(const clsFile& records, const LapListInput& input, QStringList& lines);

QString LapHeadingLine(const QString& bib, const QString& laps, const QString& remaining, double target);
QString LapSeparatorLine();
QString LapRowLine(const LapRow& row, double target);

// A double as the platform writes it by default in the current locale: up to 15 significant
// digits, whole values without a decimal point, no digit grouping.
QString DoubleText(double value);
