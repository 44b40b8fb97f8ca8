#include "results/RaceFiles.h"

#include "base/Clock.h"
#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/CorrectionJournal.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "results/FinishMarks.h"
#include "startlist/StartListFile.h"

#include <QDir>

namespace {

QString BadLineText(const QString& path, qint32 line) {
    return GetText(QStringLiteral("MKL_RS_BADLINE"), {{QStringLiteral("[line]"), QString::number(line)},
                                                      {QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)}});
}

} // namespace

void AddBadLines(const QVector<QPair<QString, qint32>>& badLines, QStringList& problems) {
    for (const auto& [path, line] : badLines)
        problems << BadLineText(path, line);
}

StartList ReadNamesFor(const QString& recordFile, QStringList& problems) {
    try {
        const StartListRead read = ReadStartListFor(recordFile);
        for (const StartListProblem& problem : read.problems)
            problems << QDir::toNativeSeparators(StartListPath(recordFile)) + QStringLiteral(": ") +
                            StartListProblemText(problem);
        return read.list;
    } catch (const RaisedError& error) {
        problems << error.info().description;
        return StartList();
    }
}

RaceFiles ReadRaceFilesFor(const QString& recordFile) {
    RaceFiles files;
    files.names = ReadNamesFor(recordFile, files.problems);
    try {
        const RaceSetupRead read = ReadRaceSetupFor(recordFile);
        files.setup = read.setup;
        AddBadLines(read.badLines, files.problems);
    } catch (const RaisedError& error) {
        files.problems << error.info().description;
    }
    try {
        FinishMarks marks;
        marks.Open(recordFile);
        files.marks = marks.All();
        for (qint32 line : marks.BadLines())
            files.problems << BadLineText(marks.Path(), line);
    } catch (const RaisedError& error) {
        files.problems << error.info().description;
    }
    return files;
}

QVector<RacePassage> PassagesOf(const clsFile& records) {
    QVector<RacePassage> passages;
    passages.reserve(records.Count());
    for (qint32 index = 0; index < records.Count(); ++index)
        passages.append({records.GetRecord(index).Bib, records.PassageTime(index)});
    return passages;
}

bool IsRecordFileOrBeside(const QString& target, const QString& recordFile) {
    for (const QString& kept :
         {recordFile, StartListPath(recordFile), TimesSidecar::PathFor(recordFile), StartTimesPath(recordFile),
          LapsPath(recordFile), FinishMarks::PathFor(recordFile), JournalPath(recordFile)}) {
        if (IsSameFile(target, kept))
            return true;
    }
    return false;
}

QDate RaceDay(const QDateTime& start, const clsFile& records) {
    if (start.isValid())
        return start.date();
    for (qint32 index = 0; index < records.Count(); ++index) {
        if (records.PassageTime(index).isValid())
            return records.PassageTime(index).date();
    }
    return Now().date();
}
