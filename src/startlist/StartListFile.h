#pragma once

#include "startlist/StartList.h"

#include <QString>

// A record file's start list lives beside it as a CSV file: "race.stn" keeps its names in
// "race.stn.startlist.csv". Beside the record file it travels with it (to another folder, a stick,
// the results computer, the command line's export) and needs no settings; as a copy it does not
// change when the CSV it was loaded from is edited or moved; and it opens in any spreadsheet.

QString StartListPath(const QString& recordFile);

// The start list kept for a record file: empty when there is none. A file that cannot be read
// raises an error; lines that do not parse are in `problems`.
StartListRead ReadStartListFor(const QString& recordFile);

// Keeps a list for a record file (durably, see ReplaceDurably); raises an error when it cannot.
void SaveStartListFor(const QString& recordFile, const StartList& list);

// Forgets the list of a record file; raises an error when its file exists and cannot be removed.
void RemoveStartListFor(const QString& recordFile);
