#include "results/FinishMarks.h"
#include "results/RaceRanking.h"
#include "results/RaceSetup.h"
#include "results/RaceTimeText.h"
#include "results/TimerList.h"
#include "startlist/StartList.h"

#include "TestEnvironment.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <limits>

namespace {

// The ranking worked out the long way, passage by passage, for comparison.
struct Expected {
    qint32 bib = 0, laps = 0, passage = -1;
    bool finished = false;
};

QVector<Expected> Reference(const RaceInput& race) {
    const auto timeOf = [&](qint32 p) {
        return race.marks.value(p).isValid() ? race.marks.value(p) : race.passages[p].entryTime;
    };
    // A passage without a time sorts as the nearest earlier one with a time; then by position.
    const auto key = [&](qint32 p) {
        for (qint32 j = p; j >= 0; --j)
            if (timeOf(j).isValid())
                return std::pair(timeOf(j).toMSecsSinceEpoch(), p);
        return std::pair(std::numeric_limits<qint64>::min(), p);
    };
    QVector<Expected> runners;
    for (const RacePassage& passage : race.passages) {
        if (passage.bib <= 0 ||
            std::any_of(runners.begin(), runners.end(), [&](auto& r) { return r.bib == passage.bib; }))
            continue;
        const StartListEntry* entry = race.names->Find(passage.bib);
        const qint32 target = race.setup.LapsOf(entry ? entry->category : QString());
        Expected runner{passage.bib};
        for (qint32 p = 0; p < race.passages.size(); ++p)
            if (race.passages[p].bib == passage.bib && !runner.finished) {
                runner.laps++;
                runner.passage = p;
                runner.finished = target > 0 && runner.laps == target;
            }
        runners.append(runner);
    }
    std::stable_sort(runners.begin(), runners.end(), [&](const Expected& a, const Expected& b) {
        if (a.finished || b.finished)
            return a.finished && (!b.finished || key(a.passage) < key(b.passage));
        return a.laps != b.laps ? a.laps > b.laps : key(a.passage) < key(b.passage);
    });
    return runners;
}

} // namespace

// The race ranking, the files of start times, laps and marks, and the times a timer device lists.
class TestRaceRanking : public QObject {
    Q_OBJECT

private slots:
    // Random races: laps per category, empty records, missing times, fewer and more marks than
    // passages, wave starts, a row cap; compared with the reference, places and elapsed times too.
    void randomRacesMatchTheReference() {
        StartList names;
        for (qint32 bib = 1; bib <= 9; ++bib)
            names.Add({bib, QStringLiteral("R%1").arg(bib), bib % 3 ? QStringLiteral("AB").mid(bib % 3 - 1, 1) : ""});
        const QDateTime gun(QDate(2026, 5, 3), QTime(10, 0), QTimeZone(7200));
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator random(seed);
            RaceInput race;
            race.names = &names;
            race.setup.laps = random.bounded(0, 4);
            race.setup.categoryLaps[QStringLiteral("A")] = random.bounded(1, 4);
            race.setup.start = random.bounded(2) ? gun : QDateTime();
            race.setup.waveStarts[QStringLiteral("B")] = gun.addSecs(300);
            for (qint32 p = random.bounded(0, 40); p > 0; --p)
                race.passages.append(
                    {random.bounded(0, 11), random.bounded(4) ? gun.addMSecs(random.bounded(3600000)) : QDateTime()});
            for (qint32 m = random.bounded(0, 45); m > 0; --m)
                race.marks.append(random.bounded(3) ? gun.addMSecs(random.bounded(3600000)) : QDateTime());
            const qint32 cap = random.bounded(0, 6);
            const RaceResult result = RankRace(race, cap);
            const QVector<Expected> expected = Reference(race);
            QCOMPARE(result.runnerCount, expected.size());
            QCOMPARE(result.runners.size(), cap > 0 ? std::min<qsizetype>(cap, expected.size()) : expected.size());
            QHash<QString, qint32> categoryPlaces;
            for (qint32 i = 0; i < result.runners.size(); ++i) {
                const RankedRunner& got = result.runners[i];
                const Expected& want = expected[i];
                const QString category = names.Find(want.bib) ? names.Find(want.bib)->category : QString();
                const QDateTime time = race.marks.value(want.passage).isValid() ? race.marks[want.passage]
                                                                                : race.passages[want.passage].entryTime;
                const QDateTime start = category == QLatin1String("B") ? gun.addSecs(300) : race.setup.start;
                const std::optional<qint64> elapsed =
                    start.isValid() && time.isValid() ? std::optional(start.msecsTo(time)) : std::nullopt;
                QVERIFY2(got.place == i + 1 && got.bib == want.bib && got.laps == want.laps &&
                             got.finished == want.finished && got.passage == want.passage && got.category == category &&
                             got.categoryPlace == (category.isEmpty() ? 0 : ++categoryPlaces[category]) &&
                             got.elapsedMsecs == elapsed,
                         qPrintable(QStringLiteral("seed %1, place %2").arg(seed).arg(i + 1)));
                QCOMPARE(result.passages[want.passage].kind,
                         want.finished ? RankedPassage::Kind::Finish : RankedPassage::Kind::Lap);
            }
            // Each passage's own lap (the ranking one's the runner's laps); those after a finish are marked.
            QHash<qint32, qint32> seen;
            for (qint32 p = 0; p < race.passages.size(); ++p) {
                const qint32 bib = race.passages[p].bib;
                QCOMPARE(result.passages[p].lap, bib > 0 ? ++seen[bib] : 0);
                const auto finished =
                    std::find_if(expected.begin(), expected.end(), [&](auto& r) { return r.bib == bib; });
                QCOMPARE(result.passages[p].kind == RankedPassage::Kind::AfterFinish,
                         bib > 0 && finished->finished && p > finished->passage);
            }
        }
    }

    // Starts and laps on the disk when saved, read back; a damaged line is named and skipped, the
    // rest is read. Marks likewise, a mark's number deciding its passage.
    void filesBesideTheRecordFile() {
        QTemporaryDir dir;
        const QString race = dir.filePath(QStringLiteral("race.stn"));
        RaceSetup setup;
        setup.start = QDateTime(QDate(2026, 5, 3), QTime(10, 0, 0, 250), QTimeZone(7200));
        setup.waveStarts[QStringLiteral("W;40 ")] = setup.start.addSecs(600);
        setup.laps = 3;
        setup.categoryLaps[QStringLiteral("Kids")] = 1;
        SaveStartTimesFor(race, setup);
        SaveLapsFor(race, setup);
        QCOMPARE(FileBytes(race + ".start"),
                 QByteArray(";2026-05-03T10:00:00.250+02:00\r\nW;40 ;2026-05-03T10:10:00.250+02:00\r\n"));
        WriteBytes(race + ".laps", FileBytes(race + ".laps") + "Kids;x\r\n;\r\nM;0\r\n");
        const RaceSetupRead read = ReadRaceSetupFor(race);
        QCOMPARE(read.setup.StartOf(QStringLiteral("W;40 ")), setup.start.addSecs(600));
        QCOMPARE(read.setup.StartOf(QStringLiteral("M")), setup.start);
        QCOMPARE(read.setup.LapsOf(QStringLiteral("Kids")), 1);
        QCOMPARE(read.setup.LapsOf(QStringLiteral("M")), 3);
        QCOMPARE(read.badLines,
                 (QVector<QPair<QString, qint32>>{{race + ".laps", 3}, {race + ".laps", 4}, {race + ".laps", 5}}));

        WriteBytes(
            race + ".marks",
            "1;2026-05-03T10:30:00.000+02:00\r\n3;\r\n2;2026-05-03T10:31:00.000+02:00\r\n9;x\r\n4;2026-05-03T10:3");
        FinishMarks marks;
        marks.Open(race);
        QCOMPARE(marks.BadLines(), (QVector<qint32>{4, 5}));
        QCOMPARE(marks.Count(), 3);
        QVERIFY(!marks.All()[2].isValid() && marks.All()[1].time() == QTime(10, 31));
        marks.Remove(0);
        marks.InsertEmpty(3);
        marks.Append(setup.start);
        QCOMPARE(FileBytes(race + ".marks"),
                 QByteArray("1;2026-05-03T10:31:00.000+02:00\r\n2;\r\n3;\r\n4;2026-05-03T10:00:00.250+02:00\r\n"));
    }

    // Times as results write them and as operators and timer devices give them.
    void timeTexts() {
        QCOMPARE(ElapsedText(3723004), QStringLiteral("1:02:03.004"));
        QCOMPARE(ElapsedText(-1500), QStringLiteral("-0:00:01.500"));
        QCOMPARE(TimeOfDayText(QDateTime(QDate(2026, 5, 3), QTime(9, 5, 7, 30), QTimeZone(-5400))),
                 QStringLiteral("09:05:07.030-01:30"));
        const QDate day(2026, 5, 3);
        QCOMPARE(MomentFromText(QStringLiteral("10:00"), day).time(), QTime(10, 0));
        QCOMPARE(MomentFromText(QStringLiteral("10:00:05,3"), day).time(), QTime(10, 0, 5, 300));
        QCOMPARE(MomentFromText(QStringLiteral("2026-05-04 08:00:00+02:00"), day).toMSecsSinceEpoch(),
                 QDateTime(QDate(2026, 5, 4), QTime(6, 0), QTimeZone::utc()).toMSecsSinceEpoch());
        QVERIFY(!MomentFromText(QStringLiteral("25:00"), day).isValid());
        // A device's list: numbered lines, a day passing midnight, an ISO time, a line that is none.
        const TimerList list = ParseTimerList("001 23:59:58.5\r\n002;00:00:01\n\n2026-05-05T07:00:00+02:00\nDNF\n");
        QCOMPARE(list.badLines, QVector<qint32>{5});
        const QVector<QDateTime> ofDay = TimerListMarks(list, false, day, QDateTime());
        QCOMPARE(ofDay[0].msecsTo(ofDay[1]), 2500);
        QCOMPARE(ofDay[2].date(), QDate(2026, 5, 5));
        const QDateTime start = MomentFromText(QStringLiteral("10:00"), day);
        QCOMPARE(TimerListMarks(list, true, day, start)[1], start.addSecs(1));
    }
};

QTEST_GUILESS_MAIN(TestRaceRanking)
#include "tst_raceranking.moc"
