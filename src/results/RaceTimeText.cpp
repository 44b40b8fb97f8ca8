#include "results/RaceTimeText.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;

QString TwoDigits(qint64 number) {
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

} // namespace

QString ElapsedText(qint64 msecs) {
    const QString sign = msecs < 0 ? QStringLiteral("-") : QString();
    const qint64 rest = qAbs(msecs);
    return sign + QString::number(rest / kHour) + QLatin1Char(':') + TwoDigits(rest / kMinute % 60) + QLatin1Char(':') +
           TwoDigits(rest / kSecond % 60) + QLatin1Char('.') +
           QStringLiteral("%1").arg(rest % kSecond, 3, 10, QLatin1Char('0'));
}

QString TimeOfDayText(const QDateTime& time) {
    if (!time.isValid())
        return QString();
    const int offset = time.offsetFromUtc();
    const QString clock = time.toOffsetFromUtc(offset).time().toString(QStringLiteral("HH:mm:ss.zzz"));
    const int minutes = qAbs(offset) / 60;
    return clock + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) + TwoDigits(minutes / 60) + QLatin1Char(':') +
           TwoDigits(minutes % 60);
}

std::optional<qint64> ClockMsecs(const QString& text, bool hoursRequired) {
    static const QRegularExpression clock(QStringLiteral("^(?:(\\d{1,6}):)?(\\d{1,2}):(\\d{1,2})(?:[.,](\\d{1,9}))?$"));
    const QRegularExpressionMatch match = clock.match(text.trimmed());
    if (!match.hasMatch() || (hoursRequired && !match.hasCaptured(1)))
        return std::nullopt;
    const qint64 hours = match.captured(1).toLongLong();
    const qint64 minutes = match.captured(2).toLongLong();
    const qint64 seconds = match.captured(3).toLongLong();
    if (seconds > 59 || (match.hasCaptured(1) && minutes > 59))
        return std::nullopt;
    const qint64 millis = (match.captured(4) + QStringLiteral("00")).left(3).toLongLong();
    return hours * kHour + minutes * kMinute + seconds * kSecond + millis;
}

QDateTime MomentFromText(const QString& text, const QDate& day) {
    const QString trimmed = text.trimmed();
    if (trimmed.contains(QLatin1Char('T')) || trimmed.contains(QLatin1Char(' '))) {
        QString iso = trimmed;
        iso.replace(QLatin1Char(' '), QLatin1Char('T'));
        return QDateTime::fromString(iso, Qt::ISODateWithMs);
    }
    std::optional<qint64> msecs = ClockMsecs(trimmed, true);
    static const QRegularExpression hoursMinutes(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    if (const QRegularExpressionMatch match = hoursMinutes.match(trimmed); match.hasMatch())
        msecs = match.captured(1).toLongLong() * kHour + match.captured(2).toLongLong() * kMinute;
    if (!msecs || *msecs >= 24 * kHour || !day.isValid())
        return QDateTime();
    return LocalMoment(day, *msecs);
}

QDateTime LocalMoment(const QDate& day, qint64 msecs) {
    const QDateTime local(day, QTime::fromMSecsSinceStartOfDay(int(msecs % (24 * kHour))), Qt::LocalTime);
    const QDateTime moment = local.addMSecs(msecs / (24 * kHour) * 24 * kHour);
    return moment.toOffsetFromUtc(moment.offsetFromUtc());
}
