#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// Times as the results write them and as an operator or a timer device types them.

// An elapsed time: "H:MM:SS.mmm" with as many hours as it takes, a minus sign before a negative one.
QString ElapsedText(qint64 msecs);

// The time of day with milliseconds and the UTC offset it was taken in: "10:42:07.315+02:00";
// "" for an invalid time.
QString TimeOfDayText(const QDateTime& time);

// A clock reading "H:MM:SS" or "MM:SS", each with an optional fraction of a second after a point
// or a comma, in milliseconds; nothing when the text is not one. `hoursRequired` refuses "MM:SS".
std::optional<qint64> ClockMsecs(const QString& text, bool hoursRequired = false);

// A moment typed or read from a file: an ISO 8601 date and time (local time without an offset), or
// a time of day ("H:MM", "H:MM:SS", "H:MM:SS.mmm") on `day` in local time. Invalid when neither.
QDateTime MomentFromText(const QString& text, const QDate& day);

// A moment of `day` in local time, `msecs` after its midnight, kept with its UTC offset.
QDateTime LocalMoment(const QDate& day, qint64 msecs);
