#include "app/CommandLineCommands.h"

#include "app/CommandLine.h"
#include "base/ErrorInfo.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "startlist/ResultsCsv.h"
#include "startlist/StartListFile.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {

void Write(QIODevice& device, const QString& text) {
    device.write(text.toUtf8());
}

// Opens a record file as the window does, for a look only (the window may be writing it); "" when
// it opened, otherwise why not.
QString OpenAsProgramDoes(clsFile& records, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the file does not exist");
    if (info.isDir())
        return QStringLiteral("it is a folder, not a record file");
    try {
        if (records.OpenFile(info.absoluteFilePath(), nullptr, clsFile::Access::ReadOnly))
            return QString();
    } catch (const RaisedError& error) {
        return error.info().description;
    }
    return QStringLiteral("the file cannot be read");
}

// One line about a file kept beside the open record file.
using SidecarState = std::function<QString(const clsFile& records)>;

QString StartListState(const clsFile& records) {
    const QString recordFile = records.FileName();
    const QString name = QFileInfo(StartListPath(recordFile)).fileName();
    try {
        const StartListRead read = ReadStartListFor(recordFile);
        if (read.list.IsEmpty() && read.problems.isEmpty())
            return QStringLiteral("start list: none");
        QString state = QStringLiteral("start list: %1 names in %2").arg(read.list.Count()).arg(name);
        if (!read.problems.isEmpty())
            state += QStringLiteral(", lines not loaded: %1").arg(read.problems.size());
        return state;
    } catch (const RaisedError& error) {
        return QStringLiteral("start list: not readable: %1").arg(error.info().description);
    }
}

// What opening the record file made of its times file.
QString TimesState(const clsFile& records) {
    const QString name = QFileInfo(TimesSidecar::PathFor(records.FileName())).fileName();
    const TimesFileState state = records.TimesState();
    switch (state.kind) {
    case TimesFileState::Kind::Missing:
        return QStringLiteral("passage times: missing");
    case TimesFileState::Kind::InStep:
        return QStringLiteral("passage times: %1, in step").arg(name);
    case TimesFileState::Kind::PartlyDropped:
        return QStringLiteral("passage times: %1, lines dropped: %2").arg(name).arg(state.dropped);
    case TimesFileState::Kind::Unreadable:
        break;
    }
    return QStringLiteral("passage times: %1, unreadable").arg(name);
}

// The files kept beside a record file, one state line each.
const SidecarState kSidecars[] = {StartListState, TimesState};

} // namespace

int CheckCommand(const QString& recordFile, QIODevice& out, QIODevice&) {
    clsFile records;
    const QString refusal = OpenAsProgramDoes(records, recordFile);
    Write(out, QStringLiteral("file: %1\n").arg(QDir::toNativeSeparators(recordFile)));
    if (!refusal.isEmpty()) {
        Write(out, QStringLiteral("refused: %1\n").arg(refusal));
        return CommandLine::Failed;
    }
    Write(out, QStringLiteral("records: %1\n").arg(records.Count()));
    for (const SidecarState& state : kSidecars)
        Write(out, state(records) + QLatin1Char('\n'));
    Write(out, QStringLiteral("opens: yes\n"));
    return CommandLine::Done;
}

int ExportResultsCommand(const QString& recordFile, const QString& target, QIODevice& out, QIODevice& err) {
    clsFile records;
    const QString refusal = OpenAsProgramDoes(records, recordFile);
    if (!refusal.isEmpty()) {
        Write(err, QStringLiteral("marklog: %1: %2\n").arg(QDir::toNativeSeparators(recordFile), refusal));
        return CommandLine::Failed;
    }
    if (!target.isEmpty() &&
        (IsSameFile(target, records.FileName()) || IsSameFile(target, StartListPath(records.FileName())) ||
         IsSameFile(target, TimesSidecar::PathFor(records.FileName())))) {
        Write(err, QStringLiteral("marklog: %1 is the record file or a file kept beside it; the results go "
                                  "elsewhere.\n")
                       .arg(QDir::toNativeSeparators(target)));
        return CommandLine::Failed;
    }
    StartList names;
    try {
        const StartListRead read = ReadStartListFor(records.FileName());
        names = read.list;
        for (const StartListProblem& problem : read.problems)
            Write(err,
                  QStringLiteral("marklog: %1: %2\n")
                      .arg(QDir::toNativeSeparators(StartListPath(records.FileName())), StartListProblemText(problem)));
    } catch (const RaisedError& error) {
        Write(err, QStringLiteral("marklog: the results have no names: %1\n").arg(error.info().description));
    }
    const QByteArray csv = ResultsCsvOf(records, names);
    if (target.isEmpty()) {
        out.write(csv);
        return CommandLine::Done;
    }
    try {
        ReplaceDurably(target, csv);
    } catch (const RaisedError& error) {
        Write(err, QStringLiteral("marklog: %1\n").arg(error.info().description));
        return CommandLine::Failed;
    }
    return CommandLine::Done;
}
