#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QVector>

// A list of finish times from a stopwatch or another timing device: one time a line, as the last
// field of the line (a number before it, as many devices write, is skipped). A time is an ISO 8601
// date and time, or a clock reading "H:MM:SS.mmm" that is a time of day or a time since the start.
struct TimerList {
    struct Entry {
        QDateTime moment;  // an ISO date and time
        qint64 clock = -1; // else the clock reading in milliseconds
    };
    QVector<Entry> entries;
    QVector<qint32> badLines; // 1-based
    bool HasClockReadings() const;
};

TimerList ParseTimerList(const QByteArray& bytes);

// The marks of a list. Clock readings are times of day on `day` (a reading earlier than the one
// before by more than twelve hours is on the next day: a race past midnight), or, with `elapsed`,
// times since `start`.
QVector<QDateTime> TimerListMarks(const TimerList& list, bool elapsed, const QDate& day, const QDateTime& start);
