#include "board/LapBoardJson.h"

#include "results/RaceTimeText.h"
#include "startlist/StartList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

constexpr int kLastPassages = 10;

// A number, or null where there is none.
QJsonValue NumberOrNull(qint64 value, bool has) {
    return has ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

// The laps that finish the race for the board: the lap counter's target, rounded up.
qint32 TargetLaps(double target) {
    if (!(target > 0))
        return 0;
    return target >= std::numeric_limits<qint32>::max() ? std::numeric_limits<qint32>::max()
                                                        : qint32(std::ceil(target));
}

QJsonObject Texts(const LapBoardTexts& texts) {
    const std::pair<const char*, const QString*> fields[] = {
        {"language", &texts.language},
        {"title", &texts.title},
        {"place", &texts.place},
        {"bib", &texts.bib},
        {"name", &texts.name},
        {"laps", &texts.laps},
        {"remaining", &texts.remaining},
        {"time", &texts.time},
        {"categoryPlace", &texts.categoryPlace},
        {"lastPassages", &texts.lastPassages},
        {"lastBib", &texts.lastBib},
        {"lapNumber", &texts.lapNumber},
        {"lastLap", &texts.lastLap},
        {"finished", &texts.finished},
        {"updated", &texts.updated},
        {"raceTime", &texts.raceTime},
        {"find", &texts.find},
        {"qrCode", &texts.qrCode},
        {"data", &texts.data},
        {"more", &texts.more},
        {"waiting", &texts.waiting},
        {"offline", &texts.offline},
    };
    QJsonObject object;
    for (const auto& [key, text] : fields)
        object.insert(QLatin1String(key), *text);
    return object;
}

QJsonObject Runner(const RankedRunner& runner, qint32 target) {
    const qint64 remaining = qint64(target) - runner.laps;
    return QJsonObject{
        {QStringLiteral("place"), runner.place},
        {QStringLiteral("bib"), runner.bib},
        {QStringLiteral("name"), runner.name},
        {QStringLiteral("category"), runner.category},
        {QStringLiteral("categoryPlace"), NumberOrNull(runner.categoryPlace, runner.categoryPlace > 0)},
        {QStringLiteral("laps"), runner.laps},
        {QStringLiteral("remaining"), NumberOrNull(remaining, target > 0)},
        {QStringLiteral("state"), target <= 0      ? QString()
                                  : remaining <= 0 ? QStringLiteral("finished")
                                  : remaining == 1 ? QStringLiteral("lastLap")
                                                   : QString()},
        {QStringLiteral("time"),
         runner.elapsedMsecs ? QJsonValue(ElapsedText(*runner.elapsedMsecs)) : QJsonValue(QJsonValue::Null)},
    };
}

} // namespace

QByteArray LapBoardJson(const RaceInput& race, const LapBoardView& view, const LapBoardTexts& texts,
                        const QDateTime& updated, int rowLimit) {
    RaceInput board = race;
    board.setup.laps = TargetLaps(view.target);
    const RaceResult result = RankRace(board);

    QJsonArray standings;
    qint64 listed = 0;
    for (const RankedRunner& runner : result.runners) {
        if (runner.laps < view.minimum)
            continue;
        if (listed++ < rowLimit)
            standings.append(Runner(runner, board.setup.LapsOf(runner.category)));
    }
    QJsonArray last;
    for (qint32 index = qint32(result.passages.size()) - 1; index >= 0 && last.size() < kLastPassages; --index) {
        const RankedPassage& passage = result.passages[index];
        if (passage.kind == RankedPassage::Kind::Empty)
            continue;
        const qint32 bib = race.passages[index].bib;
        last.append(QJsonObject{{QStringLiteral("bib"), bib},
                                {QStringLiteral("name"), race.names ? race.names->Name(bib) : QString()},
                                {QStringLiteral("lap"), passage.lap}});
    }
    const QJsonObject data{
        {QStringLiteral("texts"), Texts(texts)},
        {QStringLiteral("target"), NumberOrNull(board.setup.laps, board.setup.laps > 0)},
        {QStringLiteral("start"), board.setup.start.isValid()
                                      ? QJsonValue(board.setup.start.toString(Qt::ISODateWithMs))
                                      : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("updated"), updated.toString(QStringLiteral("HH:mm:ss"))},
        {QStringLiteral("total"), listed},
        {QStringLiteral("standings"), standings},
        {QStringLiteral("last"), last},
    };
    return QJsonDocument(data).toJson(QJsonDocument::Compact);
}
