#include "recording/SerialDeviceAccess.h"

#ifdef Q_OS_WIN

bool IsDeviceAccessDenied(const QString&) {
    return false;
}

QString DeviceGroupName(const QString&) {
    return QString();
}

#else

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsDeviceAccessDenied(const QString& location) {
    const QByteArray path = QFile::encodeName(location);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return false;
    // The effective ids decide, as they do for open().
    return ::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

QString DeviceGroupName(const QString& location) {
    const QString fallback = QStringLiteral("dialout");
    struct stat info {};
    if (::stat(QFile::encodeName(location).constData(), &info) != 0)
        return fallback;
    const group* owner = ::getgrgid(info.st_gid);
    return owner && owner->gr_name ? QString::fromLocal8Bit(owner->gr_name) : fallback;
}

#endif
