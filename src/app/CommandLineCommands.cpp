#include "app/CommandLineCommands.h"

#include "app/CommandLine.h"
#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "results/RaceFiles.h"
#include "results/ResultsCsv.h"
#include "startlist/PassagesCsv.h"
#include "startlist/StartListFile.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {

void Write(QIODevice& device, const QString& text) {
    device.write(text.toUtf8());
}

// While alive, the messages the record file would show in a box are collected instead.
class CollectedMessages {
public:
    CollectedMessages() {
        m_previous = SetMessagePresenter([this](const MessageRequest& request) {
            m_texts.append(request.text);
            return MsgAnswer::Ok;
        });
    }
    ~CollectedMessages() { SetMessagePresenter(m_previous); }
    CollectedMessages(const CollectedMessages&) = delete;
    CollectedMessages& operator=(const CollectedMessages&) = delete;
    QString Text() const { return m_texts.join(QLatin1Char(' ')); }

private:
    QStringList m_texts;
    MessagePresenter m_previous;
};

// Opens a record file as the window does; "" when it opened, otherwise why not.
QString OpenAsProgramDoes(clsFile& records, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the file does not exist");
    if (info.isDir())
        return QStringLiteral("it is a folder, not a record file");
    CollectedMessages messages;
    if (records.OpenFile(QFileInfo(path).absoluteFilePath()))
        return QString();
    return messages.Text().isEmpty() ? QStringLiteral("the file cannot be read") : messages.Text();
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

namespace {

// The CSV that build makes of a record file, to the target file or to `out`.
using CsvOfRecords = std::function<QByteArray(const clsFile& records, QIODevice& err)>;

int ExportCsv(const QString& recordFile, const QString& target, const CsvOfRecords& build, QIODevice& out,
              QIODevice& err) {
    clsFile records;
    const QString refusal = OpenAsProgramDoes(records, recordFile);
    if (!refusal.isEmpty()) {
        Write(err, QStringLiteral("marklog: %1: %2\n").arg(QDir::toNativeSeparators(recordFile), refusal));
        return CommandLine::Failed;
    }
    if (!target.isEmpty() && IsRecordFileOrBeside(target, records.FileName())) {
        Write(err, QStringLiteral("marklog: %1 is the record file or a file kept beside it; the export goes "
                                  "elsewhere.\n")
                       .arg(QDir::toNativeSeparators(target)));
        return CommandLine::Failed;
    }
    const QByteArray csv = build(records, err);
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

void WriteProblems(const QStringList& problems, QIODevice& err) {
    for (const QString& problem : problems)
        Write(err, QStringLiteral("marklog: %1\n").arg(problem));
}

} // namespace

int ExportResultsCommand(const QString& recordFile, const QString& target, const ResultsOptions& options,
                         QIODevice& out, QIODevice& err) {
    return ExportCsv(
        recordFile, target,
        [&options](const clsFile& records, QIODevice& problems) {
            RaceFiles files = ReadRaceFilesFor(records.FileName());
            WriteProblems(files.problems, problems);
            if (options.start.isValid())
                files.setup.start = options.start;
            if (options.laps > 0)
                files.setup.laps = options.laps;
            return ResultsCsv(RankRace({PassagesOf(records), files.marks, &files.names, files.setup}));
        },
        out, err);
}

int ExportPassagesCommand(const QString& recordFile, const QString& target, QIODevice& out, QIODevice& err) {
    return ExportCsv(
        recordFile, target,
        [](const clsFile& records, QIODevice& problems) {
            QStringList texts;
            const StartList names = ReadNamesFor(records.FileName(), texts);
            WriteProblems(texts, problems);
            return PassagesCsvOf(records, names);
        },
        out, err);
}
