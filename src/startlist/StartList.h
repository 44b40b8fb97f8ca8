#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

// Who wears which bib: the start list of a race, read from a CSV file of bib, name and an
// optional category.
struct StartListEntry {
    qint32 bib = 0;
    QString name;
    QString category;
};

// A line of a start list file that was not loaded, and why.
struct StartListProblem {
    enum class Kind {
        NoBib,          // the bib field is not a whole number from 1 to 2147483647
        NoName,         // the name field is empty or missing
        DuplicateBib,   // the bib was already given on an earlier line (`firstLine`)
        UnclosedQuote,  // a quoted field is never closed
        TextAfterQuote, // characters follow a closing quote
    };
    qint32 line = 0;
    Kind kind = Kind::NoBib;
    qint32 bib = 0;       // DuplicateBib
    qint32 firstLine = 0; // DuplicateBib
};

class StartList {
public:
    // The entry for a bib, or nullptr when the bib is not on the list.
    const StartListEntry* Find(qint32 bib) const;
    // The name for a bib; empty when the bib is not on the list.
    QString Name(qint32 bib) const;
    // True when a list is loaded and the bib is missing from it. An empty list flags nothing.
    bool IsUnknown(qint32 bib) const { return !m_entries.isEmpty() && !m_index.contains(bib); }

    bool IsEmpty() const { return m_entries.isEmpty(); }
    qint32 Count() const { return static_cast<qint32>(m_entries.size()); }
    const QVector<StartListEntry>& Entries() const { return m_entries; }

    // Adds an entry; false (nothing added) when its bib is already on the list.
    bool Add(const StartListEntry& entry);

private:
    QVector<StartListEntry> m_entries; // in file order
    QHash<qint32, qint32> m_index;     // bib -> position in m_entries
};

struct StartListRead {
    StartList list;
    QVector<StartListProblem> problems; // in line order
};

// Reads a CSV start list: UTF-8 with or without byte order mark (see DecodeTextFile), delimiter
// comma, semicolon or tab as the first line shows, quoted fields per RFC 4180. A first line
// without a bib number is a header; its column titles ("bib", "name", "category" and their usual
// German and English variants) say which column holds what, otherwise the columns are bib, name,
// category. Further columns are ignored. Bad lines are listed; the good ones are loaded.
StartListRead ParseStartList(const QByteArray& bytes);

// A start list as CSV (UTF-8, comma, CR LF) with the header "bib,name,category"; ParseStartList
// reads it back unchanged.
QByteArray FormatStartList(const StartList& list);

// The problem in the operator's language, with its line number.
QString StartListProblemText(const StartListProblem& problem);
