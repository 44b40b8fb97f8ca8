#include "grid/GridMath.h"

#include <QTest>

using namespace GridMath;

namespace {
LayoutInput Input(double width, double height) {
    LayoutInput in;
    in.innerWidth = width;
    in.innerHeight = height;
    in.gridLeft = 60;
    in.gridTop = 60;
    in.gridHeight = 2000;
    in.upWidth = in.downWidth = in.insertWidth = in.deleteWidth = 420;
    in.upHeight = 420;
    return in;
}
} // namespace

class TestGridMath : public QObject {
    Q_OBJECT

private slots:
    void pageUp_data() {
        QTest::addColumn<double>("rowsPerPage");
        QTest::addColumn<int>("editRow");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("top");
        // current = max(EditRow - n + 2, 1), top = max(current - n + 3, 1), halves to even.
        QTest::newRow("whole page") << 10.0 << 30 << 22 << 15;
        QTest::newRow("half rounds down to even") << 10.5 << 20 << 12 << 4;  // 11.5 -> 12, 4.5 -> 4
        QTest::newRow("half rounds up to even") << 9.5 << 20 << 12 << 6;     // 12.5 -> 12, 5.5 -> 6
        QTest::newRow("odd half") << 10.5 << 21 << 12 << 4;                  // 12.5 -> 12
        QTest::newRow("near the top stops at row 1") << 10.0 << 3 << 1 << 1; // -5 -> 1
    }

    void pageUp() {
        QFETCH(double, rowsPerPage);
        QFETCH(int, editRow);
        QFETCH(int, current);
        QFETCH(int, top);
        const PageTarget target = PageUpTarget(rowsPerPage, editRow);
        QCOMPARE(target.currentRow, current);
        QCOMPARE(target.topRow, top);
    }

    void pageDown_data() {
        QTest::addColumn<double>("rowsPerPage");
        QTest::addColumn<int>("editRow");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("current");
        // current = min(n + EditRow - 2, row count - 1), halves to even; the top row is the current row.
        QTest::newRow("whole page") << 10.0 << 5 << 100 << 13;
        QTest::newRow("half rounds down to even") << 10.5 << 4 << 100 << 12; // 12.5
        QTest::newRow("half rounds up to even") << 11.5 << 4 << 100 << 14;   // 13.5
        QTest::newRow("stops at the last row") << 10.0 << 95 << 100 << 99;
        QTest::newRow("before the first edit") << 10.0 << 0 << 100 << 8;
    }

    void pageDown() {
        QFETCH(double, rowsPerPage);
        QFETCH(int, editRow);
        QFETCH(int, rowCount);
        QFETCH(int, current);
        const PageTarget target = PageDownTarget(rowsPerPage, editRow, rowCount);
        QCOMPARE(target.currentRow, current);
        QCOMPARE(target.topRow, current);
    }

    void layoutButtonsOfOwnWidth() {
        // Each button is right-aligned by its own width; all take the up button's height.
        LayoutInput in = Input(3015, 3495);
        in.upWidth = 300;
        in.upHeight = 300;
        const LayoutResult out = Layout(in);
        QCOMPARE(out.upLeft, 2615.0);                         // 3015 - 300 - 100
        QCOMPARE(out.deleteLeft, 2495.0);                     // 3015 - 420 - 100
        QCOMPARE(out.gridWidth, std::optional<double>(2315)); // from the delete button: 2495 - 60 - 120
        QCOMPARE(out.upTop, 60 + (3375 - 1200 - 300) / 2.0);
        QCOMPARE(out.downTop, out.upTop + 3 * 400);
    }

    void layoutSkipsNegativeSizes() {
        const LayoutResult out = Layout(Input(600, 100));
        QVERIFY(!out.gridHeight); // 100 - 120
        QVERIFY(!out.gridWidth);  // 80 - 60 - 120
        QCOMPARE(out.deleteLeft, 80.0);
        // The buttons still move, centred on the grid's current height.
        QCOMPARE(out.upTop, 60 + (2000 - 1680 - 300) / 2.0);

        // A height of exactly zero is a size, not a failure.
        QCOMPARE(Layout(Input(600, 120)).gridHeight, std::optional<double>(0));
        // A negative top is a position and applies.
        QCOMPARE(Layout(Input(3015, 1000)).upTop, 60 + (880 - 1680 - 300) / 2.0);
    }
};

QTEST_APPLESS_MAIN(TestGridMath)
#include "tst_gridmath.moc"
