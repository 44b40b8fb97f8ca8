#pragma once

#include <QByteArray>
#include <QString>

// False for an empty or blank path and for folders; true when the file can be opened for
// reading, and also when it exists but another process or missing rights keep it from us.
bool FileExists(const QString& path);

// The whole file as bytes; empty when FileExists is false. A file that exists but cannot be
// read, or that is far too large to be a record file, raises an error.
QByteArray ReadWholeFile(const QString& path);

// True when a path names the given file itself, however it is spelt ("./", a link, a relative
// name): a target that must not be deleted or overwritten because it is the record file.
bool IsSameFile(const QString& target, const QString& fileName);

// Replaces the file with the bytes (see ReplaceDurably), creating its folder (one level) when
// missing. Raises an error when the file could not be written.
void WriteWholeFile(const QString& path, const QByteArray& bytes);

// A folder the program may write its own files to: the executable's folder when writable (a
// portable installation), otherwise the user's application data folder, created on demand.
QString WritableProgramFolder();

// Largest file ReadWholeFile accepts: far beyond any real record file (a million passages take
// about 14 MB), and small enough that a wrong file cannot exhaust the memory.
constexpr qint64 kMaxRecordFileBytes = 512LL * 1024 * 1024;
