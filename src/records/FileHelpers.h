#pragma once

#include "records/FileIdentity.h"

#include <QByteArray>
#include <QString>

// False for an empty or blank path and for folders; true when the file can be opened for
// reading, and also when it exists but another process or missing rights keep it from us.
bool FileExists(const QString& path);

// The whole file as bytes; empty when FileExists is false. A file that exists but cannot be
// read, or that is far too large to be a record file, raises an error. `identity` receives the
// identity of the file read.
QByteArray ReadWholeFile(const QString& path, FileIdentity* identity = nullptr);

// True when a path names the given file itself, however it is spelt ("./", a link, a relative
// name): a target that must not be deleted or overwritten because it is the record file.
bool IsSameFile(const QString& target, const QString& fileName);

// The path of the file a path names with every link resolved, so each way of naming one file
// gives one text: the file's canonical path; for a file not there (not yet, or gone with its
// stick) its folder's canonical path and its name; the cleaned absolute path when neither is there.
QString CanonicalRecordPath(const QString& path);

// Makes an empty record file the operator asked for by name (File > New, a name on the command
// line), replacing a file of that name. A missing folder is not made: it may be the mount point of
// a stick not put in, where a file made now would hide under the stick's. Raises an error when the
// file cannot be written.
void CreateEmptyRecordFile(const QString& path);

// A folder the program may write its own files to: the executable's folder when writable (a
// portable installation), otherwise the user's application data folder, created on demand.
QString WritableProgramFolder();

// Largest file ReadWholeFile accepts: far beyond any real record file (a million passages take
// about 14 MB), and small enough that a wrong file cannot exhaust the memory.
constexpr qint64 kMaxRecordFileBytes = 512LL * 1024 * 1024;
