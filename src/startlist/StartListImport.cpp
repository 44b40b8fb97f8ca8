#include "startlist/StartListImport.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <limits>
#include <utility>

namespace {

enum class Role { Bib, Name, FirstName, LastName, Category, Club, None };

// A column title reduced to its letters, digits and "#" in lower case: "First Name",
// "first_name" and "FIRSTNAME" read alike, and so do "Nr." and "NR".
QString TitleKey(const QString& title) {
    QString key;
    for (const QChar c : title) {
        if (c.isLetterOrNumber() || c == QLatin1Char('#'))
            key += c.toLower();
    }
    return key;
}

// What a header's column title says the column holds, in English or German.
Role RoleOf(const QString& title) {
    static const QHash<QString, Role> roles = [] {
        QHash<QString, Role> table;
        const auto add = [&table](Role role, std::initializer_list<const char*> titles) {
            for (const char* title : titles)
                table.insert(QString::fromUtf8(title), role);
        };
        add(Role::Bib, {"bib", "bibno", "bibnr", "bibnumber", "#", "no", "nr", "number", "num", "nummer", "startno",
                        "startnr", "startnumber", "startnummer", "stnr"});
        add(Role::Name,
            {"name", "fullname", "runner", "participant", "athlete", "teilnehmer", "läufer", "laeufer", "athlet"});
        add(Role::FirstName, {"firstname", "first", "givenname", "forename", "vorname"});
        add(Role::LastName, {"lastname", "last", "surname", "familyname", "nachname", "familienname", "zuname"});
        add(Role::Category, {"category", "cat", "class", "division", "agegroup", "kategorie", "klasse", "ak",
                             "altersklasse", "wertungsklasse"});
        add(Role::Club, {"club", "team", "verein", "mannschaft"});
        return table;
    }();
    return roles.value(TitleKey(title), Role::None);
}

// A bib written as plain digits, 1 to the largest 32-bit number; 0 for anything else.
qint32 BibOf(const QString& field) {
    if (field.isEmpty() || field.size() > 10)
        return 0;
    for (const QChar c : field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    }
    const qint64 value = field.toLongLong();
    return value >= 1 && value <= std::numeric_limits<qint32>::max() ? static_cast<qint32>(value) : 0;
}

// The columns a header's titles name; none when they name no bib column or no name column.
std::optional<StartListColumns> NamedColumns(const QStringList& titles) {
    std::array<int, 6> found;
    found.fill(-1);
    for (int i = 0; i < titles.size(); ++i) {
        const Role role = RoleOf(titles[i]);
        if (role != Role::None && found[int(role)] < 0)
            found[int(role)] = i;
    }
    const auto column = [&found](Role role) { return found[int(role)]; };
    StartListColumns columns;
    columns.bib = column(Role::Bib);
    columns.firstName = column(Role::FirstName);
    // Beside a first name, "Name" is the family name, as German lists write "Name;Vorname".
    columns.name = columns.firstName >= 0 && column(Role::LastName) >= 0 ? column(Role::LastName)
                   : column(Role::Name) >= 0                             ? column(Role::Name)
                                                                         : column(Role::LastName);
    columns.category = column(Role::Category);
    columns.club = column(Role::Club);
    if (columns.bib < 0 || (columns.name < 0 && columns.firstName < 0))
        return std::nullopt;
    return columns;
}

// A header holds no bib number (a data line always does) and names the bib and name columns.
bool IsHeader(const CsvRecord& record) {
    return record.fault == CsvRecord::Fault::None &&
           std::none_of(record.fields.begin(), record.fields.end(),
                        [](const QString& field) { return BibOf(field) != 0; }) &&
           NamedColumns(record.fields).has_value();
}

int FindHeader(const QVector<CsvRecord>& records) {
    constexpr int kSearched = 10;
    for (int i = 0; i < std::min<int>(kSearched, records.size()); ++i) {
        if (IsHeader(records[i]))
            return i;
    }
    return -1;
}

// Without titles to go by: bib, name and category in this order, as far as the file has columns.
StartListColumns ColumnsByPosition(int columnCount) {
    StartListColumns columns;
    columns.bib = 0;
    columns.name = columnCount > 1 ? 1 : -1;
    columns.category = columnCount > 2 ? 2 : -1;
    return columns;
}

QString NameOf(const CsvRecord& record, const StartListColumns& columns) {
    const QString first = record.fields.value(columns.firstName);
    const QString name = record.fields.value(columns.name);
    return first.isEmpty() || name.isEmpty() ? first + name : first + QLatin1Char(' ') + name;
}

bool IsBlank(const CsvRecord& record) {
    return record.fault == CsvRecord::Fault::None && std::all_of(record.fields.begin(), record.fields.end(),
                                                                 [](const QString& field) { return field.isEmpty(); });
}

// Loads the records below the header; a problem for each that does not load, with its record.
QVector<std::pair<StartListProblem, int>> LoadRecords(StartListImport& import) {
    QVector<std::pair<StartListProblem, int>> problems;
    QHash<qint32, qint32> firstLines;
    for (int index = import.header + 1; index < import.records.size(); ++index) {
        const CsvRecord& record = import.records[index];
        StartListProblem problem;
        problem.line = record.line;
        const qint32 bib = BibOf(record.fields.value(import.columns.bib));
        const QString name = NameOf(record, import.columns);
        if (record.fault == CsvRecord::Fault::UnclosedQuote) {
            problem.kind = StartListProblem::Kind::UnclosedQuote;
            problem.lastLine = record.quoteRunsTo;
        } else if (record.fault == CsvRecord::Fault::TextAfterQuote) {
            problem.kind = StartListProblem::Kind::TextAfterQuote;
        } else if (bib == 0) {
            problem.kind = StartListProblem::Kind::NoBib;
        } else if (name.isEmpty()) {
            problem.kind = StartListProblem::Kind::NoName;
        } else if (import.list.Add({bib, name, record.fields.value(import.columns.category)})) {
            firstLines.insert(bib, record.line);
            continue;
        } else {
            problem.kind = StartListProblem::Kind::DuplicateBib;
            problem.bib = bib;
            problem.firstLine = firstLines.value(bib);
        }
        problems.append({problem, index});
    }
    return problems;
}

} // namespace

int StartListImport::Rejected() const {
    return static_cast<int>(std::count_if(problems.begin(), problems.end(),
                                          [](const StartListProblem& problem) { return problem.Rejects(); }));
}

StartListImport ImportStartList(const QByteArray& bytes, const StartListImportChoice& choice) {
    StartListImport import;
    import.encoding = choice.encoding ? *choice.encoding : DetectTextEncoding(bytes);
    const DecodedText decoded = DecodeText(bytes, import.encoding);
    import.byteOrderMark = decoded.byteOrderMark;
    import.delimiter = choice.delimiter ? *choice.delimiter : DetectCsvDelimiter(decoded.text);
    import.sepLine = !SepLineDelimiter(decoded.text).isNull();
    for (const CsvRecord& record : ParseCsv(decoded.text, import.delimiter)) {
        if (IsBlank(record) || (import.sepLine && record.line == 1))
            continue;
        import.records.append(record);
        import.columnCount = std::max(import.columnCount, static_cast<int>(record.fields.size()));
    }
    const int records = static_cast<int>(import.records.size());
    import.header =
        choice.header ? (*choice.header < records ? std::max(*choice.header, -1) : -1) : FindHeader(import.records);
    if (choice.columns)
        import.columns = *choice.columns;
    else if (const auto named = import.header >= 0 ? NamedColumns(import.records[import.header].fields)
                                                   : std::optional<StartListColumns>())
        import.columns = *named;
    else
        import.columns = ColumnsByPosition(import.columnCount);

    QVector<std::pair<StartListProblem, int>> problems = LoadRecords(import);
    for (const qint32 line : decoded.linesNotUtf8) {
        StartListProblem note;
        note.line = line;
        note.kind = StartListProblem::Kind::NotUtf8;
        problems.append({note, -1});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto& a, const auto& b) { return a.first.line < b.first.line; });
    import.recordProblem.fill(-1, records);
    for (const auto& [problem, record] : problems) {
        if (record >= 0)
            import.recordProblem[record] = static_cast<int>(import.problems.size());
        import.problems.append(problem);
    }
    return import;
}

StartListRead ParseStartList(const QByteArray& bytes) {
    StartListImport import = ImportStartList(bytes);
    return {std::move(import.list), std::move(import.problems)};
}
