#include "records/FileIdentity.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

FileIdentity IdentityOf(const QString& path) {
    FileIdentity identity;
#ifdef Q_OS_WIN
    // Opening for no access at all reads the attributes without disturbing another program.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        identity.device = info.dwVolumeSerialNumber;
        identity.file = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        identity.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        identity.modified =
            qint64((quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    }
    CloseHandle(handle);
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return identity;
    identity.device = quint64(status.st_dev);
    identity.file = quint64(status.st_ino);
    identity.size = qint64(status.st_size);
#if defined(Q_OS_MACOS)
    identity.modified = qint64(status.st_mtimespec.tv_sec) * 1000000000 + status.st_mtimespec.tv_nsec;
#else
    identity.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
#endif
#endif
    return identity;
}
