#pragma once

#include "app/ErrorInfo.h"

#include <QString>

// Logs the error and shows its description in a message box. An error number of 0 is ignored.
void ReportError(const ErrorInfo& error, const QString& procedureName = QString());
// Only the log line, for a failure the window shows without a box (a write failing while the
// operator records). An error number of 0 is ignored.
void LogError(const ErrorInfo& error, const QString& procedureName = QString());

// The entry text of a log line (after "ERROR: "): version, source, number and description in
// columns 0, 35, 60 and 70, and " (procedure)" when a procedure name is given.
QString FormatErrorEntry(const QString& version, const ErrorInfo& error, const QString& procedureName);

// The program's version as "major.minor.revision".
QString VersionText();
