#pragma once

#include "TestEnvironment.h"
#include "records/StnFormat.h"
#include "records/clsFile.h"

#include <QString>

// One line of the lap list as the lap counter shows it: bib, laps and, with a target, laps remaining.
inline QString Line(qint32 bib, qint32 laps, const QString& remaining = QString()) {
    return QString::number(bib) + "\t\t" + QString::number(laps) + (remaining.isEmpty() ? "" : "\t\t" + remaining);
}

// Writes a record file holding the bibs in this order (the records get the IDs 1 to n) and opens it.
inline bool OpenRecords(clsFile& records, const QString& path, const QVector<qint32>& bibs) {
    QVector<tBib> list;
    for (qint32 bib : bibs)
        list.append(tBib{0, bib});
    WriteBytes(path, FormatStn(list));
    return records.OpenFile(path);
}
