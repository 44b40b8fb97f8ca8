#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class clsFile;
class LapStandings;

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

// The passages that count, in list order: ID at least firstCountedID and a bib above 0.
QVector<LapEntry> CollectLapEntries(const clsFile& records, qint32 firstCountedID);

// One row per bib from passages sorted by bib, in ascending bib order.
QVector<LapRow> GroupLapEntries(const QVector<LapEntry>& sortedEntries);

// What a refresh takes from the lap counter window.
struct LapListInput {
    QString targetText;  // lap target; 0 or less shows no remaining column
    QString minimumText; // laps a bib needs to be listed
    bool descending = false;
    QString bibHeading;
    QString lapsHeading;
    QString remainingHeading;
    // The runner's name for a bib, shown in a last column when set (a start list is loaded).
    std::function<QString(qint32 bib)> nameOf;
    QString nameHeading;

    bool operator==(const LapListInput& other) const {
        return targetText == other.targetText && minimumText == other.minimumText && descending == other.descending &&
               bibHeading == other.bibHeading && lapsHeading == other.lapsHeading &&
               remainingHeading == other.remainingHeading && nameHeading == other.nameHeading &&
               bool(nameOf) == bool(other.nameOf);
    }
};

// Replaces `lines` by the lap list of synced standings: heading, separator, then one line per
// listed bib, leader first when descending, else the exact reverse. Columns are separated by two
// tabs. A failure (a number field too large) raises an error; the lines made until then stay.
void BuildLapList(const LapStandings& standings, const LapListInput& input, QStringList& lines);

// The line of the lap list that shows the row at a rank when `listed` rows are listed; -1 when
// that row is not listed.
qint64 LapLineOf(qint64 rank, qint64 listed, bool descending);

QString LapHeadingLine(const QString& bib, const QString& laps, const QString& remaining, double target);
QString LapSeparatorLine();
QString LapRowLine(const LapRow& row, double target);
// A row's line of the list: LapRowLine, then the runner's name when the input has a name lookup.
QString LapListLine(const LapRow& row, double target, const LapListInput& input);

// A double as the platform writes it by default in the current locale: up to 15 significant
// digits, whole values without a decimal point, no digit grouping.
QString DoubleText(double value);
