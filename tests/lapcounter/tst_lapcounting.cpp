#include "TestEnvironment.h"
#include "app/ErrorInfo.h"
#include "lapcounter/LapCounting.h"
#include "lapcounter/LapStandings.h"
#include "lapcounter/MergeSort.h"
#include "records/StnFormat.h"
#include "records/clsFile.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

namespace {

const QString kTab2 = QStringLiteral("\t\t");

// Opens a record file holding the bibs in this order; the records get the IDs 1 to n.
void Load(clsFile& records, const QString& folder, const QVector<qint32>& bibs) {
    QVector<tBib> list;
    for (qint32 bib : bibs)
        list.append(tBib{0, bib});
    const QString path = folder + QStringLiteral("/laps.stn");
    WriteBytes(path, FormatStn(list));
    QVERIFY(records.OpenFile(path));
    QCOMPARE(records.Count(), bibs.size());
}

LapListInput Input(const QString& target, const QString& minimum, bool descending) {
    LapListInput input;
    input.targetText = target;
    input.minimumText = minimum;
    input.descending = descending;
    input.bibHeading = QStringLiteral("Bib");
    input.lapsHeading = QStringLiteral("Laps");
    input.remainingHeading = QStringLiteral("Remaining");
    return input;
}

// The lines below heading and separator, after checking those two.
QStringList BodyLines(const QStringList& lines, bool remainingColumn) {
    if (lines.size() < 2)
        return {QStringLiteral("<no heading>")};
    const QString heading =
        remainingColumn ? QStringLiteral("Bib\t\tLaps\t\tRemaining") : QStringLiteral("Bib\t\tLaps");
    if (lines[0] != heading || lines[1] != QString(106, QLatin1Char('-')))
        return {QStringLiteral("<wrong heading> ") + lines[0]};
    return lines.mid(2);
}

QString Line(qint32 bib, qint32 laps) {
    return QString::number(bib) + kTab2 + QString::number(laps);
}
QString Line(qint32 bib, qint32 laps, const QString& remaining) {
    return Line(bib, laps) + kTab2 + remaining;
}

// The lap list counted afresh from the records.
void Build(const clsFile& records, const LapListInput& input, QStringList& lines, qint32 firstCountedID = 0) {
    LapStandings standings(records);
    standings.SetFirstCountedID(firstCountedID);
    standings.Sync();
    BuildLapList(standings, input, lines);
}

// The ranking by its definition: the passages sorted by bib and grouped, then the rows merge
// sorted with "behind" (fewer laps, or the same laps completed later) taking the right element.
QVector<LapRow> ReferenceRanking(const clsFile& records, qint32 firstCountedID) {
    QVector<LapEntry> entries = CollectLapEntries(records, firstCountedID);
    SortLapEntries(entries);
    QVector<LapRow> rows = GroupLapEntries(entries);
    const auto behind = [](const LapRow& left, const LapRow& right) {
        return left.Laps < right.Laps || (left.Laps == right.Laps && left.LastID > right.LastID);
    };
    MergeSort(rows, behind, true);
    return rows;
}

QVector<LapRow> Ranked(const LapStandings& standings) {
    QVector<LapRow> rows;
    standings.Ranking().ForEach([&](const LapRow& row) { rows.append(row); });
    return rows;
}

} // namespace

bool operator==(const LapRow& a, const LapRow& b) {
    return a.Bib == b.Bib && a.Laps == b.Laps && a.LastID == b.LastID;
}

class TestLapCounting : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
    }

    void cleanup() {
        QLocale::setDefault(QLocale::c());
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_messages.reset();
        m_env.reset();
    }

    void lapList_data() {
        QTest::addColumn<QVector<qint32>>("bibs");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<bool>("remainingColumn");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QVector<qint32>& bibs, const char* target, const char* minimum,
                            bool descending, bool remainingColumn, const QStringList& expected) {
            QTest::newRow(name) << bibs << QString::fromLatin1(target) << QString::fromLatin1(minimum) << descending
                                << remainingColumn << expected;
        };

        // Records (ID, bib): (1,5) (2,7) (3,7) (4,5) (5,9) (6,0): bib 7 finished its second lap first.
        const QVector<qint32> example{5, 7, 7, 5, 9, 0};
        row("example descending", example, "3", "0", true, true, {Line(7, 2, "1"), Line(5, 2, "1"), Line(9, 1, "2")});
        row("example ascending", example, "3", "0", false, true, {Line(9, 1, "2"), Line(5, 2, "1"), Line(7, 2, "1")});
        row("example minimum 2", example, "3", "2", true, true, {Line(7, 2, "1"), Line(5, 2, "1")});
        row("minimum 3 leaves heading only", example, "3", "3", true, true, {});
        row("minimum 2,5 counts 2", example, "0", "2,5", true, false, {Line(7, 2), Line(5, 2)});
        row("minimum 1.5 needs 2 laps", example, "0", "1.5", true, false, {Line(7, 2), Line(5, 2)});
        row("minimum empty lists all", example, "0", "", false, false, {Line(9, 1), Line(5, 2), Line(7, 2)});

        const QStringList noTarget{Line(7, 2), Line(5, 2), Line(9, 1)};
        for (const char* target : {"0", "-4", "", "abc"})
            row(qPrintable(QStringLiteral("target '%1'").arg(QLatin1String(target))), example, target, "0", true, false,
                noTarget);
        row("target 1 2 counts 12", example, "1 2", "0", true, true,
            {Line(7, 2, "10"), Line(5, 2, "10"), Line(9, 1, "11")});

        row("target 10, 3 laps", {17, 17, 17}, "10", "0", true, true, {Line(17, 3, "7")});
        row("more laps than target", QVector<qint32>(12, 17), "10", "0", true, true, {Line(17, 12, "-2")});
        row("target reached", {4, 4}, "2", "0", true, true, {Line(4, 2, "0")});

        row("bib 0 and negatives ignored", {0, -3, 4, -3, 0, -2147483647 - 1}, "0", "0", true, false, {Line(4, 1)});
        row("repeated passages counted", {8, 8, 8, 3}, "0", "0", true, false, {Line(8, 3), Line(3, 1)});
        row("largest bib", {2147483647, 1, 2147483647}, "0", "0", true, false, {Line(2147483647, 2), Line(1, 1)});
        row("empty list", {}, "5", "0", true, true, {});
        row("nothing counts", {0, -1}, "0", "0", false, false, {});

        // Equal laps: descending puts the earlier last passage first, ascending puts it last.
        const QVector<qint32> tie{30, 20, 10, 20, 30, 10};
        row("ties descending", tie, "0", "0", true, false, {Line(20, 2), Line(30, 2), Line(10, 2)});
        row("ties ascending", tie, "0", "0", false, false, {Line(10, 2), Line(30, 2), Line(20, 2)});
    }

    void lapList() {
        QFETCH(QVector<qint32>, bibs);
        QFETCH(QString, target);
        QFETCH(QString, minimum);
        QFETCH(bool, descending);
        QFETCH(bool, remainingColumn);
        QFETCH(QStringList, expected);

        clsFile records;
        Load(records, m_env->path(), bibs);
        QStringList lines{QStringLiteral("left from an earlier refresh")};
        Build(records, Input(target, minimum, descending), lines);
        QCOMPARE(BodyLines(lines, remainingColumn), expected);
    }

    void remainingText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("fraction") << english << QStringLiteral("10.5") << "7.5";
        QTest::newRow("fraction, German") << german << QStringLiteral("10.5") << "7,5";
        QTest::newRow("negative fraction, German") << german << QStringLiteral("2.5") << "-0,5";
        QTest::newRow("no rounding error shows") << english << QStringLiteral("10.1") << "7.1";
        QTest::newRow("comma ends the number") << german << QStringLiteral("10,9") << "7";
        QTest::newRow("large whole value ungrouped") << german << QStringLiteral("1234567") << "1234564";
    }

    void remainingText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, target);
        QFETCH(QString, expected);

        QLocale::setDefault(locale);
        clsFile records;
        Load(records, m_env->path(), {6, 6, 6});
        QStringList lines;
        Build(records, Input(target, QString(), true), lines);
        QCOMPARE(BodyLines(lines, true), QStringList{Line(6, 3, expected)});
    }

    void onlyRecordsAfterResetCount() {
        clsFile records;
        Load(records, m_env->path(), {5, 7, 9, 7});
        const qint32 firstCounted = records.MaxID() + 1;
        QStringList lines;
        Build(records, Input("0", "0", true), lines, firstCounted);
        QCOMPARE(BodyLines(lines, false), QStringList{});

        // Inserted in the middle of the list, yet recorded after the reset.
        QVERIFY(records.AddBib(7, 1));
        // A record from before the reset stays uncounted even with a new bib.
        QVERIFY(records.EditBib(0, 7));
        QVERIFY(records.AddBib(12));
        QVERIFY(records.AddBib(7));
        Build(records, Input("0", "0", true), lines, firstCounted);
        QCOMPARE(BodyLines(lines, false), (QStringList{Line(7, 2), Line(12, 1)}));

        Build(records, Input("0", "0", true), lines);
        QCOMPARE(BodyLines(lines, false), (QStringList{Line(7, 5), Line(9, 1), Line(12, 1)}));
    }

    void faultyFieldKeepsLinesMadeBefore() {
        clsFile records;
        Load(records, m_env->path(), {3, 4});
        QStringList lines{QStringLiteral("old")};
        QVERIFY_THROWS_EXCEPTION(RaisedError, Build(records, Input("1e999", "0", true), lines));
        QCOMPARE(lines, QStringList{});

        // The minimum is read after heading and separator, and only when there is a row.
        lines = QStringList{QStringLiteral("old")};
        try {
            Build(records, Input("5", "1e999", true), lines);
            QFAIL("no error raised");
        } catch (const RaisedError& error) {
            QCOMPARE(error.info().number, ErrorNumber::Overflow);
        }
        QCOMPARE(lines.size(), 2);
        QCOMPARE(BodyLines(lines, true), QStringList{});

        Build(records, Input("5", "1e999", true), lines, records.MaxID() + 1);
        QCOMPARE(BodyLines(lines, true), QStringList{});
    }

    void entrySortTakesRightOfEqualBibsFirst() {
        QRandomGenerator random(99);
        for (int size : {0, 1, 2, 3, 7, 64, 1000}) {
            QVector<LapEntry> entries;
            for (int i = 0; i < size; ++i)
                entries.append(LapEntry{1 + random.bounded(20), i + 1}); // IDs in list order
            SortLapEntries(entries);
            QCOMPARE(entries.size(), size);
            for (int i = 1; i < size; ++i) {
                QVERIFY(entries[i - 1].Bib <= entries[i].Bib);
                if (entries[i - 1].Bib == entries[i].Bib)
                    QVERIFY(entries[i - 1].ID > entries[i].ID); // equal bibs end in reverse list order
            }
            QVector<LapRow> rows = GroupLapEntries(entries);
            int passages = 0;
            for (const LapRow& row : rows)
                passages += row.Laps;
            QCOMPARE(passages, size);
        }
    }

    // Long sessions of passages mixed with edits, deletes, inserts, resets and reopening: after
    // every change the standings kept in step agree with the ranking counted from nothing, and a
    // passage moves its bib from and to the ranks it really had.
    void standingsFollowMixedSessions() {
        // Thousands of durable writes: on a memory file system where there is one.
        QTemporaryDir memory(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/laps-XXXXXX")
                                                                       : m_env->path() + QStringLiteral("/XXXXXX"));
        clsFile records;
        Load(records, memory.path(), {});
        LapStandings standings(records);
        QRandomGenerator random(20240601);
        qint32 firstCounted = 0;
        int moves = 0;
        for (int step = 0; step < 5000; ++step) {
            const int action = random.bounded(100);
            const qint32 count = records.Count();
            const qint32 bib = qint32(random.bounded(-2, 40)); // bibs 0 and below never count
            if (action < 85 || count == 0)
                QVERIFY(records.AddBib(bib, action < 80 || count == 0 ? -1 : qint32(random.bounded(count))));
            else if (action < 92)
                QVERIFY(records.EditBib(qint32(random.bounded(count)), bib));
            else if (action < 97)
                QVERIFY(records.DeleteBib(qint32(random.bounded(count))));
            else if (action < 99)
                standings.SetFirstCountedID(firstCounted = records.MaxID() + 1 - qint32(random.bounded(5)));
            else
                QVERIFY(records.OpenFile(records.FileName()));
            const QVector<LapRow> before = Ranked(standings);
            LapMove move;
            if (standings.Sync(&move) == LapStandings::Step::Moved) {
                ++moves;
                const QVector<LapRow> after = Ranked(standings);
                QVERIFY(after.at(move.newRank) == move.row);
                if (move.oldRank >= 0)
                    QCOMPARE(before.at(move.oldRank).Bib, move.row.Bib);
                QCOMPARE(after.size(), before.size() + (move.oldRank < 0 ? 1 : 0));
            }
            QVERIFY2(Ranked(standings) == ReferenceRanking(records, firstCounted), qPrintable(QString::number(step)));
        }
        QVERIFY(moves > 3000); // most passages took the quick way
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
};

QTEST_GUILESS_MAIN(TestLapCounting)
#include "tst_lapcounting.moc"
