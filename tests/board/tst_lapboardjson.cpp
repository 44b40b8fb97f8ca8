// The lap board's JSON on random races against a ranking worked out here on its own: finishers
// by the passage that finished them (later passages do not move them), the others by laps and
// last passage, places overall and per category, the lap counter's minimum and the row cap.
#include "board/LapBoardJson.h"
#include "startlist/StartList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

namespace {

struct Runner {
    qint32 bib = 0, laps = 0, passage = -1, seen = 0;
    QString category;
    bool finished = false;
};

} // namespace

class TestLapBoardJson : public QObject {
    Q_OBJECT

private slots:
    void rankingOnRandomRaces() {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator random(seed);
            const auto pick = [&](int below) { return int(random.bounded(below)); };
            StartList names;
            for (qint32 bib = 1; bib <= 30; ++bib) {
                if (pick(4) > 0)
                    names.Add({bib, QStringLiteral("Runner %1").arg(bib), QStringList{"", "M", "W"}[pick(3)]});
            }
            RaceInput race;
            race.names = &names;
            const QDateTime start(QDate(2026, 5, 3), QTime(10, 0));
            race.setup.start = pick(2) ? start : QDateTime();
            if (pick(2))
                race.setup.categoryLaps.insert(QStringLiteral("W"), 1 + pick(3));
            for (int i = pick(300), at = 0; i > 0; --i) // equal times go by record order
                race.passages.append({pick(10) ? 1 + pick(35) : 0, start.addSecs(at += pick(3))});
            const LapBoardView view{double(pick(7)) - (pick(2) ? 0.5 : 0), double(pick(3))};
            const int rowLimit = 1 + pick(40);

            QMap<qint32, Runner> runners;
            QStringList last; // bib/its lap, newest first
            for (qint32 i = 0; i < race.passages.size(); ++i) {
                Runner& runner = runners[race.passages[i].bib];
                runner.bib = race.passages[i].bib;
                runner.category = names.Find(runner.bib) ? names.Find(runner.bib)->category : QString();
                last.prepend(QStringLiteral("%1/%2").arg(runner.bib).arg(++runner.seen));
                if (runner.finished)
                    continue;
                runner.laps++;
                runner.passage = i;
                const int target = race.setup.categoryLaps.value(runner.category, int(std::ceil(view.target)));
                runner.finished = target > 0 && runner.laps >= target;
            }
            runners.remove(0);
            last.removeIf([](const QString& passage) { return passage.startsWith(QLatin1String("0/")); });
            QList<Runner> ranked = runners.values();
            std::sort(ranked.begin(), ranked.end(), [&](const Runner& a, const Runner& b) {
                if (a.finished != b.finished || (!a.finished && a.laps != b.laps))
                    return a.finished != b.finished ? a.finished : a.laps > b.laps;
                return std::pair(race.passages[a.passage].entryTime, a.passage) <
                       std::pair(race.passages[b.passage].entryTime, b.passage);
            });

            const QJsonObject json = QJsonDocument::fromJson(LapBoardJson(race, view, {}, start, rowLimit)).object();
            const auto line = [](int place, int bib, int categoryPlace, int laps, bool finished, bool timed) {
                return QString::asprintf("%d. %d (%d) %d%s%s", place, bib, categoryPlace, laps,
                                         finished ? " finished" : "", timed ? " timed" : "");
            };
            QStringList listed, shown, lastShown;
            QMap<QString, int> categoryPlaces;
            for (int place = 1; place <= ranked.size(); ++place) {
                const Runner& runner = ranked[place - 1];
                const int categoryPlace = runner.category.isEmpty() ? 0 : ++categoryPlaces[runner.category];
                if (runner.laps >= view.minimum)
                    listed << line(place, runner.bib, categoryPlace, runner.laps, runner.finished,
                                   race.setup.start.isValid());
            }
            for (const QJsonValue row : json[QStringLiteral("standings")].toArray())
                shown << line(row["place"].toInt(), row["bib"].toInt(), row["categoryPlace"].toInt(),
                              row["laps"].toInt(), row["state"] == "finished", !row["time"].isNull());
            for (const QJsonValue passage : json[QStringLiteral("last")].toArray())
                lastShown << QStringLiteral("%1/%2").arg(passage["bib"].toInt()).arg(passage["lap"].toInt());
            QCOMPARE(shown, listed.mid(0, rowLimit));
            QCOMPARE(json[QStringLiteral("total")].toInt(), listed.size());
            QCOMPARE(lastShown, last.mid(0, 10));
        }
    }
};

QTEST_GUILESS_MAIN(TestLapBoardJson)
#include "tst_lapboardjson.moc"
