#include "recording/MainLayout.h"

#include <QSizeF>
#include <QtTest>

// The main window's layout in twips for given inner sizes, without a window.
class TestMainLayout : public QObject {
    Q_OBJECT

private slots:
    void arrangesForSize_data() {
        QTest::addColumn<QList<QSizeF>>("earlier"); // sizes arranged before
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("fontSize");
        // grid left and width, frame left, entry width, the common height of entry box, frame and grid,
        // the button's height, wiki left and top
        QTest::addColumn<QList<double>>("figures");
        const auto row = [](const char* name, QSizeF size, double fontSize, const QList<double>& figures,
                            const QList<QSizeF>& earlier = {}) {
            QTest::newRow(name) << earlier << size << fontSize << figures;
        };
        // A third of 9000 is less than 3000, so the grid keeps 3000.
        row("9000 wide", {9000, 5000}, 4305.0 / 64, {6000, 3000, 4425, 4305, 4400, 3060, 2092.5, 2072.5});
        row("12000 wide: a third", {12000, 5000}, 6305.0 / 64, {8000, 4000, 6425, 6305, 4400, 3060, 3592.5, 2072.5});
        // The design box is limited by its width: 3615 / 64, about 56.5 points.
        row("design size", {5000, 3000}, 3615.0 / 64, {5520, 3015, 3840, 3615, 3495, 2175, 92.5, 1072.5});
        row("tall and narrow: width limits the font", {4000, 12000}, 3615.0 / 64,
            {5520, 3015, 3840, 3615, 11400, 10060, 0, 5572.5});
        row("wide and flat: height limits the font", {30000, 2000}, 3495.0 / 25,
            {20000, 10000, 18425, 18305, 3495, 2175, 12592.5, 572.5});
        row("smaller than the wiki link", {3000, 500}, 3615.0 / 64, {5520, 3015, 3840, 3615, 3495, 2175, 0, 0});
        row("just above both limits", {5001, 3001}, 306.0 / 64, {2001, 3000, 426, 306, 2401, 1061, 93, 1073});
        // A narrow or low window keeps that direction as it was, not the design; the link is centred.
        row("narrow and low after large", {5000, 3000}, 6305.0 / 64, {8000, 4000, 6425, 6305, 5400, 4060, 92.5, 1072.5},
            {{12000, 6000}});
        row("only the width follows", {9000, 2000}, 4305.0 / 64, {6000, 3000, 4425, 4305, 5400, 4060, 2092.5, 572.5},
            {{12000, 6000}, {5000, 3000}});
        row("only the height follows", {4000, 4000}, 4305.0 / 64, {6000, 3000, 4425, 4305, 3400, 2060, 0, 1572.5},
            {{12000, 6000}, {5000, 3000}, {9000, 2000}});
    }
    void arrangesForSize() {
        QFETCH(QList<QSizeF>, earlier);
        QFETCH(QSizeF, size);
        QFETCH(double, fontSize);
        MainLayout layout;
        for (const QSizeF& before : earlier)
            ArrangeMainLayout(layout, before.width(), before.height());
        ArrangeMainLayout(layout, size.width(), size.height());
        QTEST((QList<double>{layout.Grid.left, layout.Grid.width, layout.fraFrame.left, layout.txtEnter.width,
                             layout.Grid.height, layout.cmdEnter.height, layout.Wiki.left, layout.Wiki.top}),
              "figures");
        QCOMPARE(layout.fraFrame.height, layout.Grid.height);
        QCOMPARE(layout.txtEnter.height, layout.Grid.height);
        QVERIFY2(qAbs(layout.txtEnterFontSize - fontSize) < 1e-3,
                 qPrintable(QStringLiteral("font %1, expected %2").arg(layout.txtEnterFontSize).arg(fontSize)));

        // What the layout never moves: the tops, the frame's width, the button inside the frame.
        const QList<double> fixed{layout.txtEnter.top,  layout.fraFrame.top,   layout.Grid.top,
                                  layout.txtEnter.left, layout.fraFrame.width, layout.cmdEnter.left,
                                  layout.cmdEnter.top,  layout.cmdEnter.width, layout.Wiki.width,
                                  layout.Wiki.height};
        QCOMPARE(fixed, (QList<double>{120, 120, 120, 120, 1575, 120, 1340, 1335, 4815, 855}));
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
