#include "results/RaceRanking.h"

#include "startlist/StartList.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

struct Runner {
    qint32 bib = 0;
    qint32 target = 0;
    qint32 seen = 0; // passages, those after the finish included
    qint32 laps = 0;
    qint32 passage = -1;
    bool finished = false;
    const StartListEntry* entry = nullptr;
};

} // namespace

RaceResult RankRace(const RaceInput& race, qint32 rowCap) {
    RaceResult result;
    const qint32 count = qint32(race.passages.size());
    result.passages.resize(count);
    std::vector<qint64> sortTime(size_t(count), 0);
    qint64 carried = std::numeric_limits<qint64>::min();
    std::vector<Runner> runners;
    QHash<qint32, size_t> runnerOf;
    for (qint32 i = 0; i < count; ++i) {
        RankedPassage& passage = result.passages[i];
        const QDateTime mark = race.marks.value(i);
        passage.marked = mark.isValid();
        passage.time = passage.marked ? mark : race.passages[i].entryTime;
        if (passage.time.isValid())
            carried = passage.time.toMSecsSinceEpoch();
        sortTime[size_t(i)] = carried;
        const qint32 bib = race.passages[i].bib;
        if (bib <= 0)
            continue;
        auto found = runnerOf.find(bib);
        if (found == runnerOf.end()) {
            Runner fresh;
            fresh.bib = bib;
            fresh.entry = race.names ? race.names->Find(bib) : nullptr;
            fresh.target = race.setup.LapsOf(fresh.entry ? fresh.entry->category : QString());
            found = runnerOf.insert(bib, runners.size());
            runners.push_back(fresh);
        }
        Runner& runner = runners[*found];
        passage.lap = ++runner.seen;
        if (runner.finished) {
            passage.kind = RankedPassage::Kind::AfterFinish;
            continue;
        }
        runner.laps = passage.lap;
        runner.passage = i;
        runner.finished = runner.target > 0 && runner.laps >= runner.target;
        passage.kind = runner.finished ? RankedPassage::Kind::Finish : RankedPassage::Kind::Lap;
    }

    std::sort(runners.begin(), runners.end(), [&sortTime](const Runner& a, const Runner& b) {
        if (a.finished != b.finished)
            return a.finished;
        if (!a.finished && a.laps != b.laps)
            return a.laps > b.laps;
        return std::pair(sortTime[size_t(a.passage)], a.passage) < std::pair(sortTime[size_t(b.passage)], b.passage);
    });

    result.runnerCount = qint32(runners.size());
    const qint32 kept = rowCap > 0 ? std::min(rowCap, result.runnerCount) : result.runnerCount;
    result.runners.reserve(kept);
    QHash<QString, qint32> categoryPlaces;
    for (qint32 place = 1; place <= kept; ++place) {
        const Runner& runner = runners[size_t(place - 1)];
        const QString category = runner.entry ? runner.entry->category : QString();
        RankedRunner ranked;
        ranked.place = place;
        ranked.categoryPlace = category.isEmpty() ? 0 : ++categoryPlaces[category];
        ranked.bib = runner.bib;
        ranked.name = runner.entry ? runner.entry->name : QString();
        ranked.category = category;
        ranked.laps = runner.laps;
        ranked.finished = runner.finished;
        ranked.passage = runner.passage;
        ranked.time = result.passages[runner.passage].time;
        const QDateTime start = race.setup.StartOf(category);
        if (start.isValid() && ranked.time.isValid())
            ranked.elapsedMsecs = start.msecsTo(ranked.time);
        result.runners.append(ranked);
    }
    return result;
}
