#pragma once

#include "records/FileIdentity.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <memory>

// Writes that are on the disk, not only in the system's cache, when they return. A failure
// raises an error whose description says which file, what failed and why. Each gives the identity
// of the file it wrote, taken from the file itself before letting go of it, so another file put in
// its place a moment later is not taken for it.

// Appends bytes to a file, created when missing unless only an existing file may be written (a
// record file that is gone raises an error instead). A last line without line end is completed
// with CR LF first, so the new line never merges into it. A failed append cuts the file back to
// its old length, so no torn line stays behind.
enum class AppendTo { AnyFile, ExistingFile };
FileIdentity AppendDurably(const QString& path, const QByteArray& bytes, AppendTo target = AppendTo::AnyFile);

struct SyncTask;

// AppendDurably in two steps: the bytes are written when the object is made (raising as
// AppendDurably does, the file as it was), Sync() syncs them and gives the file's identity, so
// the caller can do other work in between. An append that is not synced successfully is cut back
// to the old length, also when the object goes before Sync() was called.
class PendingAppend {
public:
    PendingAppend(const QString& path, const QByteArray& bytes, AppendTo target = AppendTo::AnyFile);
    ~PendingAppend();
    PendingAppend(const PendingAppend&) = delete;
    PendingAppend& operator=(const PendingAppend&) = delete;

    FileIdentity Sync();

private:
    void CutBack();

    QString m_path;
#ifdef Q_OS_WIN
    QFile m_file;
#else
    int m_fd = -1; // a descriptor of our own: an append costs four system calls, not ten
#endif
    qint64 m_oldSize = 0;
    bool m_created = false; // the file was empty, maybe new: its folder is synced too
    bool m_settled = false; // synced, or cut back already
};

// Replaces a file's whole content: the new content goes to a temporary file in the same folder,
// is flushed, and is renamed over the old file; then the folder itself is flushed. At any moment
// the old or the new file is complete on disk. A read-only file is not replaced.
FileIdentity ReplaceDurably(const QString& path, const QByteArray& content);

// ReplaceDurably in two steps, as PendingAppend: the content is written to the temporary file
// when the object is made, SyncMeanwhile() starts its sync on a worker thread, Commit() waits for
// it (or syncs here), renames and syncs the folder. Without Commit() the old file stays.
class PendingReplace {
public:
    PendingReplace(const QString& path, const QByteArray& content);
    ~PendingReplace();
    PendingReplace(const PendingReplace&) = delete;
    PendingReplace& operator=(const PendingReplace&) = delete;

    void SyncMeanwhile();
    FileIdentity Commit();

private:
    QSaveFile m_file;
    std::shared_ptr<SyncTask> m_task;
};

// Test seam: the next `writes` write operations fail after `bytesBeforeFailure` bytes as a full
// disk would. Clear with writes = 0. Files in the user's data folder (recovery copies) are spared:
// they stand for another disk than the record file's.
void InjectWriteFailure(qint64 bytesBeforeFailure, int writes = 1);
// Test seam: the sync that follows `syncsBefore` successful ones fails as a failing disk's would,
// for files that write failures may be injected into. Clear with -1.
void InjectSyncFailure(int syncsBefore);
