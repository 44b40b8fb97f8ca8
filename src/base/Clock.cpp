#include "base/Clock.h"

#include <utility>

#ifndef Q_OS_WIN
#include <ctime>
#endif

namespace {
ClockSource& Source() {
    static ClockSource source;
    return source;
}
} // namespace

QDateTime Now() {
    if (Source())
        return Source()();
#ifdef Q_OS_WIN
    return QDateTime::currentDateTime();
#else
    // The same moment and local offset as currentDateTime(), which costs some microseconds more
    // for Qt's bookkeeping of local time, paid by every passage recorded. The offset is the
    // system's at this moment (summer time included); a time zone changed while the program runs
    // may be seen later, but the moment itself is always right.
    const qint64 msecs = QDateTime::currentMSecsSinceEpoch();
    const time_t seconds = static_cast<time_t>(msecs / 1000);
    struct tm local {};
    if (!localtime_r(&seconds, &local))
        return QDateTime::currentDateTime();
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, static_cast<int>(local.tm_gmtoff));
#endif
}

void SetClockSource(ClockSource source) {
    Source() = std::move(source);
}
