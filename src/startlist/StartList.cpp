#include "startlist/StartList.h"

#include "lang/clsLanguage.h"
#include "startlist/CsvText.h"

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

QByteArray FormatStartList(const StartList& list) {
    QByteArray bytes = CsvLine({QStringLiteral("bib"), QStringLiteral("name"), QStringLiteral("category")});
    for (const StartListEntry& entry : list.Entries())
        bytes += CsvLine({QString::number(entry.bib), entry.name, entry.category});
    return bytes;
}

QString StartListProblemReason(const StartListProblem& problem) {
    static const char* const keys[] = {"MKL_SL_NOBIB",         "MKL_SL_NONAME",         "MKL_SL_DUPLICATE",
                                       "MKL_SL_UNCLOSEDQUOTE", "MKL_SL_TEXTAFTERQUOTE", "MKL_SL_NOTUTF8"};
    const bool runsOn = problem.kind == StartListProblem::Kind::UnclosedQuote && problem.lastLine > problem.line;
    return GetText(runsOn ? QStringLiteral("MKL_SL_QUOTERUNSON") : QLatin1String(keys[static_cast<int>(problem.kind)]),
                   {{QStringLiteral("[bib]"), QString::number(problem.bib)},
                    {QStringLiteral("[line]"), QString::number(problem.firstLine)},
                    {QStringLiteral("[to]"), QString::number(problem.lastLine)}});
}

QString StartListProblemText(const StartListProblem& problem) {
    return GetText(QStringLiteral("MKL_SL_LINE"), {{QStringLiteral("[line]"), QString::number(problem.line)}}) +
           QStringLiteral(": ") + StartListProblemReason(problem);
}

QString MoreProblemsText(qint64 count) {
    return CountText(QStringLiteral("MKL_SL_MORE"), count);
}

QString CountText(const QString& key, qint64 count) {
    return GetText(count == 1 ? key + QStringLiteral("_1") : key,
                   {{QStringLiteral("[count]"), QString::number(count)}});
}
