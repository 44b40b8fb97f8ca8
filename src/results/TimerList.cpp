#include "results/TimerList.h"

#include "results/RaceTimeText.h"

#include <QRegularExpression>
#include <QString>

bool TimerList::HasClockReadings() const {
    for (const Entry& entry : entries) {
        if (entry.clock >= 0)
            return true;
    }
    return false;
}

TimerList ParseTimerList(const QByteArray& bytes) {
    static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
    TimerList list;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qint32 number = 1; number <= lines.size(); ++number) {
        const QString line = QString::fromUtf8(lines[number - 1]).trimmed().remove(QChar::ByteOrderMark);
        if (line.isEmpty())
            continue;
        const QString last = line.split(separators, Qt::SkipEmptyParts).last();
        TimerList::Entry entry;
        if (last.contains(QLatin1Char('T')))
            entry.moment = QDateTime::fromString(last, Qt::ISODateWithMs);
        else if (const std::optional<qint64> clock = ClockMsecs(last))
            entry.clock = *clock;
        if (entry.moment.isValid() || entry.clock >= 0)
            list.entries.append(entry);
        else
            list.badLines.append(number);
    }
    return list;
}

QVector<QDateTime> TimerListMarks(const TimerList& list, bool elapsed, const QDate& day, const QDateTime& start) {
    constexpr qint64 kHalfDay = 12LL * 3600 * 1000;
    constexpr qint64 kDay = 2 * kHalfDay;
    QVector<QDateTime> marks;
    qint64 dayShift = 0;
    qint64 previous = -1;
    for (const TimerList::Entry& entry : list.entries) {
        if (entry.moment.isValid()) {
            marks.append(entry.moment);
        } else if (elapsed) {
            marks.append(start.addMSecs(entry.clock));
        } else {
            if (previous >= 0 && entry.clock + dayShift < previous - kHalfDay)
                dayShift += kDay;
            previous = entry.clock + dayShift;
            marks.append(LocalMoment(day, previous));
        }
    }
    return marks;
}
