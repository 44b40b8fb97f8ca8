#pragma once

#include <QString>

// One line of the lap list as the lap counter shows it: bib, laps and, with a target, laps remaining.
inline QString Line(qint32 bib, qint32 laps, const QString& remaining = QString()) {
    return QString::number(bib) + "\t\t" + QString::number(laps) + (remaining.isEmpty() ? "" : "\t\t" + remaining);
}
