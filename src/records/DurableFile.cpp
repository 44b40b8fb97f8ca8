#include "records/DurableFile.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct InjectedFailure {
    qint64 bytesBeforeFailure = 0;
    int writes = 0;
    int syncsBeforeFailure = -1;
};

InjectedFailure& Injected() {
    static InjectedFailure failure;
    return failure;
}

struct WriteError {
    int errnum = 0;
    QString reason;
};

qint32 ErrorNumberOf(int errnum) {
    switch (errnum) {
    case ENOSPC:
        return ErrorNumber::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrorNumber::PermissionDenied;
    case ENOENT:
    case ENOTDIR:
        return ErrorNumber::PathNotFound;
    case EIO:
        return ErrorNumber::DeviceIoError;
    default:
        return ErrorNumber::PathFileAccessError;
    }
}

// actionKey names what failed: opening for writing, writing or reading back.
[[noreturn]] void RaiseWriteError(const QString& path, const char* actionKey, const WriteError& error) {
    Raise(ErrorNumberOf(error.errnum),
          GetText(QLatin1String(actionKey), {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)},
                                             {QStringLiteral("[reason]"), error.reason}}));
}

WriteError LastError(const QFileDevice& file) {
    return WriteError{errno, file.errorString()};
}

// Why a system call of our own failed; the QFileDevice knows nothing of it.
WriteError SystemError() {
#ifdef Q_OS_WIN
    return WriteError{EIO, qt_error_string()}; // the text of GetLastError()
#else
    const int errnum = errno;
    return WriteError{errnum, qt_error_string(errnum)};
#endif
}

#ifndef Q_OS_WIN
bool SyncDescriptor(int descriptor) {
#ifdef Q_OS_LINUX
    return ::fdatasync(descriptor) == 0;
#else
    return ::fsync(descriptor) == 0;
#endif
}
#endif

bool SyncToDisk(QFileDevice& file) {
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return SyncDescriptor(file.handle());
#endif
}

// A renamed or newly created file is durable only once its folder entry is on the disk too.
void SyncFolderOf(const QString& path) {
#ifndef Q_OS_WIN
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

// Injected failures stand for the record file's disk; the program's own files in the user's data
// folder (recovery copies) lie on another.
bool IsInjectable(const QString& path) {
    const QString ownData = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return ownData.isEmpty() || !QFileInfo(path).absoluteFilePath().startsWith(ownData + QLatin1Char('/'));
}

// Whether an injected failure takes this sync instead of the disk.
bool SyncFailureInjected(const QString& path) {
    InjectedFailure& injected = Injected();
    return injected.syncsBeforeFailure >= 0 && IsInjectable(path) && injected.syncsBeforeFailure-- == 0;
}

const WriteError kInjectedSyncError{EIO, QStringLiteral("Input/output error")};

// Writes everything, or reports why not (including an injected failure). `write` writes up to
// `size` bytes and returns how many, or -1 with `lastError()` saying why.
template <typename Write, typename LastError>
bool WriteAllTo(const QString& path, const QByteArray& bytes, WriteError& error, Write write, LastError lastError) {
    qint64 allowed = bytes.size();
    InjectedFailure& injected = Injected();
    const bool failing = injected.writes > 0 && IsInjectable(path);
    if (failing) {
        --injected.writes;
        allowed = qMin(allowed, injected.bytesBeforeFailure);
    }
    qint64 done = 0;
    while (done < allowed) {
        const qint64 written = write(bytes.constData() + done, allowed - done);
        if (written <= 0) {
            error = lastError();
            return false;
        }
        done += written;
    }
    if (failing) {
        error = WriteError{ENOSPC, QStringLiteral("No space left on device")};
        return false;
    }
    return true;
}

bool WriteAll(QFileDevice& file, const QByteArray& bytes, WriteError& error) {
    return WriteAllTo(
        file.fileName(), bytes, error, [&file](const char* data, qint64 size) { return file.write(data, size); },
        [&file] { return LastError(file); });
}

// Runs the syncs of files on a thread of its own while the caller goes on.
class SyncThread {
public:
    static SyncThread& Instance() {
        static SyncThread thread;
        return thread;
    }
    ~SyncThread() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    void Start(std::shared_ptr<SyncTask> task) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
        m_queue.push_back(std::move(task));
        m_changed.notify_all();
    }
    WriteError Wait(const SyncTask& task);

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<SyncTask>> m_queue;
    std::thread m_thread;
    bool m_quit = false;
};

} // namespace

struct SyncTask {
    QFileDevice* file = nullptr;
    bool done = false; // guarded by the thread's mutex, as is the error
    WriteError error;
};

namespace {

WriteError SyncFile(QFileDevice& file, bool folderToo) {
    if (SyncFailureInjected(file.fileName()))
        return kInjectedSyncError;
    if (!SyncToDisk(file))
        return SystemError();
    if (folderToo)
        SyncFolderOf(file.fileName());
    return WriteError();
}

// The file is not touched here until WaitFor returned.
std::shared_ptr<SyncTask> SyncInBackground(QFileDevice& file) {
    auto task = std::make_shared<SyncTask>();
    task->file = &file;
    SyncThread::Instance().Start(task);
    return task;
}

// How the sync went; none when no sync was under way.
WriteError WaitFor(std::shared_ptr<SyncTask>& task) {
    if (!task)
        return WriteError();
    const WriteError error = SyncThread::Instance().Wait(*task);
    task.reset();
    return error;
}

} // namespace

WriteError SyncThread::Wait(const SyncTask& task) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&task] { return task.done; });
    return task.error;
}

void SyncThread::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        const std::shared_ptr<SyncTask> task = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        const WriteError error = SyncFile(*task->file, false);
        lock.lock();
        task->error = error;
        task->done = true;
        m_changed.notify_all();
    }
}

void InjectWriteFailure(qint64 bytesBeforeFailure, int writes) {
    Injected().bytesBeforeFailure = bytesBeforeFailure;
    Injected().writes = writes;
}

void InjectSyncFailure(int syncsBefore) {
    Injected().syncsBeforeFailure = syncsBefore;
}

FileIdentity AppendDurably(const QString& path, const QByteArray& bytes, AppendTo target) {
    return PendingAppend(path, bytes, target).Sync();
}

#ifdef Q_OS_WIN
PendingAppend::PendingAppend(const QString& path, const QByteArray& bytes, AppendTo target)
    : m_path(path), m_file(path) {
    QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered;
    if (target == AppendTo::ExistingFile)
        mode |= QIODevice::ExistingOnly;
    if (!m_file.open(mode))
        RaiseWriteError(path, "MKL_ERR_OPENWRITE", LastError(m_file));
    m_oldSize = m_file.size();
    m_created = m_oldSize == 0;
    QByteArray data;
    if (m_oldSize > 0) {
        char last = 0;
        if (!m_file.seek(m_oldSize - 1) || m_file.read(&last, 1) != 1)
            RaiseWriteError(path, "MKL_ERR_READBACK", LastError(m_file));
        if (last != '\n' && last != '\r')
            data = QByteArrayLiteral("\r\n");
    }
    data += bytes;
    WriteError error;
    if (!WriteAll(m_file, data, error)) {
        CutBack();
        RaiseWriteError(path, "MKL_ERR_WRITE", error);
    }
}

FileIdentity PendingAppend::Sync() {
    const WriteError error = SyncFile(m_file, m_created);
    if (!error.reason.isEmpty()) {
        CutBack();
        RaiseWriteError(m_path, "MKL_ERR_WRITE", error);
    }
    m_settled = true;
    const FileIdentity written = IdentityOf(m_file);
    m_file.close();
    return written;
}

// Leaves the file as it was rather than with half a line.
void PendingAppend::CutBack() {
    m_settled = true;
    m_file.resize(m_oldSize);
    SyncToDisk(m_file);
}
#else
PendingAppend::PendingAppend(const QString& path, const QByteArray& bytes, AppendTo target) : m_path(path) {
    const int create = target == AppendTo::AnyFile ? O_CREAT : 0;
    do
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_APPEND | O_CLOEXEC | create, 0666);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        RaiseWriteError(path, "MKL_ERR_OPENWRITE", SystemError());
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        const WriteError error = SystemError();
        ::close(m_fd);
        RaiseWriteError(path, "MKL_ERR_OPENWRITE", error);
    }
    m_oldSize = status.st_size;
    m_created = m_oldSize == 0;
    QByteArray data;
    if (m_oldSize > 0) {
        char last = 0;
        if (::pread(m_fd, &last, 1, m_oldSize - 1) != 1) {
            const WriteError error = SystemError();
            ::close(m_fd);
            RaiseWriteError(path, "MKL_ERR_READBACK", error);
        }
        if (last != '\n' && last != '\r')
            data = QByteArrayLiteral("\r\n");
    }
    data += bytes;
    WriteError error;
    const auto write = [this](const char* data, qint64 size) -> qint64 {
        qint64 written = 0;
        do
            written = ::write(m_fd, data, size_t(size));
        while (written < 0 && errno == EINTR);
        return written;
    };
    if (!WriteAllTo(path, data, error, write, SystemError)) {
        CutBack();
        ::close(m_fd);
        RaiseWriteError(path, "MKL_ERR_WRITE", error);
    }
}

FileIdentity PendingAppend::Sync() {
    const bool injected = SyncFailureInjected(m_path);
    if (injected || !SyncDescriptor(m_fd)) {
        const WriteError error = injected ? kInjectedSyncError : SystemError();
        CutBack();
        RaiseWriteError(m_path, "MKL_ERR_WRITE", error);
    }
    if (m_created)
        SyncFolderOf(m_path);
    m_settled = true;
    const FileIdentity written = IdentityOfDescriptor(m_fd);
    ::close(m_fd);
    m_fd = -1;
    return written;
}

// Leaves the file as it was rather than with half a line.
void PendingAppend::CutBack() {
    m_settled = true;
    if (::ftruncate(m_fd, m_oldSize) == 0)
        SyncDescriptor(m_fd);
}
#endif

PendingAppend::~PendingAppend() {
    if (!m_settled)
        CutBack();
#ifndef Q_OS_WIN
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

FileIdentity ReplaceDurably(const QString& path, const QByteArray& content) {
    return PendingReplace(path, content).Commit();
}

PendingReplace::PendingReplace(const QString& path, const QByteArray& content) : m_file(path) {
    const QFileInfo target(path);
    if (target.exists() && !target.isWritable())
        RaiseWriteError(path, "MKL_ERR_WRITE", WriteError{EACCES, GetText(QStringLiteral("MKL_ERR_READONLY"))});
    if (!m_file.open(QIODevice::WriteOnly))
        RaiseWriteError(path, "MKL_ERR_WRITE", LastError(m_file));
    WriteError error;
    if (WriteAll(m_file, content, error) && !m_file.flush())
        error = LastError(m_file);
    if (!error.reason.isEmpty()) {
        m_file.cancelWriting();
        RaiseWriteError(path, "MKL_ERR_WRITE", error);
    }
}

PendingReplace::~PendingReplace() {
    WaitFor(m_task); // before the temporary file goes
}

void PendingReplace::SyncMeanwhile() {
    m_task = SyncInBackground(m_file);
}

FileIdentity PendingReplace::Commit() {
    // commit() syncs the temporary file too, but renames it over the old one even when that sync
    // failed; syncing first keeps content that may not be on the disk from replacing the old file.
    const WriteError error = m_task ? WaitFor(m_task) : SyncFile(m_file, false);
    if (!error.reason.isEmpty()) {
        m_file.cancelWriting();
        RaiseWriteError(m_file.fileName(), "MKL_ERR_WRITE", error);
    }
    const FileIdentity written = IdentityOf(m_file); // the renaming keeps all of it
    if (!m_file.commit())
        RaiseWriteError(m_file.fileName(), "MKL_ERR_WRITE", LastError(m_file));
    SyncFolderOf(m_file.fileName());
    return written;
}
