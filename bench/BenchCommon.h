#pragma once

// What every benchmark shares: the BENCH line, the median, and the floors measured beside it.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

// A benchmark's command line: "--quick" for fewer repetitions, and a folder on the disk to
// measure (the current folder when none is named).
struct BenchArguments {
    bool quick = false;
    QString folder;
};

inline BenchArguments ParseBenchArguments(int argc, char* argv[]) {
    BenchArguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--quick")
            arguments.quick = true;
        else
            arguments.folder = QString::fromLocal8Bit(argv[i]);
    }
    if (arguments.folder.isEmpty())
        arguments.folder = QStringLiteral(".");
    return arguments;
}

inline void Print(const QString& name, double value, const char* unit) {
    std::printf("BENCH %s %.3f %s\n", qPrintable(name), value, unit);
    std::fflush(stdout);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline double MillisecondsSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// The floor of a durable append: open, write the line, fdatasync, close, with nothing else.
// Returns microseconds.
inline double BareAppend(const QByteArray& path, const QByteArray& line) {
    QElapsedTimer timer;
    timer.start();
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, line.constData(), line.size()) != line.size() || ::fdatasync(fd) != 0)
        std::printf("bare append failed\n");
    ::close(fd);
    return timer.nsecsElapsed() / 1e3;
}

// A value of /proc/self/status in MB ("VmHWM": the peak resident size so far).
inline double StatusMegabytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}
