#include "results/FinishMarks.h"

#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"

#include <QMap>

namespace {

QByteArray MarkLine(qint32 number, const QDateTime& time) {
    return QByteArray::number(number) + ';' + TimesSidecar::FormatTime(time) + "\r\n";
}

} // namespace

QString FinishMarks::PathFor(const QString& recordFile) {
    return recordFile + QStringLiteral(".marks");
}

// The number before the ";" says which passage a mark belongs to, whatever line it is on; a number
// beyond the file's line count cannot come from this program and is a damaged line.
QVector<QDateTime> FinishMarks::Parse(const QByteArray& bytes, QVector<qint32>* badLines) {
    const QList<QByteArray> lines = bytes.split('\n');
    QMap<qint32, QDateTime> marks;
    for (qint32 number = 1; number <= lines.size(); ++number) {
        const QByteArray line = lines[number - 1].trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype split = line.indexOf(';');
        bool ok = false;
        const qint32 mark = split > 0 ? line.left(split).toInt(&ok) : 0;
        const QByteArray timeText = line.mid(split + 1).trimmed();
        const QDateTime time = QDateTime::fromString(QString::fromLatin1(timeText), Qt::ISODateWithMs);
        if (!ok || mark < 1 || mark > lines.size() || (!timeText.isEmpty() && !time.isValid())) {
            badLines->append(number);
            continue;
        }
        marks[mark] = time;
    }
    QVector<QDateTime> result(marks.isEmpty() ? 0 : marks.lastKey());
    for (auto it = marks.cbegin(); it != marks.cend(); ++it)
        result[it.key() - 1] = it.value();
    return result;
}

void FinishMarks::Open(const QString& recordFile) {
    Close();
    const QString path = PathFor(recordFile);
    m_marks = Parse(ReadWholeFile(path), &m_badLines);
    m_path = path;
    m_inStep = m_badLines.isEmpty();
}

void FinishMarks::Close() {
    m_path.clear();
    m_marks.clear();
    m_badLines.clear();
    m_inStep = true;
}

void FinishMarks::Append(const QDateTime& time) {
    if (!IsOpen())
        Raise(ErrorNumber::FileNotFound, GetText(QStringLiteral("MKL_TM_NOFILE")));
    m_marks.append(time);
    if (!m_inStep) {
        WriteAll();
        return;
    }
    try {
        AppendDurably(m_path, MarkLine(Count(), time));
    } catch (const RaisedError&) {
        m_inStep = false;
        throw;
    }
}

void FinishMarks::InsertEmpty(qint32 index) {
    m_marks.insert(qBound(0, index, Count()), QDateTime());
    WriteAll();
}

void FinishMarks::Remove(qint32 index) {
    if (index < 0 || index >= Count())
        return;
    m_marks.remove(index);
    WriteAll();
}

void FinishMarks::ReplaceAll(const QVector<QDateTime>& marks) {
    m_marks = marks;
    WriteAll();
}

void FinishMarks::WriteAll() {
    QByteArray content;
    for (qint32 index = 0; index < Count(); ++index)
        content += MarkLine(index + 1, m_marks[index]);
    m_inStep = false;
    ReplaceDurably(m_path, content);
    m_inStep = true;
}
