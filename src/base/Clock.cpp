#include "base/Clock.h"

#include <utility>

namespace {
ClockSource& Source() {
    static ClockSource source;
    return source;
}
} // namespace

QDateTime Now() {
    return Source() ? Source()() : QDateTime::currentDateTime();
}

void SetClockSource(ClockSource source) {
    Source() = std::move(source);
}
