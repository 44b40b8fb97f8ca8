#pragma once

#include "results/RaceRanking.h"
#include "startlist/StartList.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>

class clsFile;

// A race as the files beside its record file describe it: start list, starts and laps, marks.
struct RaceFiles {
    StartList names;
    RaceSetup setup;
    QVector<QDateTime> marks;
    QStringList problems; // what could not be read, one text a line in the operator's language
};

// Never fails: what cannot be read is left out and named in `problems`.
RaceFiles ReadRaceFilesFor(const QString& recordFile);

// The start list of a record file, its problems added to `problems`.
StartList ReadNamesFor(const QString& recordFile, QStringList& problems);

// "Line [line] of [file] ..." for each bad line of the starts and laps files.
void AddBadLines(const QVector<QPair<QString, qint32>>& badLines, QStringList& problems);

// The race's date: its start's, else its first passage's with a time, else today's.
QDate RaceDay(const QDateTime& start, const clsFile& records);

// The passages of an open record file, with their entry times.
QVector<RacePassage> PassagesOf(const clsFile& records);

// True when a target is the record file or one of the files kept beside it, which an export must
// never replace.
bool IsRecordFileOrBeside(const QString& target, const QString& recordFile);
