#include "records/TimesSidecar.h"

#include "base/ErrorHandler.h"
#include "base/LogWriter.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"

#include <QFileInfo>
#include <QTimeZone>

#include <charconv>
#include <cstring>

namespace {

// The lines of a file; CR LF, a lone LF and a lone CR all end a line. Empty lines are left out.
QList<QByteArray> LinesOf(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (i > start)
            lines.append(bytes.mid(start, i - start));
        if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

// A whole decimal number and nothing else.
std::optional<qint64> StrictNumber(const QByteArray& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || text.isEmpty() || text.startsWith('+') || QByteArray::number(value) != text)
        return std::nullopt;
    return value;
}

constexpr qint64 kMsecsPerDay = 86400000;
constexpr qint64 kJulianDayOfEpoch = 2440588; // 1970-01-01

// Digits at a place of a text; -1 when any is not a digit.
int DigitsAt(const QByteArray& text, int at, int count) {
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void PutDigits(char* out, int value, int count) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[i] = char('0' + value % 10);
}

void LogFailure(const RaisedError& error) {
    WriteLog(QStringLiteral("ERROR: ") + FormatErrorEntry(VersionText(), error.info(), QString()));
}

} // namespace

QString TimesSidecar::PathFor(const QString& recordFile) {
    return recordFile + QStringLiteral(".times");
}

// Written and read by hand: a rewrite formats every time of the race, an open reads them all.
QByteArray TimesSidecar::FormatTime(const QDateTime& time) {
    DayText day;
    char text[kStampSize];
    return PutStamp(text, StampOf(time), day) ? QByteArray(text, kStampSize) : QByteArray();
}

// Neighbouring records mostly share their day: its text is made once and copied.
bool TimesSidecar::PutStamp(char* out, Stamp stamp, DayText& day) {
    if (stamp.msecs == kNone)
        return false;
    const qint64 local = stamp.msecs + qint64(stamp.offsetSeconds) * 1000;
    const qint64 days = local >= 0 ? local / kMsecsPerDay : -((-local + kMsecsPerDay - 1) / kMsecsPerDay);
    const qint64 msOfDay = local - days * kMsecsPerDay;
    if (days != day.days) {
        int year = 0, month = 0, dayOfMonth = 0;
        QDate::fromJulianDay(kJulianDayOfEpoch + days).getDate(&year, &month, &dayOfMonth);
        day.days = days;
        day.valid = year >= 1 && year <= 9999;
        PutDigits(day.text, year, 4);
        day.text[4] = '-';
        PutDigits(day.text + 5, month, 2);
        day.text[7] = '-';
        PutDigits(day.text + 8, dayOfMonth, 2);
    }
    if (!day.valid)
        return false;
    std::memcpy(out, day.text, 10);
    out[10] = 'T';
    PutDigits(out + 11, int(msOfDay / 3600000), 2);
    out[13] = ':';
    PutDigits(out + 14, int(msOfDay / 60000 % 60), 2);
    out[16] = ':';
    PutDigits(out + 17, int(msOfDay / 1000 % 60), 2);
    out[19] = '.';
    PutDigits(out + 20, int(msOfDay % 1000), 3);
    const int minutes = qAbs(stamp.offsetSeconds) / 60;
    out[23] = stamp.offsetSeconds < 0 ? '-' : '+';
    PutDigits(out + 24, minutes / 60, 2);
    out[26] = ':';
    PutDigits(out + 27, minutes % 60, 2);
    return true;
}

void TimesSidecar::AppendLine(QByteArray& bytes, qint64 position, qint32 bib, Stamp stamp, DayText& day) {
    char line[24 + 1 + 12 + 1 + kStampSize + 2];
    char* out = std::to_chars(line, line + 24, position).ptr;
    *out++ = ';';
    out = std::to_chars(out, out + 12, bib).ptr;
    *out++ = ';';
    if (PutStamp(out, stamp, day))
        out += kStampSize;
    *out++ = '\r';
    *out++ = '\n';
    bytes.append(line, out - line);
}

std::optional<TimesSidecar::Stamp> TimesSidecar::ParseStamp(const QByteArray& text) {
    static const char kShape[] = "0000-00-00T00:00:00.000+00:00";
    if (text.size() != int(sizeof kShape) - 1)
        return std::nullopt;
    for (int i = 0; i < text.size(); ++i) {
        if (kShape[i] != '0' && kShape[i] != '+' && text[i] != kShape[i])
            return std::nullopt;
    }
    if (text[23] != '+' && text[23] != '-')
        return std::nullopt;
    const QDate date(DigitsAt(text, 0, 4), DigitsAt(text, 5, 2), DigitsAt(text, 8, 2));
    const QTime time(DigitsAt(text, 11, 2), DigitsAt(text, 14, 2), DigitsAt(text, 17, 2), DigitsAt(text, 20, 3));
    const int hours = DigitsAt(text, 24, 2);
    const int minutes = DigitsAt(text, 27, 2);
    if (date.year() < 1 || !date.isValid() || !time.isValid() || hours < 0 || hours > 14 || minutes < 0 || minutes > 59)
        return std::nullopt;
    const qint32 offset = (text[23] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return Stamp{(date.toJulianDay() - kJulianDayOfEpoch) * kMsecsPerDay + time.msecsSinceStartOfDay() -
                     qint64(offset) * 1000,
                 offset};
}

TimesSidecar::Stamp TimesSidecar::StampOf(const QDateTime& time) {
    if (!time.isValid())
        return Stamp();
    return Stamp{time.toMSecsSinceEpoch(), time.offsetFromUtc()};
}

QDateTime TimesSidecar::TimeOf(Stamp stamp) {
    if (stamp.msecs == kNone)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(stamp.msecs, QTimeZone(stamp.offsetSeconds));
}

void TimesSidecar::Open(const QString& recordFile, const QVector<tBib>& records) {
    Close();
    m_path = PathFor(recordFile);
    m_times.resize(records.size());
    const QFileInfo info(m_path);
    if (!info.exists()) {
        m_diskLines = 0;
        return;
    }
    if (!info.isFile()) { // a folder, say: no times to read, and none can be written there
        m_opened.kind = TimesFileState::Kind::Unreadable;
        return;
    }
    QByteArray bytes;
    try {
        bytes = ReadWholeFile(m_path);
    } catch (const RaisedError& error) {
        LogFailure(error);
        m_opened.kind = TimesFileState::Kind::Unreadable;
        return;
    }
    qint32 inOrder = 0; // lines 1 .. inOrder are the records 1 .. inOrder, as written
    qint32 dropped = 0;
    const QList<QByteArray> lines = LinesOf(bytes);
    QVector<bool> taken(records.size(), false);
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(';');
        const std::optional<qint64> position = fields.size() == 3 ? StrictNumber(fields[0]) : std::nullopt;
        const std::optional<qint64> bib = fields.size() == 3 ? StrictNumber(fields[1]) : std::nullopt;
        const qsizetype index = position ? *position - 1 : -1;
        // Only the shape this class writes, so a rewrite keeps every time as it was.
        const std::optional<Stamp> stamp = fields.size() != 3    ? std::nullopt
                                           : fields[2].isEmpty() ? std::optional<Stamp>(Stamp())
                                                                 : ParseStamp(fields[2]);
        const bool timeReadable = stamp.has_value();
        if (!bib || index < 0 || index >= records.size() || records[index].Bib != *bib || taken[index] ||
            !timeReadable) {
            ++dropped;
            continue;
        }
        taken[index] = true;
        m_times[index] = *stamp;
        if (index == inOrder)
            ++inOrder;
    }
    const bool asWritten = dropped == 0 && inOrder == lines.size();
    m_diskLines = asWritten ? inOrder : -1;
    m_opened.kind = dropped > 0 ? TimesFileState::Kind::PartlyDropped : TimesFileState::Kind::InStep;
    m_opened.dropped = dropped;
}

void TimesSidecar::TakeTimesOf(const QString& otherFile, const QVector<tBib>& records) {
    const QString path = m_path;
    const TimesFileState opened = m_opened;
    Open(otherFile, records);
    m_path = path;
    m_opened = opened;
    m_diskLines = -1;
}

void TimesSidecar::Close() {
    m_path.clear();
    m_times.clear();
    m_diskLines = -1;
    m_opened = TimesFileState();
    m_saved = true;
    m_lastSeen.clear();
    m_lastSeenStale = true;
}

void TimesSidecar::Append(qint32 bib, const QDateTime& time) {
    m_times.append(StampOf(time));
    if (!m_lastSeenStale && time.isValid()) {
        const auto known = m_lastSeen.constFind(bib);
        if (known == m_lastSeen.cend() || m_times[*known].msecs <= m_times.last().msecs)
            m_lastSeen.insert(bib, static_cast<qint32>(m_times.size() - 1));
    }
}

void TimesSidecar::Insert(qint32 index, const QDateTime& time) {
    m_times.insert(index, StampOf(time));
    m_diskLines = -1;
    m_lastSeenStale = true;
}

void TimesSidecar::Remove(qint32 index) {
    m_times.remove(index);
    m_diskLines = -1;
    m_lastSeenStale = true;
}

void TimesSidecar::BibChanged() {
    m_diskLines = -1;
    m_lastSeenStale = true;
}

QByteArray TimesSidecar::FormatAll(const QVector<tBib>& records) const {
    QByteArray bytes;
    bytes.reserve(records.size() * (16 + kStampSize));
    DayText day;
    for (qsizetype i = 0; i < records.size(); ++i)
        AppendLine(bytes, i + 1, records[i].Bib, m_times.value(i), day);
    return bytes;
}

void TimesSidecar::Follow(const QVector<tBib>& records) {
    FinishFollow(StartFollow(records), records);
}

TimesSidecar::FollowStarted TimesSidecar::StartFollow(const QVector<tBib>& records) {
    FollowStarted started;
    if (m_path.isEmpty())
        return started;
    const auto count = static_cast<qint32>(records.size());
    try {
        if (m_diskLines >= 0 && m_diskLines < count) {
            QByteArray lines;
            DayText day;
            for (qint32 i = m_diskLines; i < count; ++i)
                AppendLine(lines, i + 1, records[i].Bib, m_times.value(i), day);
            started.lines = std::make_unique<PendingAppend>(m_path, lines);
            started.lines->SyncMeanwhile();
        } else {
            started.whole = FormatAll(records);
        }
    } catch (const RaisedError& error) {
        WriteFailed(error);
        started.failed = true;
    }
    return started;
}

void TimesSidecar::FinishFollow(FollowStarted started, const QVector<tBib>& records) {
    if (m_path.isEmpty() || started.failed || (!started.lines && !started.whole))
        return;
    try {
        if (started.lines)
            started.lines->Sync();
        else
            ReplaceDurably(m_path, *started.whole);
        m_diskLines = static_cast<qint32>(records.size());
        m_saved = true;
    } catch (const RaisedError& error) {
        WriteFailed(error);
    }
}

void TimesSidecar::WriteFailed(const RaisedError& error) {
    LogFailure(error);
    m_diskLines = -1;
    m_saved = false;
}

void TimesSidecar::MoveTo(const QString& recordFile, const QVector<tBib>& records) {
    if (m_path.isEmpty())
        return;
    m_path = PathFor(recordFile);
    m_diskLines = -1;
    Follow(records);
}

void TimesSidecar::WriteCopy(const QString& copyFile, const QVector<tBib>& records) const {
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return; // a record file without times gets a copy without times
    WriteBeside(copyFile, records);
}

void TimesSidecar::WriteBeside(const QString& copyFile, const QVector<tBib>& records) const {
    try {
        ReplaceDurably(PathFor(copyFile), FormatAll(records));
    } catch (const RaisedError& error) {
        LogFailure(error);
    }
}

QDateTime TimesSidecar::Time(qint32 index) const {
    if (index < 0 || index >= m_times.size())
        return QDateTime();
    return TimeOf(m_times[index]);
}

QDateTime TimesSidecar::LastPassage(qint32 bib, const QVector<tBib>& records) const {
    if (m_lastSeenStale) {
        m_lastSeen.clear();
        const qsizetype count = qMin(records.size(), m_times.size());
        for (qsizetype i = 0; i < count; ++i) {
            if (m_times[i].msecs == kNone)
                continue;
            const auto known = m_lastSeen.constFind(records[i].Bib);
            if (known == m_lastSeen.cend() || m_times[*known].msecs <= m_times[i].msecs)
                m_lastSeen.insert(records[i].Bib, static_cast<qint32>(i));
        }
        m_lastSeenStale = false;
    }
    const auto known = m_lastSeen.constFind(bib);
    return known == m_lastSeen.cend() ? QDateTime() : Time(*known);
}

std::optional<qint64> SecondsSinceRepeat(const QDateTime& lastPassage, const QDateTime& now, int windowSeconds) {
    if (windowSeconds <= 0 || !lastPassage.isValid())
        return std::nullopt;
    const qint64 elapsed = qMax<qint64>(0, lastPassage.msecsTo(now)); // a clock set back counts as just now
    if (elapsed > qint64(windowSeconds) * 1000)
        return std::nullopt;
    return elapsed / 1000;
}
