#include "records/FileIdentity.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

#ifdef Q_OS_WIN
FileIdentity IdentityOfHandle(HANDLE handle) {
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        identity.device = info.dwVolumeSerialNumber;
        identity.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        identity.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        identity.modified =
            qint64((quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    }
    return identity;
}
#else
FileIdentity IdentityOfStatus(const struct stat& status) {
    FileIdentity identity;
    if (!S_ISREG(status.st_mode))
        return identity;
    identity.device = quint64(status.st_dev);
    identity.file = quint64(status.st_ino);
    identity.size = qint64(status.st_size);
#if defined(Q_OS_MACOS)
    identity.modified = qint64(status.st_mtimespec.tv_sec) * 1000000000 + status.st_mtimespec.tv_nsec;
#else
    identity.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
#endif
    return identity;
}
#endif

} // namespace

FileIdentity IdentityOf(const QString& path) {
#ifdef Q_OS_WIN
    // Opening for no access at all reads the attributes without disturbing another program.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return FileIdentity();
    const FileIdentity identity = IdentityOfHandle(handle);
    CloseHandle(handle);
    return identity;
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return FileIdentity();
    return IdentityOfStatus(status);
#endif
}

FileIdentity IdentityOf(const QFileDevice& file) {
#ifdef Q_OS_WIN
    return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return IdentityOfDescriptor(file.handle());
#endif
}

#ifndef Q_OS_WIN
FileIdentity IdentityOfDescriptor(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return FileIdentity();
    return IdentityOfStatus(status);
}
#endif
