#pragma once

#include <QCommandLineParser>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The program's command line. Commands that do their work without a window (--help, --version,
// --export-results, --export-passages, --check) run here and give the process's exit status; otherwise the window
// opens on the record file named by the plain arguments.
//
// Adding an option: a windowless command is one more entry in Commands() (CommandLine.cpp) with
// the function that runs it; an option for the window is one more addOption in the constructor
// with a reader of its value (as LapBoardPort()).
class CommandLine {
public:
    enum ExitStatus { Done = 0, Failed = 1, NotUnderstood = 2 };

    CommandLine();
    CommandLine(const CommandLine&) = delete; // its commands refer to it
    CommandLine& operator=(const CommandLine&) = delete;

    // Reads the arguments (the program's name first).
    void Parse(const QStringList& arguments);
    // True when the main window is to open: no windowless command and nothing misunderstood.
    bool OpensWindow() const;
    // Runs the windowless command, or explains what was not understood; returns the exit status.
    int Run(QIODevice& out, QIODevice& err) const;

    // The record file to open in the window: the plain arguments joined by blanks, so a path with
    // blanks arrives whole even when the desktop passed it in pieces; "" for none.
    QString RecordFile() const;
    // The port of --lap-board PORT; 0 when the option is not given.
    quint16 LapBoardPort() const;
    // The race's start of --start TIME; invalid when not given.
    QDateTime StartOverride() const;
    // The laps of --laps N; 0 when not given.
    qint32 LapsOverride() const;

    struct Command {
        QCommandLineOption option;
        // Runs the command with the option's value and the plain arguments; returns the exit status.
        std::function<int(const QString& value, const QStringList& arguments, QIODevice& out, QIODevice& err)> run;
        int maxArguments = 0; // plain arguments the command accepts
        int minArguments = 0; // and needs
    };

private:
    const Command* ChosenCommand() const;

    QCommandLineParser m_parser;
    std::vector<Command> m_commands;
    bool m_parsed = false;
    QString m_error; // what was not understood
};
