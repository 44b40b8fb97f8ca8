#pragma once

#include "records/tBib.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

// The recovery copy of a record file: while the file cannot take a change, the whole list is
// kept here as a ".stn" file in the user's data folder, with the passage times beside it
// ("….stn.times"), so no passage and no time lives only in memory. The name ties it to its record
// file: the file's name without ".stn", "-", and a short hash of its canonical path, so two files
// of the same name in different folders get different copies, and a link to the file finds the
// same copy as the file itself.

QString RecoveryCopyPath(const QString& recordFile);

// Writes the records atomically and durably; raises an error when it cannot. The times go beside
// it afterwards (TimesSidecar::WriteCopy).
void WriteRecoveryCopy(const QString& recordFile, const QVector<tBib>& records);

// Removes the copy and its times.
void RemoveRecoveryCopy(const QString& recordFile);

// The bibs a recovery copy holds; nothing when there is none or it cannot be read.
std::optional<QVector<qint32>> ReadRecoveryCopy(const QString& recordFile);

// Writes a recovery copy's records and times to another file and removes the copy. Raises an error
// when the file cannot be written; the copy stays then.
void SaveRecoveryCopyAs(const QString& recordFile, const QString& target);

// Renames a copy an earlier run left, with its times, to a dated name beside it, so a new copy
// cannot replace it.
void SetRecoveryCopyAside(const QString& recordFile, const QDateTime& moment);

// How many records of a list a file lacks: each bib of the list not matched by one of the file's
// (a new passage or a corrected bib counts one).
qint32 RecordsNotIn(const QVector<qint32>& list, const QVector<qint32>& file);

// The records only the file holds and those only the recovery copy holds. A record is its bib at
// a place, and no place is kept for good (a move changes two places, a deletion all behind it),
// so two lists hold the same passages when they hold the same bibs equally often: each side
// counts the bibs the other cannot match. A moved record counts on neither side.
struct RecoverySides {
    qint32 fileOnly = 0;
    qint32 copyOnly = 0;
};
RecoverySides CompareWithRecoveryCopy(const QVector<qint32>& file, const QVector<qint32>& copy);
