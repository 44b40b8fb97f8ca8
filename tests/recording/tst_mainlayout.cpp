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
    QTest::addColumn<double>("fontSize");
    // grid left and width, frame left, entry width, the common height of entry box, frame and grid,
    // wiki left and top
    QTest::addColumn<QList<double>>("figures");
    // A third of 9000 is less than 3000, so the grid keeps 3000.
    QTest::newRow("9000 wide") << 9000.0 << 5000.0 << 4305.0 / 64
                               << QList<double>{6000, 3000, 4425, 4305, 4400, 2092.5, 2072.5};
    QTest::newRow("12000 wide: a third") << 12000.0 << 5000.0 << 6305.0 / 64
                                         << QList<double>{8000, 4000, 6425, 6305, 4400, 3592.5, 2072.5};
    // The design box is limited by its width: 3615 / 64, about 56.5 points.
    QTest::newRow("design size") << 5000.0 << 3000.0 << 3615.0 / 64
                                 << QList<double>{5520, 3015, 3840, 3615, 3495, 92.5, 1072.5};
    QTest::newRow("tall and narrow: width limits the font")
        << 4000.0 << 12000.0 << 3615.0 / 64 << QList<double>{5520, 3015, 3840, 3615, 11400, 0, 5572.5};
    QTest::newRow("wide and flat: height limits the font")
        << 30000.0 << 2000.0 << 3495.0 / 25 << QList<double>{20000, 10000, 18425, 18305, 3495, 12592.5, 572.5};
    QTest::newRow("smaller than the wiki link")
        << 3000.0 << 500.0 << 3615.0 / 64 << QList<double>{5520, 3015, 3840, 3615, 3495, 0, 0};
    QTest::newRow("just above both limits")
        << 5001.0 << 3001.0 << 306.0 / 64 << QList<double>{2001, 3000, 426, 306, 2401, 93, 1073};
}

void TestMainLayout::arrangesForSize() {
    QFETCH(double, W);
    QFETCH(double, H);
    QFETCH(double, fontSize);
    QFETCH(QList<double>, figures);
    const double height = figures.at(4);
    MainLayout layout;
    ArrangeMainLayout(layout, W, H);
    QCOMPARE((QList<double>{layout.Grid.left, layout.Grid.width, layout.fraFrame.left, layout.txtEnter.width,
                            layout.Grid.height, layout.Wiki.left, layout.Wiki.top}),
             figures);
    QCOMPARE(layout.fraFrame.height, height);
    QCOMPARE(layout.txtEnter.height, height);
    // In a tall window the button reaches down to the frame's bottom edge; else it keeps the design's.
    QCOMPARE(layout.cmdEnter.height, H > 3000 ? height - 1340 : 2175.0);
    QVERIFY2(qAbs(layout.txtEnterFontSize - fontSize) < 1e-3,
             qPrintable(QStringLiteral("font %1, expected %2").arg(layout.txtEnterFontSize).arg(fontSize)));

    // What the layout never moves: the tops, the frame's width, the button inside the frame.
    const QList<double> fixed{layout.txtEnter.top,   layout.fraFrame.top,  layout.Grid.top,     layout.txtEnter.left,
                              layout.fraFrame.width, layout.cmdEnter.left, layout.cmdEnter.top, layout.cmdEnter.width,
                              layout.Wiki.width,     layout.Wiki.height};
    QCOMPARE(fixed, (QList<double>{120, 120, 120, 120, 1575, 120, 1340, 1335, 4815, 855}));
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
