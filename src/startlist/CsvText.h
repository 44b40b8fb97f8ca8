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
        UnclosedQuote, // a quoted field runs to the end of the text
        TextAfterQuote // characters between a closing quote and the next delimiter
    };
    qint32 line = 0;
    QStringList fields;
    Fault fault = Fault::None;
};

// The records of a text; blank lines give none.
QVector<CsvRecord> ParseCsv(const QString& text, QChar delimiter);

// The delimiter of a CSV text: whichever of tab, semicolon and comma occurs most often outside
// quotes in its first non-blank line (ties in that order); a comma when none occurs.
QChar DetectCsvDelimiter(const QString& text);

// Bytes of a text file as text: UTF-8 with or without byte order mark, UTF-16 or UTF-32 with one;
// bytes that are not valid UTF-8 are read as Latin-1, as older spreadsheet programs write them.
QString DecodeTextFile(const QByteArray& bytes);

// One field as RFC 4180 writes it: in double quotes (inner quotes doubled) when it holds a comma,
// a quote, a line end or leading or trailing blanks; otherwise as it is.
QString CsvField(const QString& value);

// Fields joined by commas and ended by CR LF.
QByteArray CsvLine(const QStringList& fields);
