#include "recording/MainLayout.h"

#include <QtTest>

// The main window's layout in twips for given inner sizes, without a window.
class TestMainLayout : public QObject {
    Q_OBJECT

private slots:
    void arrangesForSize_data();
    void arrangesForSize();
    void narrowOrLowKeepsPreviousLayout();
};

void TestMainLayout::arrangesForSize_data() {
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("H");
    QTest::addColumn<double>("gridLeft");
    QTest::addColumn<double>("gridWidth");
    QTest::addColumn<double>("frameLeft");
    QTest::addColumn<double>("entryWidth");
    QTest::addColumn<double>("height"); // of the entry box, the frame and the grid
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<double>("wikiLeft");
    QTest::addColumn<double>("wikiTop");

    // A third of 9000 is less than 3000, so the grid keeps 3000.
    QTest::newRow("9000 wide") << 9000.0 << 5000.0 << 6000.0 << 3000.0 << 4425.0 << 4305.0 << 4400.0 << 4305.0 / 64
                               << 2092.5 << 2072.5;
    QTest::newRow("12000 wide: a third") << 12000.0 << 5000.0 << 8000.0 << 4000.0 << 6425.0 << 6305.0 << 4400.0
                                         << 6305.0 / 64 << 3592.5 << 2072.5;
    // The design box is limited by its width: 3615 / 64, about 56.5 points.
    QTest::newRow("design size") << 5000.0 << 3000.0 << 5520.0 << 3015.0 << 3840.0 << 3615.0 << 3495.0 << 3615.0 / 64
                                 << 92.5 << 1072.5;
    QTest::newRow("tall and narrow: width limits the font")
        << 4000.0 << 12000.0 << 5520.0 << 3015.0 << 3840.0 << 3615.0 << 11400.0 << 3615.0 / 64 << 0.0 << 5572.5;
    QTest::newRow("wide and flat: height limits the font")
        << 30000.0 << 2000.0 << 20000.0 << 10000.0 << 18425.0 << 18305.0 << 3495.0 << 3495.0 / 25 << 12592.5 << 572.5;
    QTest::newRow("smaller than the wiki link")
        << 3000.0 << 500.0 << 5520.0 << 3015.0 << 3840.0 << 3615.0 << 3495.0 << 3615.0 / 64 << 0.0 << 0.0;
    QTest::newRow("just above both limits")
        << 5001.0 << 3001.0 << 2001.0 << 3000.0 << 426.0 << 306.0 << 2401.0 << 306.0 / 64 << 93.0 << 1073.0;
}

void TestMainLayout::arrangesForSize() {
    QFETCH(double, W);
    QFETCH(double, H);
    QFETCH(double, gridLeft);
    QFETCH(double, gridWidth);
    QFETCH(double, frameLeft);
    QFETCH(double, entryWidth);
    QFETCH(double, height);
    QFETCH(double, fontSize);
    QFETCH(double, wikiLeft);
    QFETCH(double, wikiTop);

    MainLayout layout;
    ArrangeMainLayout(layout, W, H);
    QCOMPARE(layout.Grid.left, gridLeft);
    QCOMPARE(layout.Grid.width, gridWidth);
    QCOMPARE(layout.fraFrame.left, frameLeft);
    QCOMPARE(layout.txtEnter.width, entryWidth);
    QCOMPARE(layout.Grid.height, height);
    QCOMPARE(layout.fraFrame.height, height);
    QCOMPARE(layout.txtEnter.height, height);
    // In a tall window the button reaches down to the frame's bottom edge; else it keeps the design's.
    QCOMPARE(layout.cmdEnter.height, H > 3000 ? height - 1340 : 2175.0);
    QVERIFY2(qAbs(layout.txtEnterFontSize - fontSize) < 1e-3,
             qPrintable(QStringLiteral("font %1, expected %2").arg(layout.txtEnterFontSize).arg(fontSize)));
    QCOMPARE(layout.Wiki.left, wikiLeft);
    QCOMPARE(layout.Wiki.top, wikiTop);

    // What the layout never moves: the tops, the frame's width, the button inside the frame.
    for (const TwipRect* rect : {&layout.txtEnter, &layout.fraFrame, &layout.Grid})
        QCOMPARE(rect->top, 120.0);
    QCOMPARE(layout.txtEnter.left, 120.0);
    QCOMPARE(layout.fraFrame.width, 1575.0);
    QCOMPARE(layout.cmdEnter.left, 120.0);
    QCOMPARE(layout.cmdEnter.top, 1340.0);
    QCOMPARE(layout.cmdEnter.width, 1335.0);
    QCOMPARE(layout.Wiki.width, 4815.0);
    QCOMPARE(layout.Wiki.height, 855.0);
}

// A window made narrow or low after a larger size keeps that direction as it was, not the design.
void TestMainLayout::narrowOrLowKeepsPreviousLayout() {
    MainLayout layout;
    ArrangeMainLayout(layout, 12000, 6000);
    ArrangeMainLayout(layout, 5000, 3000);
    QCOMPARE(layout.Grid.left, 8000.0);
    QCOMPARE(layout.Grid.width, 4000.0);
    QCOMPARE(layout.txtEnter.width, 6305.0);
    QCOMPARE(layout.Grid.height, 5400.0);
    QCOMPARE(layout.cmdEnter.height, 4060.0);
    QCOMPARE(layout.txtEnterFontSize, 6305.0 / 64);
    QCOMPARE(layout.Wiki.left, 92.5); // the link is centred on every size
    QCOMPARE(layout.Wiki.top, 1072.5);

    // Only the direction past its limit follows a later size.
    ArrangeMainLayout(layout, 9000, 2000);
    QCOMPARE(layout.Grid.width, 3000.0);
    QCOMPARE(layout.txtEnter.width, 4305.0);
    QCOMPARE(layout.Grid.height, 5400.0);
    ArrangeMainLayout(layout, 4000, 4000);
    QCOMPARE(layout.txtEnter.width, 4305.0);
    QCOMPARE(layout.Grid.height, 3400.0);
    QCOMPARE(layout.txtEnterFontSize, 4305.0 / 64);
}

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
