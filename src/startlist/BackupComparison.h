#pragma once

#include <QString>
#include <QVector>

// A recording compared with the backup a second person recorded of the same passages.

// One place where the two disagree. Positions count from 1; 0 where that side has no record
// there (its bib is then 0 and means nothing).
struct BackupDifference {
    qint32 primaryPosition = 0;
    qint32 backupPosition = 0;
    qint32 primaryBib = 0;
    qint32 backupBib = 0;
    bool operator==(const BackupDifference& other) const {
        return primaryPosition == other.primaryPosition && backupPosition == other.backupPosition &&
               primaryBib == other.primaryBib && backupBib == other.backupBib;
    }
};

// The differences of two sequences of bibs, in order. They are aligned so that as many records
// as possible agree in order (a longest common subsequence). Between two agreeing records, k
// records of one side and k of the other pair up in order as k differing records, and what is
// left over stands alone. Time grows with the lengths times the number of differences, so two
// long recordings that mostly agree are compared at once; for recordings that share little
// (another race's file) the search for agreement stops after a bounded amount of work, and the
// stretches not searched yet are listed as differing.
QVector<BackupDifference> CompareWithBackup(const QVector<qint32>& primary, const QVector<qint32>& backup);

// "primary position;backup position;primary bib;backup bib", both fields of a side without a
// record empty.
QString BackupDifferenceLine(const BackupDifference& difference);

// How the primary recording takes the backup's side of one difference: the primary's bib
// replaced, the backup's record inserted before a 0-based index, or the primary's record deleted.
struct BackupAdoption {
    enum class Kind { Edit, Insert, Delete };
    Kind kind = Kind::Edit;
    qint32 index = 0;
    qint32 bib = 0;
};
// For the difference at `which` of a comparison's differences, all in order.
BackupAdoption AdoptionOf(const QVector<BackupDifference>& differences, qsizetype which);
