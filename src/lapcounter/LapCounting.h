#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class LapStandings;

// One line of the lap list: a bib, how many passages it has, and the ID of its latest passage.
struct LapRow {
    qint32 Bib = 0;
    qint32 Laps = 0;
    qint64 LastID = 0;
};

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

// Writes the line of a row: bib, laps and, with a target above 0, the laps remaining; then the
// runner's name when there is a name lookup. Columns are separated by two tabs.
class LapLineWriter {
public:
    LapLineWriter() = default;
    LapLineWriter(double target, std::function<QString(qint32 bib)> nameOf);
    QString Line(const LapRow& row) const;

private:
    double m_target = 0;
    std::function<QString(qint32 bib)> m_nameOf;
    bool m_plainWholeNumbers = false; // the locale writes whole numbers as QString::number does
};

// A lap list: the heading and the separator, then the listed rows in the order shown. The text
// of a row's line is made only when asked for, so a list of 100,000 bibs costs no text beyond the
// lines in view.
struct LapList {
    QStringList heading; // fewer than two lines after a failure
    std::vector<LapRow> rows;
    LapLineWriter writer;

    qsizetype Count() const { return heading.size() + qsizetype(rows.size()); }
    QString Line(qsizetype index) const; // 0 <= index < Count()
    QStringList Lines() const;
};

// Replaces `list` by the lap list of synced standings: heading, separator, then one line per
// listed bib, leader first when descending, else the exact reverse. A failure (a number field too
// large) raises an error; the lines made until then stay.
void BuildLapList(const LapStandings& standings, const LapListInput& input, LapList& list);

// The line of the lap list that shows the row at a rank when `listed` rows are listed; -1 when
// that row is not listed.
qint64 LapLineOf(qint64 rank, qint64 listed, bool descending);

// A double as the platform writes it by default in the current locale: up to 15 significant
// digits, whole values without a decimal point, no digit grouping.
QString DoubleText(double value);
