#include "startlist/CsvText.h"

#include <algorithm>
#include <array>

namespace {

bool IsLineEnd(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// A quoted field from its opening quote: where it closes and how many line ends it spans.
struct QuotedSpan {
    qsizetype close = -1;        // index of the closing quote; -1 when the text ends first
    qint32 lineEnds = 0;         // line ends up to the closing quote
    qint32 lineEndsRead = 0;     // line ends before the last character that is no line end
    bool closesProperly = false; // only blanks between the closing quote and a delimiter or line end
};

QuotedSpan ScanQuoted(const QString& text, qsizetype open, QChar delimiter) {
    QuotedSpan span;
    const qsizetype size = text.size();
    for (qsizetype i = open + 1; i < size; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            if (i + 1 < size && text.at(i + 1) == QLatin1Char('"')) {
                ++i;
                continue;
            }
            span.close = i;
            qsizetype after = i + 1;
            while (after < size && text.at(after) != delimiter && !IsLineEnd(text.at(after)) &&
                   text.at(after).isSpace())
                ++after;
            span.closesProperly = after == size || text.at(after) == delimiter || IsLineEnd(text.at(after));
            return span;
        }
        if (c == QLatin1Char('\n') ||
            (c == QLatin1Char('\r') && !(i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))))
            ++span.lineEnds;
        else if (!IsLineEnd(c))
            span.lineEndsRead = span.lineEnds;
    }
    return span;
}

// The value between the quotes: doubled quotes as one, each line end as "\n".
QString Unquoted(const QString& text, qsizetype from, qsizetype to) {
    QString value;
    value.reserve(to - from);
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            ++i; // the first of two
        else if (c == QLatin1Char('\r') && i + 1 < to && text.at(i + 1) == QLatin1Char('\n'))
            continue; // CR LF gives one line end
        value += IsLineEnd(c) ? QLatin1Char('\n') : c;
    }
    return value;
}

// Reads records one after the other. A quote that is not closed properly would otherwise take
// the rest of the file into one field; it ends at its line instead, and the lines after it are
// read on their own. A scan for a closing quote that fails stops at the first quote that is not
// doubled, and the lines it crossed hold only doubled quotes, so a quote opened there closes at
// once: every character is scanned a bounded number of times.
class CsvReader {
public:
    CsvReader(const QString& text, QChar delimiter) : m_text(text), m_delimiter(delimiter) {}

    QVector<CsvRecord> Records() {
        QVector<CsvRecord> records;
        while (m_pos < m_text.size()) {
            CsvRecord record;
            record.line = m_line;
            while (ReadField(record) && m_pos < m_text.size() && m_text.at(m_pos) == m_delimiter)
                ++m_pos;
            SkipLineEnd();
            // A line holding only blanks is a blank line, not a record with one empty field.
            if (!(record.fields.size() == 1 && record.fields.first().isEmpty() &&
                  record.fault == CsvRecord::Fault::None))
                records.append(record);
        }
        return records;
    }

private:
    bool AtFieldEnd() const {
        return m_pos >= m_text.size() || m_text.at(m_pos) == m_delimiter || IsLineEnd(m_text.at(m_pos));
    }

    // Reads one field into the record; false when the record ends with it, whatever follows.
    bool ReadField(CsvRecord& record) {
        const qsizetype start = m_pos;
        while (!AtFieldEnd() && m_text.at(m_pos).isSpace())
            ++m_pos;
        if (AtFieldEnd() || m_text.at(m_pos) != QLatin1Char('"')) {
            while (!AtFieldEnd())
                ++m_pos;
            record.fields.append(m_text.mid(start, m_pos - start).trimmed());
            return true;
        }
        const QuotedSpan span = ScanQuoted(m_text, m_pos, m_delimiter);
        if (span.close < 0 || (span.lineEnds > 0 && !span.closesProperly)) {
            record.fault = CsvRecord::Fault::UnclosedQuote;
            record.quoteRunsTo = m_line + (span.close < 0 ? span.lineEndsRead : span.lineEnds);
            const qsizetype open = m_pos;
            while (m_pos < m_text.size() && !IsLineEnd(m_text.at(m_pos)))
                ++m_pos;
            record.fields.append(m_text.mid(open + 1, m_pos - open - 1));
            return false;
        }
        record.fields.append(Unquoted(m_text, m_pos + 1, span.close));
        m_line += span.lineEnds;
        for (m_pos = span.close + 1; !AtFieldEnd(); ++m_pos) {
            if (!m_text.at(m_pos).isSpace())
                record.fault = CsvRecord::Fault::TextAfterQuote;
        }
        return true;
    }

    void SkipLineEnd() {
        if (m_pos >= m_text.size())
            return;
        if (m_text.at(m_pos) == QLatin1Char('\r') && m_pos + 1 < m_text.size() &&
            m_text.at(m_pos + 1) == QLatin1Char('\n'))
            ++m_pos;
        ++m_pos;
        ++m_line;
    }

    const QString& m_text;
    const QChar m_delimiter;
    qsizetype m_pos = 0;
    qint32 m_line = 1;
};

} // namespace

QVector<CsvRecord> ParseCsv(const QString& text, QChar delimiter) {
    return CsvReader(text, delimiter).Records();
}

QChar SepLineDelimiter(const QString& text) {
    qsizetype end = 0;
    while (end < text.size() && !IsLineEnd(text.at(end)))
        ++end;
    QString first = text.left(end).trimmed();
    if (first.size() == 7 && first.startsWith(QLatin1Char('"')) && first.endsWith(QLatin1Char('"')))
        first = first.mid(1, 5); // as a spreadsheet quotes it when it saves the line as text
    if (first.size() != 5 || !first.startsWith(QLatin1String("sep="), Qt::CaseInsensitive))
        return QChar();
    return first.at(4);
}

QChar DetectCsvDelimiter(const QString& text) {
    const QChar named = SepLineDelimiter(text);
    if (!named.isNull())
        return named;
    const std::array<QChar, 3> candidates = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};
    constexpr int kLines = 100;
    constexpr int kMostCounted = 63;
    // linesWith[k][n]: lines holding candidate k n times (more than kMostCounted count as that).
    std::array<std::array<int, kMostCounted + 1>, 3> linesWith = {};
    std::array<int, 3> inLine = {0, 0, 0};
    bool inQuotes = false;
    bool lineHasText = false;
    int lines = 0;
    const auto endLine = [&] {
        if (lineHasText) {
            ++lines;
            for (size_t k = 0; k < candidates.size(); ++k)
                ++linesWith[k][std::min(inLine[k], kMostCounted)];
        }
        inLine = {0, 0, 0};
        lineHasText = false;
    };
    for (qsizetype i = 0; i < text.size() && lines < kLines; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        if (!inQuotes && IsLineEnd(c)) {
            endLine();
            continue;
        }
        lineHasText = lineHasText || !c.isSpace();
        for (size_t k = 0; k < candidates.size(); ++k)
            inLine[k] += !inQuotes && c == candidates[k] ? 1 : 0;
    }
    endLine();
    size_t best = candidates.size();
    int bestLines = 0;
    for (size_t k = 0; k < candidates.size(); ++k) {
        const int steady = *std::max_element(linesWith[k].begin() + 1, linesWith[k].end());
        if (steady > bestLines) {
            best = k;
            bestLines = steady;
        }
    }
    return best < candidates.size() ? candidates[best] : QLatin1Char(',');
}

QString CsvField(const QString& value) {
    const bool needsQuotes = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char(';')) ||
                             value.contains(QLatin1Char('\t')) || value.contains(QLatin1Char('"')) ||
                             value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray CsvLine(const QStringList& fields) {
    QStringList written;
    written.reserve(fields.size());
    for (const QString& field : fields)
        written.append(CsvField(field));
    return written.join(QLatin1Char(',')).toUtf8() + "\r\n";
}
