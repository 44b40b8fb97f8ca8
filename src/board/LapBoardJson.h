#pragma once

#include "results/RaceRanking.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The texts of the lap board page, in the operator's language.
struct LapBoardTexts {
    QString language; // the language's identifier, for the page's lang attribute
    QString title;
    QString place;
    QString bib;
    QString name;
    QString laps;
    QString remaining;
    QString time;
    QString categoryPlace; // "[category]" and "[place]" stand for a runner's category and place in it
    QString lastPassages;
    QString lastBib;
    QString lapNumber; // "[lap]" stands for the passage's lap
    QString lastLap;
    QString finished;
    QString updated;  // "[time]" stands for the time of the data
    QString raceTime; // the time since the start
    QString find;     // the search box's hint
    QString qrCode;   // beside the QR code of the page's address
    QString data;
    QString more;    // "[count]" stands for the rows left out
    QString waiting; // no passage yet
    QString offline; // the page lost the program
};

// What the lap counter asks of the list: the laps that finish the race (0 or less: the race's own
// laps per category only) and the laps a runner needs to be listed.
struct LapBoardView {
    double target = 0;
    double minimum = 0;
};

// The lap board's data as UTF-8 JSON, documented for other tools in the user guide:
//   texts        the page's texts by role
//   target       the laps that finish the race, or null
//   start        the race's start (ISO 8601 with its UTC offset), or null
//   updated      when the data was made, as the time of day
//   total        how many runners the list holds
//   standings    at most rowLimit runners in race ranking order, the leaders first:
//                {"place", "bib", "name", "category", "categoryPlace" (null without a category),
//                 "laps", "remaining" (null without a target), "state": "finished" (target
//                 reached), "lastLap" (one lap to go) or "", "time" (since the start, or null)}
//   last         the latest passages (at most ten), newest first: {"bib", "name", "lap"}
// Runners rank as the results do (RankRace), with the target as the race's laps; passages
// after a runner's finish do not count for them.
QByteArray LapBoardJson(const RaceInput& race, const LapBoardView& view, const LapBoardTexts& texts,
                        const QDateTime& updated, int rowLimit = 5000);
