#include "board/LapBoardJson.h"

#include "results/RaceTimeText.h"
#include "startlist/StartList.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kLastPassages = 10;

// A text as a JSON string in UTF-8, quotes included.
QByteArray JsonText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uchar(c) < 0x20) {
            out += "\\u00";
            out += QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

QByteArray NumberOrNull(qint64 value, bool has) {
    return has ? QByteArray::number(value) : QByteArray("null");
}

// The laps that finish the race for the board: the lap counter's target, rounded up.
qint32 TargetLaps(double target) {
    if (!(target > 0))
        return 0;
    return target >= std::numeric_limits<qint32>::max() ? std::numeric_limits<qint32>::max()
                                                        : qint32(std::ceil(target));
}

void AddTexts(QByteArray& json, const LapBoardTexts& texts) {
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
    json += "{\"texts\":{";
    bool first = true;
    for (const auto& [key, text] : fields) {
        if (!first)
            json += ',';
        first = false;
        json += '"';
        json += key;
        json += "\":";
        json += JsonText(*text);
    }
    json += '}';
}

void AddRunner(QByteArray& json, const RankedRunner& runner, qint32 target) {
    json += "{\"place\":";
    json += QByteArray::number(runner.place);
    json += ",\"bib\":";
    json += QByteArray::number(runner.bib);
    json += ",\"name\":";
    json += JsonText(runner.name);
    json += ",\"category\":";
    json += JsonText(runner.category);
    json += ",\"categoryPlace\":";
    json += NumberOrNull(runner.categoryPlace, runner.categoryPlace > 0);
    json += ",\"laps\":";
    json += QByteArray::number(runner.laps);
    json += ",\"remaining\":";
    const qint64 remaining = qint64(target) - runner.laps;
    json += NumberOrNull(remaining, target > 0);
    json += ",\"state\":";
    json += target <= 0 ? "\"\"" : remaining <= 0 ? "\"finished\"" : remaining == 1 ? "\"lastLap\"" : "\"\"";
    json += ",\"time\":";
    json += runner.elapsedMsecs ? JsonText(ElapsedText(*runner.elapsedMsecs)) : QByteArray("null");
    json += '}';
}

} // namespace

QByteArray LapBoardJson(const RaceInput& race, const LapBoardView& view, const LapBoardTexts& texts,
                        const QDateTime& updated, int rowLimit) {
    RaceInput board = race;
    board.setup.laps = TargetLaps(view.target);
    const RaceResult result = RankRace(board);

    QByteArray json;
    json.reserve(int(qMin<qint64>(result.runnerCount, rowLimit)) * 120 + 2048);
    AddTexts(json, texts);
    json += ",\"target\":";
    json += NumberOrNull(board.setup.laps, board.setup.laps > 0);
    json += ",\"start\":";
    json += board.setup.start.isValid() ? JsonText(board.setup.start.toString(Qt::ISODateWithMs)) : "null";
    json += ",\"updated\":";
    json += JsonText(updated.toString(QStringLiteral("HH:mm:ss")));

    QByteArray rows;
    qint64 listed = 0;
    for (const RankedRunner& runner : result.runners) {
        if (runner.laps < view.minimum)
            continue;
        if (listed++ >= rowLimit)
            continue;
        if (listed > 1)
            rows += ',';
        AddRunner(rows, runner, board.setup.LapsOf(runner.category));
    }
    json += ",\"total\":";
    json += QByteArray::number(listed);
    json += ",\"standings\":[";
    json += rows;

    json += "],\"last\":[";
    int found = 0;
    for (qint32 index = qint32(result.passages.size()) - 1; index >= 0 && found < kLastPassages; --index) {
        const RankedPassage& passage = result.passages[index];
        if (passage.kind == RankedPassage::Kind::Empty)
            continue;
        if (found++ > 0)
            json += ',';
        const qint32 bib = race.passages[index].bib;
        json += "{\"bib\":";
        json += QByteArray::number(bib);
        json += ",\"name\":";
        json += JsonText(race.names ? race.names->Name(bib) : QString());
        json += ",\"lap\":";
        json += QByteArray::number(passage.lap);
        json += '}';
    }
    json += "]}";
    return json;
}
