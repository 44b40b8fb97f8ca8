#pragma once

#include <QDateTime>
#include <functional>

// The local date and time as the program sees it. Tests replace the source to get fixed
// time stamps in log lines and dated copies.
QDateTime Now();

using ClockSource = std::function<QDateTime()>;
void SetClockSource(ClockSource source); // an empty source restores the system clock
