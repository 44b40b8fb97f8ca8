#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

// The windowless commands of the command line. Each writes its output to `out`, problems to
// `err`, and returns the process's exit status.

// --check FILE.stn: reads the record file as the program opens it and prints the record count,
// the state of the files kept beside it and why it would be refused; 0 when it would open.
int CheckCommand(const QString& recordFile, QIODevice& out, QIODevice& err);

// What --export-results takes in place of the files beside the record file: the race's start
// (when valid) and the laps that finish it (when above 0).
struct ResultsOptions {
    QDateTime start;
    qint32 laps = 0;
};

// --export-results FILE.stn [OUT.csv]: the results CSV of a record file, to OUT or to `out`.
int ExportResultsCommand(const QString& recordFile, const QString& target, const ResultsOptions& options,
                         QIODevice& out, QIODevice& err);

// --export-passages FILE.stn [OUT.csv]: one CSV row per passage, to OUT or to `out`.
int ExportPassagesCommand(const QString& recordFile, const QString& target, QIODevice& out, QIODevice& err);

// --import-startlist LIST.csv FILE.stn: reads the list as File > Start list does with the choices
// it finds itself, prints what it found and keeps the names beside the record file; 1 when lines
// were not loaded (or none was), 2 when a file cannot be read.
int ImportStartListCommand(const QString& listFile, const QString& recordFile, QIODevice& out, QIODevice& err);

// --compare PRIMARY.stn BACKUP.stn: one line "primary position;backup position;primary bib;backup
// bib" per difference; 0 when the two agree, 1 when they differ, 2 when a file cannot be read.
int CompareCommand(const QString& primaryFile, const QString& backupFile, QIODevice& out, QIODevice& err);
