#pragma once

// What the benchmarks of the main window share: a process whose settings, data and log live in a
// folder of its own, and a large record file.

#include "BenchCommon.h"
#include "base/LogWriter.h"
#include "base/MessageBox.h"
#include "records/StnFormat.h"

#include <QFile>
#include <QString>

#include <cstdio>

// Record i (from 1) holds bib 1 + i * 7919 % 5000, so neighbouring records never repeat a bib.
// Written in small pieces, so the fixture does not raise the peak memory measured later.
inline void WriteRecordFile(const QString& path, int records) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray chunk;
    for (int i = 1; i <= records; ++i) {
        chunk += FormatStnLine(i, 1 + static_cast<qint32>((qint64(i) * 7919) % 5000)); // no int overflow
        if (chunk.size() > 1 << 16) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
}

// Offscreen, and with settings, data and log in `home`: never the user's. Call before the
// application object exists.
inline void IsolateProcess(const QString& home) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(variable, QFile::encodeName(home));
}

// The log goes into `home`; a message box would stop the run, so its text is printed instead.
inline void PrintMessages(const QString& home) {
    SetLogFilePath(home + QStringLiteral("/marklog.log"));
    SetMessagePresenter([](const MessageRequest& request) {
        std::printf("message: %s\n", qPrintable(request.text));
        return MsgAnswer::Ok;
    });
}
