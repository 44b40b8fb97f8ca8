#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One writer per record file: a lock file beside it ("race.stn.lock") names the computer and the
// process that writes the file. It is named after the file a link leads to, so every way of
// naming the file meets the same lock.
QString RecordLockPath(const QString& recordFile);

// Takes the lock of a record file for as long as the returned object lives. Raises an error that
// names the computer and the process holding it; a lock whose process no longer runs on this
// computer (left by a crash or a power cut) is taken over. Gives none, without error, when no
// lock can be made beside the file (a read-only folder or medium): the file's own writes report
// what fails there.
std::unique_ptr<QLockFile> LockRecordFile(const QString& recordFile);
