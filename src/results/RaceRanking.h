#pragma once

#include "results/RaceSetup.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

class StartList;

// One passage of a race in record order: the bib (0 for an empty record) and when it was recorded.
struct RacePassage {
    qint32 bib = 0;
    QDateTime entryTime; // invalid without one
};

struct RaceInput {
    QVector<RacePassage> passages;
    QVector<QDateTime> marks;         // mark n is the finish time of passage n; an invalid mark counts as none
    const StartList* names = nullptr; // names and categories; none without a list
    RaceSetup setup;                  // starts, and the laps that finish (0 or less: nobody finishes)
};

// What a passage is in the race.
struct RankedPassage {
    enum class Kind { Empty, Lap, Finish, AfterFinish };
    Kind kind = Kind::Empty;
    qint32 lap = 0; // the bib's how-many-th passage, passages after its finish included; 0 when empty
    QDateTime time; // its mark, else its entry time; invalid without either
    bool marked = false;
};

struct RankedRunner {
    qint32 place = 0;
    qint32 categoryPlace = 0; // 0 without a category
    qint32 bib = 0;
    QString name;
    QString category;
    qint32 laps = 0; // up to the finishing passage
    bool finished = false;
    qint32 passage = -1;                // the 0-based passage that ranks the runner: the finishing one, else the last
    QDateTime time;                     // that passage's time; invalid without one
    std::optional<qint64> elapsedMsecs; // from the category's start, else the race's; none without one
};

struct RaceResult {
    QVector<RankedRunner> runners;   // in ranking order, at most the row cap: the leaders
    qint32 runnerCount = 0;          // every runner ranked, those beyond the cap included
    QVector<RankedPassage> passages; // one per passage, in record order
};

// Ranks a race. A runner's finishing passage is the one that reaches the laps of the runner's
// category (the race's laps without one); passages after it do not count. Finishers come first,
// ordered by the time of the finishing passage (its mark, else its entry time); then the others,
// more laps first and, of equal laps, by the time of their last passage. A passage without any time
// counts as the time of the nearest earlier passage that has one, so it keeps its place in the
// record order; equal times go by record order. Places run 1, 2, 3 ... overall and within each
// category. rowCap > 0 keeps only the first rowCap runners.
RaceResult RankRace(const RaceInput& race, qint32 rowCap = 0);
