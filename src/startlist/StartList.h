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

// A line of a start list file that was not loaded, and why; or a line loaded with a doubt.
struct StartListProblem {
    enum class Kind {
        NoBib,          // the bib field is not a whole number from 1 to 2147483647
        NoName,         // the name field is empty or missing
        DuplicateBib,   // the bib was already given on an earlier line (`firstLine`)
        UnclosedQuote,  // a quoted field is not closed properly (it would have run to `lastLine`)
        TextAfterQuote, // characters follow a closing quote
        NotUtf8,        // loaded, but some of its bytes are not UTF-8 and were read as Windows-1252
    };
    qint32 line = 0;
    Kind kind = Kind::NoBib;
    qint32 bib = 0;       // DuplicateBib
    qint32 firstLine = 0; // DuplicateBib
    qint32 lastLine = 0;  // UnclosedQuote

    bool Rejects() const { return kind != Kind::NotUtf8; }
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

// A start list as CSV (UTF-8, comma, CR LF) with the header "bib,name,category"; ParseStartList
// (StartListImport.h) reads it back unchanged.
QByteArray FormatStartList(const StartList& list);

// The problem in the operator's language, with its line number ("Line 4: no name").
QString StartListProblemText(const StartListProblem& problem);
// The problem in the operator's language without its line number ("no name").
QString StartListProblemReason(const StartListProblem& problem);
// What a list of problems that stops short says of the `count` it leaves out.
QString MoreProblemsText(qint64 count);

// The text of a key with "[count]" filled in: the key's form for one ("<key>_1") when count is 1.
QString CountText(const QString& key, qint64 count);
