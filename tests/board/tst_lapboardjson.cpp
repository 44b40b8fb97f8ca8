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
#include <map>

namespace {

struct Runner {
    qint32 bib = 0, laps = 0, target = 0, passage = -1, seen = 0;
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
            QVector<qint64> times;
            for (int i = pick(300), at = 0; i > 0; --i) {
                at += pick(3) * 1000; // equal times go by record order
                race.passages.append({pick(10) ? 1 + pick(35) : 0, start.addMSecs(at)});
                times.append(at);
            }
            const LapBoardView view{double(pick(7)) - (pick(2) ? 0.5 : 0), double(pick(3))};
            const int rowLimit = 1 + pick(40);

            const qint32 target = view.target > 0 ? qint32(std::ceil(view.target)) : 0;
            std::map<qint32, Runner> runners;
            QList<QPair<qint32, qint32>> last; // bib and its lap, newest first
            for (qint32 i = 0; i < race.passages.size(); ++i) {
                const qint32 bib = race.passages[i].bib;
                if (bib == 0)
                    continue;
                Runner& runner = runners[bib];
                runner.bib = bib;
                runner.category = names.Find(bib) ? names.Find(bib)->category : QString();
                runner.target = race.setup.categoryLaps.value(runner.category, target);
                last.prepend({bib, ++runner.seen});
                if (runner.finished)
                    continue;
                runner.laps++;
                runner.passage = i;
                runner.finished = runner.target > 0 && runner.laps >= runner.target;
            }
            std::vector<Runner> ranked;
            for (const auto& entry : runners)
                ranked.push_back(entry.second);
            std::sort(ranked.begin(), ranked.end(), [&](const Runner& a, const Runner& b) {
                if (a.finished != b.finished || (!a.finished && a.laps != b.laps))
                    return a.finished != b.finished ? a.finished : a.laps > b.laps;
                return std::pair(times[a.passage], a.passage) < std::pair(times[b.passage], b.passage);
            });

            const QJsonObject json = QJsonDocument::fromJson(LapBoardJson(race, view, {}, start, rowLimit)).object();
            const QJsonArray rows = json[QStringLiteral("standings")].toArray();
            QMap<QString, int> categoryPlaces;
            int listed = 0;
            for (int place = 1; place <= int(ranked.size()); ++place) {
                const Runner& runner = ranked[size_t(place - 1)];
                const int categoryPlace = runner.category.isEmpty() ? 0 : ++categoryPlaces[runner.category];
                if (runner.laps < view.minimum || listed++ >= rowLimit)
                    continue;
                const QJsonObject row = rows[listed - 1].toObject();
                const QString where = QStringLiteral("seed %1 place %2").arg(seed).arg(place);
                QVERIFY2(row[QStringLiteral("place")].toInt() == place &&
                             row[QStringLiteral("bib")].toInt() == runner.bib,
                         qPrintable(where));
                QCOMPARE(row[QStringLiteral("categoryPlace")].toInt(), categoryPlace);
                QCOMPARE(row[QStringLiteral("laps")].toInt(), runner.laps);
                QCOMPARE(row[QStringLiteral("state")].toString() == QLatin1String("finished"), runner.finished);
                QCOMPARE(row[QStringLiteral("time")].isNull(), !race.setup.start.isValid());
            }
            QCOMPARE(rows.size(), std::min(listed, rowLimit));
            QCOMPARE(json[QStringLiteral("total")].toInt(), listed);
            const QJsonArray passages = json[QStringLiteral("last")].toArray();
            QCOMPARE(passages.size(), std::min<int>(10, last.size()));
            for (int i = 0; i < passages.size(); ++i)
                QCOMPARE(
                    qMakePair(passages[i][QStringLiteral("bib")].toInt(), passages[i][QStringLiteral("lap")].toInt()),
                    last[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestLapBoardJson)
#include "tst_lapboardjson.moc"
