#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class LapStandings;
class clsFile;

// The texts of the lap board page, in the operator's language.
struct LapBoardTexts {
    QString language; // the language's identifier, for the page's lang attribute
    QString title;
    QString bib;
    QString name;
    QString laps;
    QString remaining;
    QString lastPassages;
    QString lastBib;
    QString lastLap;
    QString finished;
    QString data;
    QString more;    // "[count]" stands for the rows left out
    QString waiting; // no passage yet
    QString offline; // the page lost the program
};

// What the lap list shows, as numbers: the target (0 or less: none), the minimum laps, the order.
struct LapBoardView {
    double target = 0;
    double minimum = 0;
    bool descending = true;
};

// The name that belongs to a bib ("" for none).
using BibNameLookup = std::function<QString(qint32 bib)>;

// The lap board's data as UTF-8 JSON, documented for other tools in the user guide:
//   texts        the page's texts by role
//   target       the lap target, or null
//   total        how many bibs the list holds
//   standings    at most rowLimit bibs in the lap counter's order:
//                {"bib", "name", "laps", "remaining" (null without a target),
//                 "state": "finished" (target reached), "lastLap" (one lap or less to go) or ""}
//   last         the latest passages (at most ten), newest first: {"bib", "name", "laps"}
// The standings must be in step with the records.
QByteArray LapBoardJson(const LapStandings& standings, const clsFile& records, const LapBoardView& view,
                        const LapBoardTexts& texts, const BibNameLookup& names, int rowLimit = 5000);
