// The lap board's JSON on random races, against the race ranking (checked on its own): the lap
// counter's target, rounded up, in place of the race's laps; runners below its minimum left out
// yet counted nowhere; the row cap; the last ten passages, newest first, with their laps.
#include "board/LapBoardJson.h"
#include "startlist/StartList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

class TestLapBoardJson : public QObject {
    Q_OBJECT

private slots:
    void randomRacesFollowTheRanking() {
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
            race.setup.laps = pick(4); // the board's target counts instead
            if (pick(2))
                race.setup.categoryLaps.insert(QStringLiteral("W"), 1 + pick(3));
            for (int i = pick(300), at = 0; i > 0; --i) // equal times go by record order
                race.passages.append({pick(10) ? 1 + pick(35) : 0, start.addSecs(at += pick(3))});
            const LapBoardView view{double(pick(7)) - (pick(2) ? 0.5 : 0), double(pick(3))};
            const int rowLimit = 1 + pick(40);
            RaceInput board = race;
            board.setup.laps = int(std::ceil(std::max(view.target, 0.0)));
            const RaceResult ranked = RankRace(board);

            const auto line = [](int place, int bib, int categoryPlace, int laps, bool finished, bool timed) {
                return QString::asprintf("%d. %d (%d) %d%s%s", place, bib, categoryPlace, laps,
                                         finished ? " finished" : "", timed ? " timed" : "");
            };
            QStringList listed, shown, last, lastShown;
            for (const RankedRunner& runner : ranked.runners)
                if (runner.laps >= view.minimum)
                    listed << line(runner.place, runner.bib, runner.categoryPlace, runner.laps, runner.finished,
                                   race.setup.start.isValid());
            for (qint32 p = qint32(race.passages.size()) - 1; p >= 0 && last.size() < 10; --p)
                if (race.passages[p].bib > 0)
                    last << QStringLiteral("%1/%2").arg(race.passages[p].bib).arg(ranked.passages[p].lap);
            const QJsonObject json = QJsonDocument::fromJson(LapBoardJson(race, view, {}, start, rowLimit)).object();
            for (const QJsonValue row : json[QStringLiteral("standings")].toArray())
                shown << line(row["place"].toInt(), row["bib"].toInt(), row["categoryPlace"].toInt(),
                              row["laps"].toInt(), row["state"] == "finished", !row["time"].isNull());
            for (const QJsonValue passage : json[QStringLiteral("last")].toArray())
                lastShown << QStringLiteral("%1/%2").arg(passage["bib"].toInt()).arg(passage["lap"].toInt());
            QCOMPARE(shown, listed.mid(0, rowLimit));
            QCOMPARE(json[QStringLiteral("total")].toInt(), listed.size());
            QCOMPARE(lastShown, last);
        }
    }
};

QTEST_GUILESS_MAIN(TestLapBoardJson)
#include "tst_lapboardjson.moc"
