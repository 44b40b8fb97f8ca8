#include "board/LapBoardJson.h"

#include "lapcounter/LapStandings.h"
#include "records/clsFile.h"

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

QByteArray Number(double value) {
    return QByteArray::number(value, 'g', 15);
}

QByteArray Name(const BibNameLookup& names, qint32 bib) {
    return JsonText(names ? names(bib) : QString());
}

} // namespace

QByteArray LapBoardJson(const LapStandings& standings, const clsFile& records, const LapBoardView& view,
                        const LapBoardTexts& texts, const BibNameLookup& names, int rowLimit) {
    const bool hasTarget = view.target > 0;
    const qint64 listed = standings.ListedCount(view.minimum);
    QByteArray json;
    json.reserve(int(qMin<qint64>(listed, rowLimit)) * 72 + 2048);
    json += "{\"texts\":{";
    const std::pair<const char*, const QString*> fields[] = {
        {"language", &texts.language},
        {"title", &texts.title},
        {"bib", &texts.bib},
        {"name", &texts.name},
        {"laps", &texts.laps},
        {"remaining", &texts.remaining},
        {"lastPassages", &texts.lastPassages},
        {"lastBib", &texts.lastBib},
        {"lastLap", &texts.lastLap},
        {"finished", &texts.finished},
        {"data", &texts.data},
        {"more", &texts.more},
        {"waiting", &texts.waiting},
        {"offline", &texts.offline},
    };
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
    json += "},\"target\":";
    json += hasTarget ? Number(view.target) : QByteArray("null");
    json += ",\"total\":";
    json += QByteArray::number(listed);
    json += ",\"standings\":[";

    const qint64 shown = qMin<qint64>(listed, rowLimit);
    const LapRanking& ranking = standings.Ranking();
    for (qint64 i = 0; i < shown; ++i) {
        // Descending lists the leader first; ascending is the exact reverse of the listed rows.
        const LapRow row = ranking.At(view.descending ? i : listed - 1 - i);
        if (i > 0)
            json += ',';
        json += "{\"bib\":";
        json += QByteArray::number(row.Bib);
        json += ",\"name\":";
        json += Name(names, row.Bib);
        json += ",\"laps\":";
        json += QByteArray::number(row.Laps);
        json += ",\"remaining\":";
        const double remaining = view.target - row.Laps;
        json += hasTarget ? Number(remaining) : QByteArray("null");
        json += ",\"state\":";
        json += !hasTarget ? "\"\"" : remaining <= 0 ? "\"finished\"" : remaining <= 1 ? "\"lastLap\"" : "\"\"";
        json += '}';
    }

    json += "],\"last\":[";
    int found = 0;
    for (qint32 index = records.Count() - 1; index >= 0 && found < kLastPassages; --index) {
        const tBib record = records.GetRecord(index);
        if (record.Bib <= 0)
            continue;
        if (found++ > 0)
            json += ',';
        json += "{\"bib\":";
        json += QByteArray::number(record.Bib);
        json += ",\"name\":";
        json += Name(names, record.Bib);
        json += ",\"laps\":";
        json += QByteArray::number(standings.LapsOf(record.Bib));
        json += '}';
    }
    json += "]}";
    return json;
}
