#include "records/TimesSidecar.h"

#include "base/ErrorHandler.h"
#include "base/LogWriter.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/StnFormat.h"

#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// Calls `take` with each line of a file (begin, end); CR LF, a lone LF and a lone CR all end a
// line. Empty lines are left out. Returns how many lines there were.
template <typename Take> qsizetype ForEachLine(const QByteArray& bytes, Take take) {
    qsizetype lines = 0;
    const char* const end = bytes.constData() + bytes.size();
    for (const char* line = bytes.constData(); line < end;) {
        const char* lineEnd = line;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        if (lineEnd > line) {
            ++lines;
            take(line, lineEnd);
        }
        line = lineEnd + (lineEnd + 1 < end && lineEnd[0] == '\r' && lineEnd[1] == '\n' ? 2 : 1);
    }
    return lines;
}

// A whole decimal number as this class writes it, and nothing else: no sign but "-", no leading
// zero, no space.
std::optional<qint64> StrictNumber(const char* begin, const char* end) {
    const char* digits = begin < end && *begin == '-' ? begin + 1 : begin;
    if (digits == end || (*digits == '0' && (end - digits > 1 || digits != begin)))
        return std::nullopt;
    qint64 value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

constexpr qint64 kMsecsPerDay = 86400000;

// Digits at a place of a text; -1 when any is not a digit.
int DigitsAt(const char* text, int at, int count) {
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

constexpr qint64 kJulianDayOfEpoch = 2440588; // 1970-01-01

void LogFailure(const RaisedError& error) {
    WriteLog(QStringLiteral("ERROR: ") + FormatErrorEntry(VersionText(), error.info(), QString()));
}

} // namespace

QString TimesSidecar::PathFor(const QString& recordFile) {
    return recordFile + QStringLiteral(".times");
}

QByteArray TimesSidecar::FormatTime(const QDateTime& time) {
    if (!time.isValid() || time.date().year() < 1 || time.date().year() > 9999)
        return QByteArray();
    // A time of the local zone is written with its offset too, and UTC as "+00:00", not "Z".
    QByteArray text = time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs).toLatin1();
    if (text.endsWith('Z'))
        text.replace(text.size() - 1, 1, "+00:00");
    return text.size() == kStampSize ? text : QByteArray();
}

// Only the shape this class writes, so a rewrite keeps every time as it was. Read by hand: an
// open reads the time of every passage of the race.
std::optional<TimesSidecar::Stamp> TimesSidecar::ParseStamp(const char* text, qsizetype size) {
    static const char kShape[] = "0000-00-00T00:00:00.000+00:00";
    if (size != kStampSize)
        return std::nullopt;
    for (int i = 0; i < kStampSize; ++i) {
        if (kShape[i] != '0' && kShape[i] != '+' && text[i] != kShape[i])
            return std::nullopt;
    }
    if (text[23] != '+' && text[23] != '-')
        return std::nullopt;
    const int year = DigitsAt(text, 0, 4), month = DigitsAt(text, 5, 2), day = DigitsAt(text, 8, 2);
    const int hours = DigitsAt(text, 24, 2), minutes = DigitsAt(text, 27, 2);
    if (year < 1 || !QDate::isValid(year, month, day) ||
        !QTime::isValid(DigitsAt(text, 11, 2), DigitsAt(text, 14, 2), DigitsAt(text, 17, 2), DigitsAt(text, 20, 3)) ||
        hours < 0 || hours > 14 || minutes < 0 || minutes > 59)
        return std::nullopt;
    return StampOfKept(text);
}

// The instant and offset of a text that passed ParseStamp or was formatted here.
TimesSidecar::Stamp TimesSidecar::StampOfKept(const char* text) {
    const qint64 local =
        (QDate(DigitsAt(text, 0, 4), DigitsAt(text, 5, 2), DigitsAt(text, 8, 2)).toJulianDay() - kJulianDayOfEpoch) *
            kMsecsPerDay +
        ((DigitsAt(text, 11, 2) * 60 + DigitsAt(text, 14, 2)) * 60 + DigitsAt(text, 17, 2)) * 1000 +
        DigitsAt(text, 20, 3);
    const qint32 offset = (text[23] == '-' ? -1 : 1) * (DigitsAt(text, 24, 2) * 3600 + DigitsAt(text, 27, 2) * 60);
    return Stamp{local - qint64(offset) * 1000, offset};
}

const char* TimesSidecar::TextAt(qsizetype index) const {
    if (index < 0 || (index + 1) * kStampSize > m_texts.size() || m_texts[index * kStampSize] == '\0')
        return nullptr;
    return m_texts.constData() + index * kStampSize;
}

// The lines of the records from `from` on.
QByteArray TimesSidecar::FormatLines(const QVector<tBib>& records, qsizetype from) const {
    QByteArray bytes;
    bytes.resize((records.size() - from) * (kStnFieldsSize + 1 + kStampSize + 2));
    char* out = bytes.data();
    for (qsizetype i = from; i < records.size(); ++i) {
        out = PutStnFields(out, i + 1, records[i].Bib);
        *out++ = ';';
        if (const char* text = TextAt(i)) {
            std::memcpy(out, text, kStampSize);
            out += kStampSize;
        }
        *out++ = '\r';
        *out++ = '\n';
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

void TimesSidecar::Open(const QString& recordFile, const QVector<tBib>& records) {
    Close();
    m_path = PathFor(recordFile);
    m_count = records.size();
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
    QVector<bool> taken(records.size(), false);
    const qsizetype lines = ForEachLine(bytes, [&](const char* line, const char* end) {
        const char* firstSeparator = std::find(line, end, ';');
        const char* secondSeparator = firstSeparator == end ? end : std::find(firstSeparator + 1, end, ';');
        const char* time = secondSeparator == end ? end : secondSeparator + 1;
        const bool threeFields = secondSeparator != end && std::find(time, end, ';') == end;
        const std::optional<qint64> position = threeFields ? StrictNumber(line, firstSeparator) : std::nullopt;
        const std::optional<qint64> bib =
            threeFields ? StrictNumber(firstSeparator + 1, secondSeparator) : std::nullopt;
        const qsizetype index = position ? *position - 1 : -1;
        const bool timeReadable = threeFields && (time == end || ParseStamp(time, end - time));
        if (!bib || index < 0 || index >= records.size() || records[index].Bib != *bib || taken[index] ||
            !timeReadable) {
            ++dropped;
            return;
        }
        taken[index] = true;
        if (time != end) {
            if (m_texts.isEmpty())
                m_texts.fill('\0', m_count * kStampSize);
            std::memcpy(m_texts.data() + index * kStampSize, time, kStampSize);
        }
        if (index == inOrder)
            ++inOrder;
    });
    const bool asWritten = dropped == 0 && inOrder == lines;
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
    Settle();
    m_path.clear();
    m_texts.clear();
    m_count = 0;
    m_diskLines = -1;
    m_opened = TimesFileState();
    m_saved = true;
    m_lastSeen.clear();
    m_lastSeenStale = true;
}

// Records after the last timed one take no room: a file without times costs no memory.
void TimesSidecar::PutText(qsizetype index, const QByteArray& text) {
    ++m_count;
    const qsizetype at = index * kStampSize;
    if (at < m_texts.size())
        m_texts.insert(at, text.isEmpty() ? QByteArray(kStampSize, '\0') : text);
    else if (!text.isEmpty())
        m_texts.append(at - m_texts.size(), '\0').append(text);
}

void TimesSidecar::Append(qint32 bib, const QDateTime& time) {
    const QByteArray text = FormatTime(time);
    const auto index = static_cast<qint32>(m_count);
    PutText(index, text);
    if (!m_lastSeenStale && !text.isEmpty()) {
        const auto known = m_lastSeen.constFind(bib);
        if (known == m_lastSeen.cend() || StampOfKept(TextAt(*known)).msecs <= StampOfKept(TextAt(index)).msecs)
            m_lastSeen.insert(bib, index);
    }
}

void TimesSidecar::Insert(qint32 index, const QDateTime& time) {
    PutText(index, FormatTime(time));
    m_diskLines = -1;
    m_lastSeenStale = true;
}

void TimesSidecar::Remove(qint32 index) {
    --m_count;
    m_texts.remove(qsizetype(index) * kStampSize, kStampSize);
    m_diskLines = -1;
    m_lastSeenStale = true;
}

void TimesSidecar::BibChanged() {
    m_diskLines = -1;
    m_lastSeenStale = true;
}

void TimesSidecar::Follow(const QVector<tBib>& records) {
    FinishFollow(StartFollow(records), records);
}

TimesSidecar::FollowStarted TimesSidecar::StartFollow(const QVector<tBib>& records) {
    FollowStarted started;
    Settle();
    if (m_path.isEmpty())
        return started;
    const auto count = static_cast<qint32>(records.size());
    try {
        if (m_diskLines >= 0 && m_diskLines < count) {
            started.lines = std::make_unique<PendingAppend>(m_path, FormatLines(records, m_diskLines));
        } else {
            started.whole = FormatLines(records, 0);
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
    m_diskLines = static_cast<qint32>(records.size());
    if (started.lines) {
        m_unsynced.lines = std::move(started.lines);
        return;
    }
    try {
        ReplaceDurably(m_path, *started.whole);
        m_saved = true;
    } catch (const RaisedError& error) {
        WriteFailed(error);
    }
}

void TimesSidecar::Settle() {
    if (!m_unsynced.lines)
        return;
    const std::unique_ptr<PendingAppend> lines = std::move(m_unsynced.lines);
    try {
        lines->Sync(); // cuts them back when the sync failed
    } catch (const RaisedError& error) {
        WriteFailed(error);
    }
}

TimesSidecar::UnsyncedLines& TimesSidecar::UnsyncedLines::operator=(UnsyncedLines&& other) noexcept {
    if (this != &other) {
        Sync();
        lines = std::move(other.lines);
    }
    return *this;
}

TimesSidecar::UnsyncedLines::~UnsyncedLines() {
    Sync();
}

void TimesSidecar::UnsyncedLines::Sync() {
    if (!lines)
        return;
    try {
        lines->Sync();
    } catch (const RaisedError& error) {
        LogFailure(error);
    }
    lines.reset();
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
        ReplaceDurably(PathFor(copyFile), FormatLines(records, 0));
    } catch (const RaisedError& error) {
        LogFailure(error);
    }
}

QDateTime TimesSidecar::Time(qint32 index) const {
    const char* text = TextAt(index);
    if (!text)
        return QDateTime();
    const Stamp stamp = StampOfKept(text);
    return QDateTime::fromMSecsSinceEpoch(stamp.msecs, QTimeZone(stamp.offsetSeconds));
}

QByteArray TimesSidecar::TimeText(qint32 index) const {
    const char* text = TextAt(index);
    return text ? QByteArray(text, kStampSize) : QByteArray();
}

QDateTime TimesSidecar::LastPassage(qint32 bib, const QVector<tBib>& records) const {
    if (m_lastSeenStale) {
        m_lastSeen.clear();
        const qsizetype count = qMin(records.size(), m_texts.size() / kStampSize);
        for (qsizetype i = 0; i < count; ++i) {
            const char* text = TextAt(i);
            if (!text)
                continue;
            const auto known = m_lastSeen.constFind(records[i].Bib);
            if (known == m_lastSeen.cend() || StampOfKept(TextAt(*known)).msecs <= StampOfKept(text).msecs)
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
