#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// Who changed what, readable after the race: every correction of the records is appended to a
// file beside the record file ("race.stn" gives "race.stn.journal"), one line each and CR LF:
//
//     time;operation;position;old bib;new bib
//
// the time in ISO 8601 local time with milliseconds and UTC offset, the position counted from 1
// as in the record file, and an empty bib where the position held no record before (inserted)
// or holds none after (deleted). The operation is "edit", "insert", "delete", "move up",
// "move down" (the bib at the position went to its neighbour, whose bib stands there now) or
// "adopt" (taken from a backup recording); an undone or redone correction is "undo " or "redo "
// and the operation it takes back or does again, with the change it makes itself.
struct JournalEntry {
    QDateTime time;
    QString operation;
    qint32 position = 0;
    std::optional<qint32> oldBib;
    std::optional<qint32> newBib;
};

QString JournalPath(const QString& recordFile);
QByteArray JournalLine(const JournalEntry& entry);
// Appends the line and flushes it to the disk; raises an error when it cannot.
void AppendToJournal(const QString& recordFile, const JournalEntry& entry);
