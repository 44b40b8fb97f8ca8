#pragma once

// Makes a file or a folder unwritable for the program while it lives. A normal user loses the
// write bits; root, whom the bits do not stop, gets the file system's immutable flag (chattr +i).

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

class WriteProtection {
public:
    explicit WriteProtection(const QString& path) : m_path(path) {
        if (::geteuid() == 0) {
            m_immutable = SetImmutable(true);
        } else {
            m_permissions = QFile::permissions(path);
            m_chmodded = QFile::setPermissions(
                path, m_permissions & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther));
        }
    }
    ~WriteProtection() { Lift(); }
    WriteProtection(const WriteProtection&) = delete;
    WriteProtection& operator=(const WriteProtection&) = delete;

    // Whether the protection really keeps writers out (a file system without the immutable flag
    // does not).
    bool IsEffective() const {
        const bool folder = QFileInfo(m_path).isDir();
        const QByteArray probe = QFile::encodeName(folder ? m_path + QStringLiteral("/.probe") : m_path);
        const int fd = ::open(probe.constData(), folder ? (O_WRONLY | O_CREAT | O_EXCL) : (O_WRONLY | O_APPEND), 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        if (folder)
            ::unlink(probe.constData());
        return false;
    }
    QString How() const {
        return m_immutable ? QStringLiteral("immutable flag") : QStringLiteral("write bits removed");
    }

    void Lift() {
        if (m_immutable)
            SetImmutable(false);
        if (m_chmodded)
            QFile::setPermissions(m_path, m_permissions);
        m_immutable = m_chmodded = false;
    }

private:
    bool SetImmutable(bool on) {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_path;
    QFile::Permissions m_permissions;
    bool m_immutable = false;
    bool m_chmodded = false;
};
