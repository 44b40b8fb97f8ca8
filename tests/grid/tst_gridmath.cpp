#include "grid/GridMath.h"

#include <QTest>

using namespace GridMath;

class TestGridMath : public QObject {
    Q_OBJECT

private slots:
    void pageTargets_data() {
        QTest::addColumn<bool>("down");
        QTest::addColumn<double>("rowsPerPage");
        QTest::addColumn<int>("editRow");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("top");
        // Up: current = max(EditRow - n + 2, 1), top = max(current - n + 3, 1), halves to even.
        QTest::newRow("up, whole page") << false << 10.0 << 30 << 22 << 15;
        QTest::newRow("up, half rounds down to even") << false << 10.5 << 20 << 12 << 4; // 11.5 -> 12, 4.5 -> 4
        QTest::newRow("up, half rounds up to even") << false << 9.5 << 20 << 12 << 6;    // 12.5 -> 12, 5.5 -> 6
        QTest::newRow("up, near the top stops at row 1") << false << 10.0 << 3 << 1 << 1;
        // Down (100 rows): current = min(n + EditRow - 2, row count - 1), halves to even; top = current.
        QTest::newRow("down, whole page") << true << 10.0 << 5 << 13 << 13;
        QTest::newRow("down, half rounds down to even") << true << 10.5 << 4 << 12 << 12;
        QTest::newRow("down, half rounds up to even") << true << 11.5 << 4 << 14 << 14;
        QTest::newRow("down, stops at the last row") << true << 10.0 << 95 << 99 << 99;
        QTest::newRow("down, before the first edit") << true << 10.0 << 0 << 8 << 8;
    }
    // Where Page Up and Page Down take the editor and the table's top row.
    void pageTargets() {
        QFETCH(bool, down);
        QFETCH(double, rowsPerPage);
        QFETCH(int, editRow);
        const PageTarget target = down ? PageDownTarget(rowsPerPage, editRow, 100) : PageUpTarget(rowsPerPage, editRow);
        QTEST(target.currentRow, "current");
        QTEST(target.topRow, "top");
    }

    // Each button is right-aligned by its own width, all take the up button's height, centred as a
    // block beside the grid; a size that would be negative is left out, a position applies.
    void layout() {
        LayoutInput in{3015, 3495, 60, 60, 2000, 300, 420, 420, 420, 300};
        LayoutResult out = Layout(in);
        QCOMPARE(out.upLeft, 2615.0);                         // 3015 - 300 - 100
        QCOMPARE(out.deleteLeft, 2495.0);                     // 3015 - 420 - 100
        QCOMPARE(out.gridWidth, std::optional<double>(2315)); // from the delete button: 2495 - 60 - 120
        QCOMPARE(out.upTop, 60 + (3375 - 1200 - 300) / 2.0);
        QCOMPARE(out.downTop, out.upTop + 3 * 400);

        in = LayoutInput{600, 100, 60, 60, 2000, 420, 420, 420, 420, 420};
        out = Layout(in);
        QVERIFY(!out.gridHeight && !out.gridWidth); // 100 - 120 and 80 - 60 - 120
        QCOMPARE(out.deleteLeft, 80.0);
        QCOMPARE(out.upTop, 60 + (2000 - 1680 - 300) / 2.0); // centred on the grid's current height
        in.innerHeight = 120;
        QCOMPARE(Layout(in).gridHeight, std::optional<double>(0)); // zero is a size
        in.innerHeight = 1000;
        QCOMPARE(Layout(in).upTop, 60 + (880 - 1680 - 300) / 2.0); // a negative top applies
    }
};

QTEST_APPLESS_MAIN(TestGridMath)
#include "tst_gridmath.moc"
