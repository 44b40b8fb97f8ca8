#include "LapTestData.h"
#include "lapcounter/LapCounting.h"
#include "lapcounter/LapListModel.h"
#include "lapcounter/LapStandings.h"
#include "lapcounter/LapcounterLayout.h"

#include <QLocale>
#include <QMap>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// The lines below the heading of the lap list counted afresh (the window test checks the heading).
QStringList Body(const clsFile& records, const QString& target, const QString& minimum, bool descending) {
    LapStandings standings(records);
    standings.Sync();
    const LapListInput input{target, minimum, descending, "Bib", "Laps", "Remaining", {}, {}};
    LapList list;
    list.heading = QStringList{QStringLiteral("left from an earlier refresh")};
    list.rows = {LapRow{1, 1, 1}};
    BuildLapList(standings, input, list);
    return list.Lines().mid(2);
}

// The ranking by its definition: bibs above 0 from the first counted ID on, most laps first, of
// equal laps the one that completed them earlier.
QVector<LapRow> ReferenceRanking(const clsFile& records, qint32 firstCountedID) {
    QMap<qint32, LapRow> byBib;
    for (qint32 i = 0; i < records.Count(); ++i) {
        const tBib record = records.GetRecord(i);
        if (record.Bib <= 0 || record.ID < firstCountedID)
            continue;
        LapRow& row = byBib[record.Bib];
        row = LapRow{record.Bib, row.Laps + 1, qMax(row.LastID, qint64(record.ID))};
    }
    QVector<LapRow> rows = byBib.values().toVector();
    std::sort(rows.begin(), rows.end(), [](const LapRow& a, const LapRow& b) {
        return a.Laps != b.Laps ? a.Laps > b.Laps : a.LastID < b.LastID;
    });
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

    // Lap order, tie-breaking, target and minimum of the lap list.
    void lapList_data() {
        QTest::addColumn<QVector<qint32>>("bibs");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QVector<qint32>& bibs, const char* target, const char* minimum,
                            bool descending, const QStringList& expected, const QLocale& locale = QLocale::c()) {
            QTest::newRow(name) << bibs << QString::fromUtf8(target) << QString::fromUtf8(minimum) << descending
                                << locale << expected;
        };
        // Records (ID, bib): (1,5) (2,7) (3,7) (4,5) (5,9) (6,0): bib 7 finished its second lap first.
        const QVector<qint32> example{5, 7, 7, 5, 9, 0};
        row("descending", example, "3", "0", true, {Line(7, 2, "1"), Line(5, 2, "1"), Line(9, 1, "2")});
        row("minimum 2", example, "3", "2", true, {Line(7, 2, "1"), Line(5, 2, "1")});
        row("minimum 3 leaves heading only", example, "3", "3", true, {});
        row("minimum 2,5 counts 2", example, "0", "2,5", true, {Line(7, 2), Line(5, 2)});
        row("minimum 1.5 needs 2 laps", example, "0", "1.5", true, {Line(7, 2), Line(5, 2)});
        row("minimum empty lists all", example, "", "", false, {Line(9, 1), Line(5, 2), Line(7, 2)});
        row("no target below 1", example, "-4", "0", true, {Line(7, 2), Line(5, 2), Line(9, 1)});
        row("target 1 2 counts 12", example, "1 2", "0", true, {Line(7, 2, "10"), Line(5, 2, "10"), Line(9, 1, "11")});
        row("target reached", {4, 4}, "2", "0", true, {Line(4, 2, "0")});
        row("bib 0 and negatives ignored", {0, -3, 4, -3, 0, -2147483647 - 1}, "0", "0", true, {Line(4, 1)});
        row("largest bib", {2147483647, 1, 2147483647}, "0", "0", true, {Line(2147483647, 2), Line(1, 1)});
        // Equal laps: descending puts the earlier last passage first, ascending puts it last.
        const QVector<qint32> tie{30, 20, 10, 20, 30, 10};
        row("ties descending", tie, "0", "0", true, {Line(20, 2), Line(30, 2), Line(10, 2)});
        row("ties ascending", tie, "0", "0", false, {Line(10, 2), Line(30, 2), Line(20, 2)});
        // The remaining laps as the platform writes a number in the operator's locale.
        const QLocale german(QLocale::German, QLocale::Germany);
        row("fraction, German", {6, 6, 6}, "10.5", "", true, {Line(6, 3, "7,5")}, german);
        row("no rounding error shows", {6, 6, 6}, "10.1", "", true, {Line(6, 3, "7.1")});
        row("large value ungrouped", {6, 6, 6}, "1234567", "", true, {Line(6, 3, "1234564")}, german);
        row("minus sign of the locale", QVector<qint32>(12, 17), "10", "0", true,
            {Line(17, 12, QStringLiteral("\u22122"))}, QLocale(QLocale::Swedish));
        row("digits of the locale", {6, 6, 6}, "10", "", true, {Line(6, 3, QStringLiteral("\u0667"))},
            QLocale(QLocale::Arabic));
    }
    void lapList() {
        QFETCH(QVector<qint32>, bibs);
        QFETCH(QString, target);
        QFETCH(QString, minimum);
        QFETCH(bool, descending);
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        clsFile records;
        QVERIFY(OpenRecords(records, m_env->path() + QStringLiteral("/laps.stn"), bibs));
        QTEST(Body(records, target, minimum, descending), "expected");
    }

    // Sessions of passages mixed with edits, deletes, inserts, resets (after which only newer IDs
    // count, wherever they stand) and reopening: after every change the standings kept in step agree
    // with the ranking counted from nothing, and a passage moves its bib from and to the ranks it
    // really had.
    void standingsFollowMixedSessions() {
        // Thousands of durable writes: on a memory file system where there is one.
        QTemporaryDir memory(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/laps-XXXXXX")
                                                                       : m_env->path() + QStringLiteral("/XXXXXX"));
        clsFile records;
        QVERIFY(OpenRecords(records, memory.path() + QStringLiteral("/laps.stn"), {}));
        LapStandings standings(records);
        QRandomGenerator random(20240601);
        qint32 firstCounted = 0;
        int moves = 0;
        for (int step = 0; step < 3000; ++step) {
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
                QVERIFY(move.oldRank < 0 || before.at(move.oldRank).Bib == move.row.Bib);
                QCOMPARE(after.size(), before.size() + (move.oldRank < 0 ? 1 : 0));
            }
            QVERIFY2(Ranked(standings) == ReferenceRanking(records, firstCounted), qPrintable(QString::number(step)));
        }
        QVERIFY(moves > 1800); // most passages took the quick way
    }

    // A move naming a line outside the rows changes nothing and says so: the window then makes
    // the list anew.
    void moveLine_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QVector<qint32>>("expected"); // the bibs of the rows; empty: refused
        QTest::newRow("up") << 3 << 1 << QVector<qint32>{9, 1, 2};
        QTest::newRow("down") << 1 << 2 << QVector<qint32>{2, 9, 3};
        QTest::newRow("dropped") << 2 << -1 << QVector<qint32>{1, 3};
        QTest::newRow("added last") << -1 << 4 << QVector<qint32>{1, 2, 3, 9};
        QTest::newRow("from the heading") << 0 << 2 << QVector<qint32>();
        QTest::newRow("moved past the end") << 1 << 4 << QVector<qint32>();
        QTest::newRow("added past the end") << -1 << 5 << QVector<qint32>();
    }
    void moveLine() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QVector<qint32>, expected);
        LapListModel model;
        model.SetList(LapList{{"heading"}, {{1, 1, 1}, {2, 1, 2}, {3, 1, 3}}, {}});
        QCOMPARE(model.MoveLine(from, to, LapRow{9, 1, 4}), !expected.isEmpty());
        QStringList lines{"heading"};
        for (qint32 bib : expected.isEmpty() ? QVector<qint32>{1, 2, 3} : expected)
            lines << Line(bib, 1);
        QCOMPARE(model.Lines(), lines);
    }

    void layout_data() {
        QTest::addColumn<QSizeF>("inner");
        QTest::addColumn<QList<double>>("expected");
        // List1 height, width; txtLapCount 0, 1 tops; cmdReset top; button width; cmdReset left; field width
        QTest::newRow("design") << QSizeF(5415, 6045)
                                << QList<double>{4700, 5305, 5275, 5660, 4850, 2587.5, 2767.5, 502.5};
        QTest::newRow("wide") << QSizeF(10000, 6045) << QList<double>{4700, 9890, 5275, 5660, 4850, 4880, 5060, 2795};
        QTest::newRow("very narrow") << QSizeF(200, 3000) << QList<double>{1655, 90, 2230, 2615, 1805, 1, 181, 250};
        // Too low for the bottom rows: both fields stop at top 1, the list keeps its previous height.
        QTest::newRow("tiny") << QSizeF(100, 100) << QList<double>{4700, 5305, 1, 1, -424, 1, 181, 250};
    }
    // The window's layout in twips.
    void layout() {
        QFETCH(QSizeF, inner);
        LapcounterLayout l;
        ArrangeLapcounterLayout(l, inner.width(), inner.height());
        QTEST((QList<double>{l.List1.height, l.List1.width, l.txtLapCount[0].top, l.txtLapCount[1].top, l.cmdReset.top,
                             l.cmdRequery.width, l.cmdReset.left, l.txtLapCount[0].width}),
              "expected");
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
};

QTEST_GUILESS_MAIN(TestLapCounting)
#include "tst_lapcounting.moc"
