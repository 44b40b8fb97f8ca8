#include "records/TimesSidecar.h"

#include "app/ErrorHandler.h"
#include "app/LogWriter.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"

#include <QFileInfo>
#include <QTimeZone>

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

void LogFailure(const RaisedError& error) {
    WriteLog(QStringLiteral("ERROR: ") + FormatErrorEntry(VersionText(), error.info(), QString()));
}

} // namespace

QString TimesSidecar::PathFor(const QString& recordFile) {
    return recordFile + QStringLiteral(".times");
}

QByteArray TimesSidecar::FormatTime(const QDateTime& time) {
    if (!time.isValid())
        return {};
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")).toLatin1() + (offset < 0 ? '-' : '+') +
           QByteArray::number(minutes / 60).rightJustified(2, '0') + ':' +
           QByteArray::number(minutes % 60).rightJustified(2, '0');
}

QByteArray TimesSidecar::FormatLine(qint64 position, qint32 bib, const QDateTime& time) {
    return QByteArray::number(position) + ';' + QByteArray::number(bib) + ';' + FormatTime(time) + "\r\n";
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
    if (!QFileInfo::exists(m_path)) {
        m_diskLines = 0;
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
        QDateTime time;
        if (fields.size() == 3 && !fields[2].isEmpty()) {
            time = QDateTime::fromString(QString::fromLatin1(fields[2]), Qt::ISODateWithMs);
            if (FormatTime(time) != fields[2]) // only what this class writes, so a rewrite keeps it
                time = QDateTime();
        }
        const bool timeReadable = fields.size() == 3 && (fields[2].isEmpty() || time.isValid());
        if (!bib || index < 0 || index >= records.size() || records[index].Bib != *bib || taken[index] ||
            !timeReadable) {
            ++dropped;
            continue;
        }
        taken[index] = true;
        m_times[index] = StampOf(time);
        if (index == inOrder)
            ++inOrder;
    }
    const bool asWritten = dropped == 0 && inOrder == lines.size();
    m_diskLines = asWritten ? inOrder : -1;
    m_opened.kind = dropped > 0 ? TimesFileState::Kind::PartlyDropped : TimesFileState::Kind::InStep;
    m_opened.dropped = dropped;
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

void TimesSidecar::Insert(qint32 index) {
    m_times.insert(index, Stamp());
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
    bytes.reserve(records.size() * 40);
    for (qsizetype i = 0; i < records.size(); ++i)
        bytes += FormatLine(i + 1, records[i].Bib, Time(static_cast<qint32>(i)));
    return bytes;
}

void TimesSidecar::Follow(const QVector<tBib>& records) {
    if (m_path.isEmpty())
        return;
    const auto count = static_cast<qint32>(records.size());
    try {
        if (count > 0 && m_diskLines == count - 1)
            AppendDurably(m_path, FormatLine(count, records.last().Bib, Time(count - 1)));
        else
            ReplaceDurably(m_path, FormatAll(records));
        m_diskLines = count;
        m_saved = true;
    } catch (const RaisedError& error) {
        LogFailure(error);
        m_diskLines = -1;
        m_saved = false;
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
