#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

// The windowless commands of the command line. Each writes its output to `out`, problems to
// `err`, and returns the process's exit status.

// --check FILE.stn: reads the record file as the program opens it and prints the record count,
// the state of the files kept beside it and why it would be refused; 0 when it would open.
int CheckCommand(const QString& recordFile, QIODevice& out, QIODevice& err);

// --export-results FILE.stn [OUT.csv]: the results CSV of a record file, to OUT or to `out`.
int ExportResultsCommand(const QString& recordFile, const QString& target, QIODevice& out, QIODevice& err);
