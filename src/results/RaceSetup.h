#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

// When a race started and how many laps finish it, for the whole race and per category (wave
// starts, shorter courses). Kept beside the record file, so it travels with it: "race.stn" keeps
// its starts in "race.stn.start" and its laps in "race.stn.laps", one line per value:
// the category (empty for the whole race), ";" and the ISO 8601 start time with its UTC offset,
// or the laps.
struct RaceSetup {
    QDateTime start; // the race's start; invalid while it has none
    QMap<QString, QDateTime> waveStarts;
    qint32 laps = 1;
    QMap<QString, qint32> categoryLaps;

    // The category's own start, else the race's.
    QDateTime StartOf(const QString& category) const;
    qint32 LapsOf(const QString& category) const;
};

QString StartTimesPath(const QString& recordFile);
QString LapsPath(const QString& recordFile);

// What could be read of the files, and the lines that could not ("path", 1-based line).
struct RaceSetupRead {
    RaceSetup setup;
    QVector<QPair<QString, qint32>> badLines;
};

// The setup kept for a record file; the defaults where a file is missing. A bad line is skipped and
// listed; a file that exists but cannot be read raises an error.
RaceSetupRead ReadRaceSetupFor(const QString& recordFile);

// Each is on the disk when it returns (ReplaceDurably) and raises an error when it cannot be.
void SaveStartTimesFor(const QString& recordFile, const RaceSetup& setup);
void SaveLapsFor(const QString& recordFile, const RaceSetup& setup);
