#pragma once

#include "base/ErrorInfo.h"

#include <QDateTime>
#include <QString>
#include <QVector>

// The finish times a timekeeper took (the Timer window), kept beside the record file:
// "race.stn" keeps them in "race.stn.marks", one line per mark, "n;time" and CR LF, the time in
// ISO 8601 with milliseconds and UTC offset, empty for a mark inserted to pair marks and passages
// again. Mark n is the finish time of passage n.
//
// A mark is appended and synced before Append returns; every other change replaces the file
// whole. A write that fails keeps the marks in memory and raises its error; the next change then
// replaces the file whole.
class FinishMarks {
public:
    static QString PathFor(const QString& recordFile);

    // Reads the marks of a record file (none when its file is missing). A line that cannot be read
    // is skipped and listed in BadLines(); a file that exists but cannot be read raises an error
    // and leaves no file open.
    void Open(const QString& recordFile);
    void Close();
    bool IsOpen() const { return !m_path.isEmpty(); }
    QString Path() const { return m_path; }

    void Append(const QDateTime& time);
    void InsertEmpty(qint32 index); // before a 0-based index; at the end for Count()
    void Remove(qint32 index);
    void ReplaceAll(const QVector<QDateTime>& marks);

    qint32 Count() const { return qint32(m_marks.size()); }
    const QVector<QDateTime>& All() const { return m_marks; }
    QVector<qint32> BadLines() const { return m_badLines; }
    // False after a write failed, until a later one brought the file in step again.
    bool InStep() const { return m_inStep; }

    // The marks of file bytes; lines that cannot be read go to `badLines` (1-based).
    static QVector<QDateTime> Parse(const QByteArray& bytes, QVector<qint32>* badLines);

private:
    void WriteAll();

    QString m_path;
    QVector<QDateTime> m_marks;
    QVector<qint32> m_badLines;
    bool m_inStep = true;
};
