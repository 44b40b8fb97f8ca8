#pragma once

// A barcode scanner on a pseudo-terminal: what the test writes to the master side arrives at the
// serial port that the program opens on the slave device (/dev/pts/N).

#include <QDir>
#include <QTest>

#include <climits>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

class ScannerPty {
public:
    ScannerPty() {
        // A program of another test may still hold the lock of a device name it had before; such
        // names stay allocated, unused, until this process ends.
        static std::vector<int> lockedNames;
        while (Open() && QFile::exists(LockFile())) {
            lockedNames.push_back(m_master);
            m_master = -1;
        }
    }
    ~ScannerPty() { Close(); }
    Q_DISABLE_COPY(ScannerPty)

    bool IsValid() const { return m_master >= 0; }
    QString Device() const { return m_device; }

    // Writes as much as the terminal takes now; returns how many bytes that was (never blocks).
    qsizetype TrySend(const QByteArray& bytes) {
        qsizetype sent = 0;
        while (m_master >= 0 && sent < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + sent, size_t(bytes.size() - sent));
            if (n <= 0)
                break;
            sent += n;
        }
        return sent;
    }

    // Writes everything, letting the event loop run while the terminal's buffer is full.
    bool Send(const QByteArray& bytes, int timeoutMs = 60000) {
        qsizetype sent = 0;
        return QTest::qWaitFor(
            [&] {
                sent += TrySend(bytes.mid(sent));
                return sent == bytes.size();
            },
            timeoutMs);
    }

    // True when the process holds the slave device open: the program has opened its port.
    bool IsOpenedBy(qint64 pid) const {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds.filePath(fd)) == m_device)
                return true;
        }
        return false;
    }

    // A program killed while it opened the port can leave the port's lock file half written, which
    // keeps this device name locked for half a minute, whoever gets the name next. Call it once no
    // program has the port open.
    void RemoveLockLeftByKill() const { QFile::remove(LockFile()); }

    // Pulling the cable.
    void Close() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    bool Open() {
        termios raw{};
        cfmakeraw(&raw);
        cfsetspeed(&raw, B9600);
        char name[PATH_MAX] = {};
        int slave = -1;
        if (openpty(&m_master, &slave, name, &raw, nullptr) != 0)
            return false;
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC); // closing it here pulls the cable for every program
        m_device = QString::fromLocal8Bit(name);
        return true;
    }
    // Where the serial port keeps the device's lock while a program has it open.
    QString LockFile() const {
        return QStringLiteral("/var/lock/LCK..") + m_device.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    }

    int m_master = -1;
    QString m_device;
};
