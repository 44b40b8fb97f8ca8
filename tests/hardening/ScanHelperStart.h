#pragma once

// Starting the scan helper (ScanHelper.h) and the files it is given; usable without the widgets.

#include "records/StnFormat.h"

#include <QCoreApplication>
#include <QProcess>

// Starts `program` (a test executable, or a tracer given it as its command) as the scan helper.
inline void StartScanHelper(QProcess& helper, const QString& path, const QString& device,
                            const QString& program = QCoreApplication::applicationFilePath(),
                            QStringList arguments = {}) {
    helper.setProcessChannelMode(QProcess::MergedChannels);
    helper.start(program, arguments << QStringLiteral("--scan-helper") << path << device);
}

// Records for the writer, numbered in order.
inline QByteArray StnOf(const QVector<qint32>& bibs) {
    QVector<tBib> records;
    for (qint32 bib : bibs)
        records.append(tBib{qint32(records.size() + 1), bib});
    return FormatStn(records);
}
