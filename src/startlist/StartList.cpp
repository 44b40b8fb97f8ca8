#include "startlist/StartList.h"

#include "lang/clsLanguage.h"
#include "startlist/CsvText.h"

#include <QSet>

#include <limits>

namespace {

// Column titles a start list header may use, compared in lower case.
const QSet<QString>& BibTitles() {
    static const QSet<QString> titles = {
        QStringLiteral("bib"),         QStringLiteral("bib number"), QStringLiteral("bib no"),
        QStringLiteral("bib no."),     QStringLiteral("number"),     QStringLiteral("no"),
        QStringLiteral("no."),         QStringLiteral("nr"),         QStringLiteral("nr."),
        QStringLiteral("startnummer"), QStringLiteral("startnr"),    QStringLiteral("startnr."),
        QStringLiteral("start number")};
    return titles;
}

const QSet<QString>& NameTitles() {
    static const QSet<QString> titles = {QStringLiteral("name"),        QStringLiteral("runner"),
                                         QStringLiteral("participant"), QStringLiteral("teilnehmer"),
                                         QStringLiteral("läufer"),      QStringLiteral("laeufer")};
    return titles;
}

const QSet<QString>& CategoryTitles() {
    static const QSet<QString> titles = {
        QStringLiteral("category"), QStringLiteral("cat"), QStringLiteral("class"),       QStringLiteral("kategorie"),
        QStringLiteral("klasse"),   QStringLiteral("ak"),  QStringLiteral("altersklasse")};
    return titles;
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

struct Columns {
    int bib = 0;
    int name = 1;
    int category = 2;
};

// The columns a header names; titles it does not know keep the usual order for that column.
Columns ColumnsOf(const QStringList& header) {
    Columns columns;
    for (int i = 0; i < header.size(); ++i) {
        const QString title = header[i].toLower();
        if (BibTitles().contains(title))
            columns.bib = i;
        else if (NameTitles().contains(title))
            columns.name = i;
        else if (CategoryTitles().contains(title))
            columns.category = i;
    }
    return columns;
}

bool IsHeader(const CsvRecord& record) {
    for (const QString& field : record.fields) {
        if (BibOf(field) != 0)
            return false;
    }
    return record.fault == CsvRecord::Fault::None;
}

} // namespace

const StartListEntry* StartList::Find(qint32 bib) const {
    const auto found = m_index.constFind(bib);
    return found == m_index.cend() ? nullptr : &m_entries[*found];
}

QString StartList::Name(qint32 bib) const {
    const StartListEntry* entry = Find(bib);
    return entry ? entry->name : QString();
}

bool StartList::Add(const StartListEntry& entry) {
    if (m_index.contains(entry.bib))
        return false;
    m_index.insert(entry.bib, static_cast<qint32>(m_entries.size()));
    m_entries.append(entry);
    return true;
}

StartListRead ParseStartList(const QByteArray& bytes) {
    const QString text = DecodeTextFile(bytes);
    QVector<CsvRecord> records = ParseCsv(text, DetectCsvDelimiter(text));
    StartListRead read;
    Columns columns;
    if (!records.isEmpty() && IsHeader(records.first())) {
        columns = ColumnsOf(records.first().fields);
        records.removeFirst();
    }
    QHash<qint32, qint32> firstLines;
    for (const CsvRecord& record : records) {
        StartListProblem problem;
        problem.line = record.line;
        const auto field = [&record](int column) { return record.fields.value(column); };
        const qint32 bib = BibOf(field(columns.bib));
        if (record.fault == CsvRecord::Fault::UnclosedQuote)
            problem.kind = StartListProblem::Kind::UnclosedQuote;
        else if (record.fault == CsvRecord::Fault::TextAfterQuote)
            problem.kind = StartListProblem::Kind::TextAfterQuote;
        else if (bib == 0)
            problem.kind = StartListProblem::Kind::NoBib;
        else if (field(columns.name).isEmpty())
            problem.kind = StartListProblem::Kind::NoName;
        else if (read.list.Add({bib, field(columns.name), field(columns.category)})) {
            firstLines.insert(bib, record.line);
            continue;
        } else {
            problem.kind = StartListProblem::Kind::DuplicateBib;
            problem.bib = bib;
            problem.firstLine = firstLines.value(bib);
        }
        read.problems.append(problem);
    }
    return read;
}

QByteArray FormatStartList(const StartList& list) {
    QByteArray bytes = CsvLine({QStringLiteral("bib"), QStringLiteral("name"), QStringLiteral("category")});
    for (const StartListEntry& entry : list.Entries())
        bytes += CsvLine({QString::number(entry.bib), entry.name, entry.category});
    return bytes;
}

QString StartListProblemText(const StartListProblem& problem) {
    static const char* const keys[] = {"MKL_SL_NOBIB", "MKL_SL_NONAME", "MKL_SL_DUPLICATE", "MKL_SL_UNCLOSEDQUOTE",
                                       "MKL_SL_TEXTAFTERQUOTE"};
    QString text = GetText(QLatin1String(keys[static_cast<int>(problem.kind)]));
    text.replace(QStringLiteral("[bib]"), QString::number(problem.bib), Qt::CaseInsensitive);
    text.replace(QStringLiteral("[line]"), QString::number(problem.firstLine), Qt::CaseInsensitive);
    return GetText(QStringLiteral("MKL_SL_LINE")).replace(QStringLiteral("[line]"), QString::number(problem.line)) +
           QStringLiteral(": ") + text;
}
