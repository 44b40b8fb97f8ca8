#include "app/CommandLineCommands.h"

#include "app/CommandLine.h"
#include "base/ErrorInfo.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/StnFormat.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "results/RaceFiles.h"
#include "results/ResultsCsv.h"
#include "startlist/BackupComparison.h"
#include "startlist/PassagesCsv.h"
#include "startlist/StartListFile.h"
#include "startlist/StartListImport.h"

#include <QDir>
#include <QFileInfo>

#include <functional>
#include <optional>

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
        if (records.OpenFile(info.absoluteFilePath(), clsFile::Access::ReadOnly))
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

// The bytes of a file the command reads; a text saying why not when it cannot.
std::optional<QByteArray> ReadInput(const QString& path, QIODevice& err) {
    QString reason = QStringLiteral("the file does not exist");
    if (QFileInfo(path).isFile()) {
        try {
            return ReadWholeFile(path);
        } catch (const RaisedError& error) {
            reason = error.info().description;
        }
    } else if (QFileInfo(path).isDir()) {
        reason = QStringLiteral("it is a folder, not a file");
    }
    Write(err, QStringLiteral("marklog: %1: %2\n").arg(QDir::toNativeSeparators(path), reason));
    return std::nullopt;
}

QString EncodingName(TextEncoding encoding) {
    static const char* const names[] = {"UTF-8", "UTF-16 LE", "UTF-16 BE", "UTF-32 LE", "UTF-32 BE", "Windows-1252"};
    return QLatin1String(names[static_cast<int>(encoding)]);
}

QString DelimiterName(QChar delimiter) {
    if (delimiter == QLatin1Char('\t'))
        return QStringLiteral("tab");
    return delimiter == QLatin1Char(' ') ? QStringLiteral("blank") : QString(delimiter);
}

// "bib 1 (Startnr)": a column counted from 1 with its title; "none" for no column.
QString ColumnName(const StartListImport& import, const char* role, int column) {
    if (column < 0)
        return QStringLiteral("%1 none").arg(QLatin1String(role));
    const QString title = import.header >= 0 ? import.records[import.header].fields.value(column) : QString();
    return QStringLiteral("%1 %2").arg(QLatin1String(role)).arg(column + 1) +
           (title.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(title));
}

// What the import found, one "what: value" line each.
QString ImportSummary(const StartListImport& import) {
    const StartListColumns& columns = import.columns;
    QStringList lines;
    lines << QStringLiteral("encoding: %1, %2")
                 .arg(EncodingName(import.encoding),
                      import.byteOrderMark ? QStringLiteral("byte order mark") : QStringLiteral("no byte order mark"));
    lines << QStringLiteral("delimiter: %1%2")
                 .arg(DelimiterName(import.delimiter), import.sepLine ? QStringLiteral(" (sep= line)") : QString());
    lines << QStringLiteral("header: %1")
                 .arg(import.header >= 0 ? QStringLiteral("line %1").arg(import.records[import.header].line)
                                         : QStringLiteral("none"));
    lines << QStringLiteral("columns: %1")
                 .arg(QStringList{ColumnName(import, "bib", columns.bib), ColumnName(import, "name", columns.name),
                                  ColumnName(import, "first name", columns.firstName),
                                  ColumnName(import, "category", columns.category),
                                  ColumnName(import, "club", columns.club)}
                          .join(QStringLiteral(", ")));
    lines << QStringLiteral("names: %1").arg(import.list.Count());
    lines << QStringLiteral("lines not loaded: %1").arg(import.Rejected());
    lines << QStringLiteral("lines loaded with a doubt: %1").arg(import.problems.size() - import.Rejected());
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

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

int ImportStartListCommand(const QString& listFile, const QString& recordFile, QIODevice& out, QIODevice& err) {
    if (!QFileInfo(recordFile).isFile()) {
        Write(
            err,
            QStringLiteral("marklog: %1: the record file does not exist\n").arg(QDir::toNativeSeparators(recordFile)));
        return CommandLine::NotUnderstood;
    }
    const std::optional<QByteArray> bytes = ReadInput(listFile, err);
    if (!bytes)
        return CommandLine::NotUnderstood;
    const StartListImport import = ImportStartList(*bytes);
    Write(out, QStringLiteral("file: %1\n").arg(QDir::toNativeSeparators(listFile)) + ImportSummary(import));
    const QString where = QStringLiteral("marklog: %1: ").arg(QDir::toNativeSeparators(listFile));
    for (int i = 0; i < std::min<int>(import.problems.size(), kStartListProblemsShown); ++i)
        Write(err, where + StartListProblemText(import.problems[i]) + QLatin1Char('\n'));
    if (import.problems.size() > kStartListProblemsShown)
        Write(err, where + MoreProblemsText(import.problems.size() - kStartListProblemsShown) + QLatin1Char('\n'));
    if (import.list.IsEmpty()) {
        Write(out, QStringLiteral("kept: nothing; the record file's start list is unchanged\n"));
        return CommandLine::Failed;
    }
    const QString recordPath = QFileInfo(recordFile).absoluteFilePath();
    try {
        SaveStartListFor(recordPath, import.list);
    } catch (const RaisedError& error) {
        Write(err, QStringLiteral("marklog: %1\n").arg(error.info().description));
        return CommandLine::Failed;
    }
    Write(out, QStringLiteral("kept in: %1\n").arg(QDir::toNativeSeparators(StartListPath(recordPath))));
    return import.Rejected() > 0 ? CommandLine::Failed : CommandLine::Done;
}

int CompareCommand(const QString& primaryFile, const QString& backupFile, QIODevice& out, QIODevice& err) {
    QVector<qint32> bibs[2];
    const QString files[2] = {primaryFile, backupFile};
    for (int side = 0; side < 2; ++side) {
        const std::optional<QByteArray> bytes = ReadInput(files[side], err);
        if (!bytes)
            return CommandLine::NotUnderstood;
        try {
            bibs[side] = ReadStn(*bytes).bibs;
        } catch (const RaisedError& error) {
            Write(err, QStringLiteral("marklog: %1: %2\n")
                           .arg(QDir::toNativeSeparators(files[side]), error.info().description));
            return CommandLine::NotUnderstood;
        }
    }
    const QVector<BackupDifference> differences = CompareWithBackup(bibs[0], bibs[1]);
    QByteArray lines;
    for (const BackupDifference& difference : differences)
        lines += BackupDifferenceLine(difference).toUtf8() + '\n';
    out.write(lines);
    return differences.isEmpty() ? CommandLine::Done : CommandLine::Failed;
}
