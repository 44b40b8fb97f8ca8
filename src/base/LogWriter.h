#pragma once

#include <QDateTime>
#include <QString>

// Appends one time-stamped line to the program's log file and keeps the file below its size
// limit. Never raises an error: a line that cannot be written is lost silently.
void WriteLog(const QString& text);

// The log file: beside the executable when that folder is writable, otherwise in the user's
// application data folder.
QString LogFilePath();

// The line WriteLog writes for a text at a moment, CR LF included.
QString FormatLogLine(const QDateTime& moment, const QString& text);

// The size limit in bytes, read once per process from "LogfileSize" of the family key.
qint32 LogSizeLimit();
void ResetLogSizeLimit();                 // forget the limit read, so the next write reads it again (tests)
void SetLogFilePath(const QString& path); // an explicit log file (tests); empty restores the default
