#pragma once

#include "startlist/CsvText.h"
#include "startlist/StartList.h"
#include "startlist/TextEncoding.h"

#include <QByteArray>
#include <QChar>
#include <QVector>

#include <optional>

// Reading a start list from a CSV file as spreadsheets and registration tools write it: the
// encoding, the delimiter, the header row and the columns are found from the file, each can be
// chosen otherwise, and every line that is not loaded is listed with its line number.

// Which column (0-based) holds what; -1 for none. The name is the name column alone, or the
// first-name column and the name column (then the last name) joined by a blank.
struct StartListColumns {
    int bib = -1;
    int name = -1;
    int firstName = -1;
    int category = -1;
    int club = -1;
};

// What the operator chose; what is left unset is found from the file. A choice of encoding or
// delimiter lets the header and columns be found anew, a choice of header row the columns.
struct StartListImportChoice {
    std::optional<TextEncoding> encoding;
    std::optional<QChar> delimiter;
    std::optional<int> header; // index into the records; -1: no header row
    std::optional<StartListColumns> columns;
};

struct StartListImport {
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false;
    QChar delimiter = QLatin1Char(',');
    bool sepLine = false;       // a first line "sep=X" named the delimiter; it is no record
    QVector<CsvRecord> records; // the file's records, without blank ones
    int columnCount = 0;        // of the widest record
    int header = -1;            // records[header] names the columns; the records above it are not read
    StartListColumns columns;
    StartList list;                     // what loads
    QVector<StartListProblem> problems; // in line order
    QVector<int> recordProblem;         // per record: the problem that kept it from loading, or -1

    int Rejected() const; // lines not loaded
};

// Reads the bytes with the choices made, finding the rest: the encoding (DetectTextEncoding),
// the delimiter (DetectCsvDelimiter), the header row (the first of the first ten records that
// holds no bib number and names a bib column and a name column in English or German, ignoring
// case and blanks) and the columns (from the header's titles; without a header bib, name and
// category are the first three). Time in proportion to the file's length.
StartListImport ImportStartList(const QByteArray& bytes, const StartListImportChoice& choice = {});

// ImportStartList with everything found from the file.
StartListRead ParseStartList(const QByteArray& bytes);

// How many problems a list of them shows before it says how many more there are.
constexpr int kStartListProblemsShown = 200;
