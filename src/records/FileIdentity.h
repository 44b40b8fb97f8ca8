#pragma once

#include <QString>

// Which file a path names, and in what state: the device (volume), the file's number on it, its
// size and when it was last written. A record file put back, replaced by another, cut short or
// grown by another writer differs from the one this program last wrote, although its name is the
// same.
struct FileIdentity {
    quint64 device = 0;
    quint64 file = 0;    // inode; the file index on Windows
    qint64 size = -1;    // -1: the path names no file
    qint64 modified = 0; // nanoseconds; units of 100 ns on Windows

    bool Exists() const { return size >= 0; }
    bool operator==(const FileIdentity& other) const {
        return device == other.device && file == other.file && size == other.size && modified == other.modified;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

class QFileDevice;

// The identity of the file a path names now (links followed); one that does not exist when there
// is none or it cannot be asked.
FileIdentity IdentityOf(const QString& path);
// The identity of an open file: the one just written, whoever puts another in its place meanwhile.
FileIdentity IdentityOf(const QFileDevice& file);
#ifndef Q_OS_WIN
FileIdentity IdentityOfDescriptor(int descriptor);
#endif
