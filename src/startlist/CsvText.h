#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QVector>

// Comma-separated values as RFC 4180 writes them: fields separated by one delimiter, records by
// line ends (CR LF, LF or CR); a field in double quotes may hold delimiters, line ends and quotes
// written twice.

// One record of a CSV text. `line` is the 1-based line on which it starts, as a text editor counts.
struct CsvRecord {
    enum class Fault {
        None,
        // A quote opens a field and is not closed properly: never, or only on a later line with
        // text after the closing quote. The field ends at the end of its line, and the lines
        // after it are read on their own; `quoteRunsTo` is the line the quote would have run to.
        UnclosedQuote,
        TextAfterQuote // characters between a closing quote and the next delimiter
    };
    qint32 line = 0;
    QStringList fields;
    Fault fault = Fault::None;
    qint32 quoteRunsTo = 0;
};

// The records of a text; blank lines give none. Takes time in proportion to the text's length,
// however its quotes are placed.
QVector<CsvRecord> ParseCsv(const QString& text, QChar delimiter);

// The delimiter a first line "sep=X" names, as spreadsheet programs write it; a null QChar when
// the text does not start with one.
QChar SepLineDelimiter(const QString& text);

// The delimiter of a CSV text: the one a "sep=" line names; otherwise whichever of tab,
// semicolon and comma occurs (outside quotes) the same number of times on the most of the first
// 100 lines that hold more than blanks (ties in that order); a comma when none occurs.
QChar DetectCsvDelimiter(const QString& text);

// One field as RFC 4180 writes it: in double quotes (inner quotes doubled) when it holds a comma,
// a semicolon, a tab, a quote, a line end or leading or trailing blanks; otherwise as it is. So a
// reader that guesses the delimiter is never misled by the text of a field.
QString CsvField(const QString& value);

// Fields joined by commas and ended by CR LF.
QByteArray CsvLine(const QStringList& fields);
