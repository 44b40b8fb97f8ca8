#pragma once

#include "base/ErrorInfo.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

// Logs the error and shows its description in a message box. An error number of 0 is ignored.
void ReportError(const ErrorInfo& error, const QString& procedureName = QString());
// Only the log line, for a failure the window shows without a box (a write failing while the
// operator records). An error number of 0 is ignored.
void LogError(const ErrorInfo& error, const QString& procedureName = QString());

// Runs the work of one user action (a slot, an event handler, a menu command): a raised error
// ends the action and is reported here, once. Returns false when an error ended it.
template <typename Action> bool ReportingErrors(Action&& action, const QString& procedureName = QString()) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const RaisedError& error) {
        ReportError(error.info(), procedureName);
        return false;
    }
}

// Runs the independent steps of one user action (storing a window's settings as it closes): each
// step runs whatever the ones before did, and the first raised error is reported once at the end.
bool ReportingFirstError(std::initializer_list<std::function<void()>> steps, const QString& procedureName = QString());

// The entry text of a log line (after "ERROR: "): version, source, number and description in
// columns 0, 35, 60 and 70, and " (procedure)" when a procedure name is given.
QString FormatErrorEntry(const QString& version, const ErrorInfo& error, const QString& procedureName);

// The program's version as "major.minor.revision".
QString VersionText();
