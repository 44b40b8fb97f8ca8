#pragma once

// A strict look at a record file as the program writes it: every line "position;bib" ended by
// CR LF, positions 1..N, nothing torn or merged, and the program's own reader agreeing.

#include "app/ErrorInfo.h"
#include "records/StnFormat.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

// Bytes of a file shown in a message, line ends made visible.
inline QString Excerpt(const QByteArray& bytes) {
    return QString::fromLatin1(bytes)
        .replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

// "" when the bytes are a whole record file, else what is wrong with them. The bibs go to `bibs`.
inline QString CheckStnBytes(const QByteArray& bytes, QVector<qint32>* bibs) {
    bibs->clear();
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        return QStringLiteral("the file ends in a torn line: \"%1\"").arg(Excerpt(bytes.right(40)));
    static const QRegularExpression recordLine(QStringLiteral("^([1-9][0-9]{0,9});(-?[0-9]{1,10})$"));
    qsizetype start = 0;
    qint64 position = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        const QString line = Excerpt(bytes.mid(start, end - start));
        ++position;
        const QRegularExpressionMatch match = recordLine.match(line);
        if (!match.hasMatch())
            return QStringLiteral("line %1 is torn or merged: \"%2\"").arg(position).arg(line.left(60));
        if (match.captured(1).toLongLong() != position)
            return QStringLiteral("line %1 carries the position %2").arg(position).arg(match.captured(1));
        bool ok = false;
        bibs->append(match.captured(2).toInt(&ok));
        if (!ok)
            return QStringLiteral("line %1 holds a bib beyond 32 bits: \"%2\"").arg(position).arg(line);
        start = end + 2;
    }
    try {
        if (ParseStn(bytes) != *bibs)
            return QStringLiteral("the program's reader reads other bibs than the lines hold");
    } catch (const RaisedError& error) {
        return QStringLiteral("the program's reader refuses the file: %1").arg(error.info().description);
    }
    return {};
}

// "" when the bytes are a times file in step with the records' bibs: line i is "i;bib;" and the
// time of the passage or nothing, for the bib at position i, CR LF ended, no line beyond the
// records. `timed` receives, per line, whether it holds a time.
inline QString CheckTimesBytes(const QByteArray& bytes, const QVector<qint32>& bibs, QVector<bool>* timed) {
    timed->clear();
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        return QStringLiteral("the times file ends in a torn line: \"%1\"").arg(Excerpt(bytes.right(60)));
    static const QRegularExpression timeLine(
        QStringLiteral("^([1-9][0-9]{0,9});(-?[0-9]{1,10});((\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]"
                       "\\d\\d:\\d\\d)?)$"));
    for (const QByteArray& raw : bytes.split('\n')) {
        if (raw.isEmpty())
            continue; // behind the last line end
        const QString line = Excerpt(raw.chopped(1));
        const qsizetype position = timed->size() + 1;
        const QRegularExpressionMatch match = timeLine.match(line);
        if (!raw.endsWith('\r') || !match.hasMatch())
            return QStringLiteral("times line %1 is torn or merged: \"%2\"").arg(position).arg(line.left(60));
        if (match.captured(1).toLongLong() != position || position > bibs.size() ||
            match.captured(2).toLongLong() != bibs[position - 1])
            return QStringLiteral("times line %1 \"%2\" does not match the record there (%3)")
                .arg(position)
                .arg(line)
                .arg(position > bibs.size() ? QStringLiteral("none") : QString::number(bibs[position - 1]));
        timed->append(!match.captured(3).isEmpty());
    }
    return {};
}

// Records for the writer, numbered in order.
inline QVector<tBib> RecordsOf(const QVector<qint32>& bibs) {
    QVector<tBib> records;
    for (qint32 bib : bibs)
        records.append(tBib{qint32(records.size() + 1), bib});
    return records;
}

// A short description of a list of bibs for failure messages: its size and its last few bibs.
inline QString DescribeBibs(const QVector<qint32>& bibs) {
    QStringList tail;
    for (qsizetype i = qMax<qsizetype>(0, bibs.size() - 6); i < bibs.size(); ++i)
        tail << QString::number(bibs[i]);
    return QStringLiteral("%1 records (... %2)").arg(bibs.size()).arg(tail.join(QLatin1Char(' ')));
}
