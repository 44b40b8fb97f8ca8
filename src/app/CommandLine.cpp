#include "app/CommandLine.h"

#include "app/CommandLineCommands.h"
#include "base/Version.h"

namespace {

const char kLapBoardOption[] = "lap-board";
const char kExportResultsOption[] = "export-results";
const char kStartOption[] = "start";
const char kLapsOption[] = "laps";

void Write(QIODevice& device, const QString& text) {
    device.write(text.toUtf8());
}

// Options the window system reads itself when the window opens (for example -platform or
// -style): accepted here and left to it.
const char* const kWindowSystemOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "reverse",       "session", "style",
    "stylesheet",  "widgetcount",        "display",       "geometry"};
const char* const kWindowSystemFlags[] = {"reverse", "widgetcount"};

bool IsFlag(const QString& name) {
    for (const char* flag : kWindowSystemFlags) {
        if (name == QLatin1String(flag))
            return true;
    }
    return false;
}

} // namespace

CommandLine::CommandLine() {
    m_parser.setApplicationDescription(QStringLiteral("Records the bib numbers of runners at a running event."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addPositionalArgument(QStringLiteral("record-file.stn"),
                                   QStringLiteral("The record file to open. When it does not exist yet, Marklog "
                                                  "offers to create it as an empty record file."),
                                   QStringLiteral("[record-file.stn]"));

    m_commands.push_back({QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                             QStringLiteral("Shows these options and ends.")),
                          [this](const QString&, const QStringList&, QIODevice& out, QIODevice&) {
                              // Named as it is called, not by the folder it was started from.
                              QString help = m_parser.helpText();
                              const int usageEnd = help.indexOf(QLatin1String(" [options]"));
                              if (help.startsWith(QLatin1String("Usage: ")) && usageEnd > 0)
                                  help.replace(7, usageEnd - 7, QStringLiteral("marklog"));
                              Write(out, help);
                              return int(Done);
                          }});
    m_commands.push_back({QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                             QStringLiteral("Shows the program's version and ends.")),
                          [](const QString&, const QStringList&, QIODevice& out, QIODevice&) {
                              Write(out, QStringLiteral("marklog %1\n").arg(QLatin1String(MARKLOG_VERSION_TEXT)));
                              return int(Done);
                          }});
    m_commands.push_back(
        {QCommandLineOption(QString::fromLatin1(kExportResultsOption),
                            QStringLiteral("Writes the results of FILE.stn as CSV, one row per runner in ranking order "
                                           "(place, bib, name, category, category place, laps, elapsed time, last "
                                           "passage), to the file named after it (marklog --export-results race.stn "
                                           "results.csv), or to standard output; no window opens. Exit status 0 when "
                                           "written, 1 otherwise."),
                            QStringLiteral("FILE.stn")),
         [this](const QString& file, const QStringList& arguments, QIODevice& out, QIODevice& err) {
             return ExportResultsCommand(file, arguments.value(0), {StartOverride(), LapsOverride()}, out, err);
         },
         1});
    m_commands.push_back(
        {QCommandLineOption(QStringLiteral("export-passages"),
                            QStringLiteral("Writes the passages of FILE.stn as CSV, one row per passage (position, "
                                           "bib, time, name, category, lap), to the file named after it or to "
                                           "standard output; no window opens. Exit status 0 when written, 1 "
                                           "otherwise."),
                            QStringLiteral("FILE.stn")),
         [](const QString& file, const QStringList& arguments, QIODevice& out, QIODevice& err) {
             return ExportPassagesCommand(file, arguments.value(0), out, err);
         },
         1});
    m_commands.push_back(
        {QCommandLineOption(QStringLiteral("check"),
                            QStringLiteral("Reads a record file as Marklog opens it and prints the record count, the "
                                           "state of the files kept beside it and why it would be refused; no window "
                                           "opens. Exit status 0 when it would open, 1 otherwise."),
                            QStringLiteral("FILE.stn")),
         [](const QString& file, const QStringList&, QIODevice& out, QIODevice& err) {
             return CheckCommand(file, out, err);
         }});
    m_commands.push_back(
        {QCommandLineOption(QStringLiteral("import-startlist"),
                            QStringLiteral("Reads LIST.csv as File > Start list does, with the encoding, delimiter, "
                                           "header row and columns it finds itself (marklog --import-startlist "
                                           "LIST.csv race.stn), prints what it found and the lines it could not "
                                           "load, and keeps the names beside the record file; no window opens. Exit "
                                           "status 0 when every line loaded, 1 when lines were not loaded, 2 when "
                                           "a file cannot be read."),
                            QStringLiteral("LIST.csv")),
         [](const QString& list, const QStringList& arguments, QIODevice& out, QIODevice& err) {
             return ImportStartListCommand(list, arguments.value(0), out, err);
         },
         1, 1});
    m_commands.push_back(
        {QCommandLineOption(QStringLiteral("compare"),
                            QStringLiteral("Compares a record file with a backup recording of the same passages "
                                           "(marklog --compare race.stn backup.stn) and prints one line per "
                                           "difference: primary position;backup position;primary bib;backup bib, "
                                           "empty where a side has no record; no window opens. Exit status 0 when "
                                           "they agree, 1 when they differ, 2 when a file cannot be read."),
                            QStringLiteral("PRIMARY.stn")),
         [](const QString& primary, const QStringList& arguments, QIODevice& out, QIODevice& err) {
             return CompareCommand(primary, arguments.value(0), out, err);
         },
         1, 1});
    for (const Command& command : m_commands)
        m_parser.addOption(command.option);
    m_parser.addOption(QCommandLineOption(
        QString::fromLatin1(kStartOption),
        QStringLiteral("With --export-results: the race's start as ISO 8601 date and time (2026-05-03T10:00:00+02:00, "
                       "local time without an offset), in place of the start kept beside the record file."),
        QStringLiteral("TIME")));
    m_parser.addOption(QCommandLineOption(
        QString::fromLatin1(kLapsOption),
        QStringLiteral("With --export-results: the laps that finish the race (1 or more), in place of the laps kept "
                       "beside the record file."),
        QStringLiteral("N")));
    m_parser.addOption(QCommandLineOption(
        QString::fromLatin1(kLapBoardOption),
        QStringLiteral("Opens the window with the lap board switched on at PORT (1-65535), for a laptop that "
                       "shows the board from a script (marklog --lap-board 8080 race.stn). The board's own "
                       "setting is left as it is."),
        QStringLiteral("PORT")));

    for (const char* name : kWindowSystemOptions) {
        QCommandLineOption option{QString::fromLatin1(name)};
        if (!IsFlag(option.names().constFirst()))
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(option);
    }
}

void CommandLine::Parse(const QStringList& arguments) {
    m_parsed = m_parser.parse(arguments);
    m_error = m_parsed ? QString() : m_parser.errorText();
    if (!m_parsed)
        return;
    int chosen = 0;
    for (const Command& command : m_commands)
        chosen += m_parser.isSet(command.option) ? 1 : 0;
    const Command* command = ChosenCommand();
    if (m_parser.isSet(QString::fromLatin1(kLapBoardOption)) && LapBoardPort() == 0)
        m_error = QStringLiteral("--%1 needs a port number from 1 to 65535, not \"%2\".")
                      .arg(QLatin1String(kLapBoardOption), m_parser.value(QString::fromLatin1(kLapBoardOption)));
    else if (m_parser.isSet(QString::fromLatin1(kStartOption)) && !StartOverride().isValid())
        m_error = QStringLiteral("--start needs an ISO 8601 date and time such as 2026-05-03T10:00:00, not \"%1\".")
                      .arg(m_parser.value(QString::fromLatin1(kStartOption)));
    else if (m_parser.isSet(QString::fromLatin1(kLapsOption)) && LapsOverride() == 0)
        m_error = QStringLiteral("--laps needs a whole number from 1 up, not \"%1\".")
                      .arg(m_parser.value(QString::fromLatin1(kLapsOption)));
    else if ((m_parser.isSet(QString::fromLatin1(kStartOption)) || m_parser.isSet(QString::fromLatin1(kLapsOption))) &&
             !m_parser.isSet(QString::fromLatin1(kExportResultsOption)))
        m_error = QStringLiteral("--start and --laps go with --export-results.");
    else if (chosen > 1)
        m_error = QStringLiteral("Choose one of the options at a time.");
    else if (command && m_parser.positionalArguments().size() > command->maxArguments)
        m_error = QStringLiteral("Too many arguments for --%1: %2.")
                      .arg(command->option.names().constLast(), m_parser.positionalArguments().join(QLatin1Char(' ')));
    else if (command && m_parser.positionalArguments().size() < command->minArguments)
        m_error = QStringLiteral("--%1 needs a file name after %2.")
                      .arg(command->option.names().constLast(), command->option.valueName());
}

const CommandLine::Command* CommandLine::ChosenCommand() const {
    if (!m_parsed)
        return nullptr;
    for (const Command& command : m_commands) {
        if (m_parser.isSet(command.option))
            return &command;
    }
    return nullptr;
}

bool CommandLine::OpensWindow() const {
    return m_error.isEmpty() && !ChosenCommand();
}

int CommandLine::Run(QIODevice& out, QIODevice& err) const {
    if (!m_error.isEmpty()) {
        Write(err, QStringLiteral("marklog: %1\nTry \"marklog --help\" for the options.\n").arg(m_error));
        return NotUnderstood;
    }
    const Command* command = ChosenCommand();
    if (!command)
        return Done;
    const QString value = command->option.valueName().isEmpty() ? QString() : m_parser.value(command->option);
    return command->run(value, m_parser.positionalArguments(), out, err);
}

quint16 CommandLine::LapBoardPort() const {
    bool ok = false;
    const uint port = m_parser.value(QString::fromLatin1(kLapBoardOption)).toUInt(&ok);
    return ok && port <= 65535 ? quint16(port) : 0;
}

QDateTime CommandLine::StartOverride() const {
    const QString text = m_parser.value(QString::fromLatin1(kStartOption));
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, Qt::ISODateWithMs);
}

qint32 CommandLine::LapsOverride() const {
    bool ok = false;
    const qint32 laps = m_parser.value(QString::fromLatin1(kLapsOption)).toInt(&ok);
    return ok && laps > 0 ? laps : 0;
}

QString CommandLine::RecordFile() const {
    return m_parser.positionalArguments().join(QLatin1Char(' '));
}
