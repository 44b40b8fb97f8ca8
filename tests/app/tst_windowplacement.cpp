#include "app/WindowPlacement.h"

#include <QTest>

#include <optional>

// A field in the data tables: an invalid QVariant for "not restored", else the expected number.
namespace {
const QVariant kUnset;

QVariant Field(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}
} // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void parsesStepByStep_data();
    void parsesStepByStep();
    void restoreState_data();
    void restoreState();
    void textToStore_data();
    void textToStore();
    void storedNumbersReadBack();
    void convertsTwipsAndPixels();
    void placesOnScreen_data();
    void placesOnScreen();
};

void TestWindowPlacement::parsesStepByStep_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sizable");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QVariant>("left");
    QTest::addColumn<QVariant>("top");
    QTest::addColumn<QVariant>("width");
    QTest::addColumn<QVariant>("height");

    QTest::newRow("first start") << "" << true << "" << kUnset << kUnset << kUnset << kUnset;
    QTest::newRow("normal") << "2;1200,900,8000,6000" << true << "2" << QVariant(1200.0) << QVariant(900.0)
                            << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("fixed border reads left and top only")
        << "2;1200,900,8000,6000" << false << "2" << QVariant(1200.0) << QVariant(900.0) << kUnset << kUnset;
    QTest::newRow("maximized before any normal position")
        << "0;" << true << "0" << kUnset << kUnset << kUnset << kUnset;
    QTest::newRow("minimized") << "1;1200,900,8000,6000" << true << "1" << QVariant(1200.0) << QVariant(900.0)
                               << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("left of and above the primary screen") << "2;-300,-45,8000,6000" << true << "2" << QVariant(-300.0)
                                                          << QVariant(-45.0) << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("fractions and exponents") << "2;7.5,1.5E3,8000,6000" << true << "2" << QVariant(7.5)
                                             << QVariant(1500.0) << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("blanks around fields") << "2; 1200 , 900,8000 , 6000 " << true << "2" << QVariant(1200.0)
                                          << QVariant(900.0) << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("bad left skips only left")
        << "2;abc,900,8000,6000" << true << "2" << kUnset << QVariant(900.0) << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("empty top skips only top")
        << "2;1200,,8000,6000" << true << "2" << QVariant(1200.0) << kUnset << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("number with trailing junk is no number")
        << "2;1200,900x,8000,6000" << true << "2" << QVariant(1200.0) << kUnset << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("bad height") << "2;1200,900,8000,6000x" << true << "2" << QVariant(1200.0) << QVariant(900.0)
                                << QVariant(8000.0) << kUnset;
    QTest::newRow("height is the whole rest") << "2;1200,900,8000,6000,77" << true << "2" << QVariant(1200.0)
                                              << QVariant(900.0) << QVariant(8000.0) << kUnset;
    // Without its "," a step fails and the next one reads the same text again.
    QTest::newRow("missing comma keeps the rest")
        << "2;1200,900,8000" << true << "2" << QVariant(1200.0) << QVariant(900.0) << kUnset << QVariant(8000.0);
    QTest::newRow("too large for a number")
        << "2;1e999,900,8000,6000" << true << "2" << kUnset << QVariant(900.0) << QVariant(8000.0) << QVariant(6000.0);
    QTest::newRow("state only") << "2" << true << "2" << kUnset << kUnset << kUnset << kUnset;
}

void TestWindowPlacement::parsesStepByStep() {
    QFETCH(QString, text);
    QFETCH(bool, sizable);

    const StoredPlacement stored = ParsePlacement(text, sizable);

    QTEST(stored.state, "state");
    QTEST(Field(stored.left), "left");
    QTEST(Field(stored.top), "top");
    QTEST(Field(stored.width), "width");
    QTEST(Field(stored.height), "height");
}

void TestWindowPlacement::restoreState_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("maximizable");
    QTest::addColumn<RestoreState>("expected");

    QTest::newRow("first start") << "" << true << RestoreState::Keep;
    QTest::newRow("maximized") << "0" << true << RestoreState::Maximize;
    QTest::newRow("maximized but fixed border") << "0" << false << RestoreState::Normal;
    QTest::newRow("minimized reopens normal") << "1" << true << RestoreState::Normal;
    QTest::newRow("normal") << "2" << true << RestoreState::Normal;
    QTest::newRow("unknown state") << "7" << true << RestoreState::Normal;
}

void TestWindowPlacement::restoreState() {
    QFETCH(QString, state);
    QFETCH(bool, maximizable);
    QTEST(RestoreStateFor(state, maximizable), "expected");
}

void TestWindowPlacement::textToStore_data() {
    QTest::addColumn<PlacementState>("state");
    QTest::addColumn<QRectF>("current");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("expected");

    const QRectF normal(1200, 900, 8000, 6000);
    QTest::newRow("normal stores the current rectangle") << PlacementState::Normal << normal << "0;1,2,3,4"
                                                         << "2;1200,900,8000,6000";
    QTest::newRow("normal on first start") << PlacementState::Normal << normal << ""
                                           << "2;1200,900,8000,6000";
    QTest::newRow("negative positions") << PlacementState::Normal << QRectF(-300, -45, 8000, 6000) << ""
                                        << "2;-300,-45,8000,6000";
    QTest::newRow("fractions") << PlacementState::Normal << QRectF(7.5, 22.5, 8000, 6000) << ""
                               << "2;7.5,22.5,8000,6000";
    QTest::newRow("maximized keeps the normal rectangle")
        << PlacementState::Maximized << QRectF(0, 0, 1, 1) << "2;1200,900,8000,6000"
        << "0;1200,900,8000,6000";
    QTest::newRow("maximized before any normal position") << PlacementState::Maximized << normal << ""
                                                          << "0;";
    QTest::newRow("maximized again") << PlacementState::Maximized << normal << "0;"
                                     << "0;";
    QTest::newRow("minimized") << PlacementState::Minimized << normal << "0;1200,900,8000,6000"
                               << "1;1200,900,8000,6000";
    QTest::newRow("previous text of one character") << PlacementState::Minimized << normal << "2"
                                                    << "1;";
    QTest::newRow("previous text kept as it is") << PlacementState::Maximized << normal << "2;junk"
                                                 << "0;junk";
}

void TestWindowPlacement::textToStore() {
    QFETCH(PlacementState, state);
    QFETCH(QRectF, current);
    QFETCH(QString, previous);

    const TwipsRect twips{float(current.x()), float(current.y()), float(current.width()), float(current.height())};
    QTEST(PlacementText(state, twips, previous), "expected");
}

void TestWindowPlacement::storedNumbersReadBack() {
    // What one session stores, the next one reads back unchanged, whatever the screen resolution.
    const TwipsRect rect{PixelsToTwips(-20, 15), PixelsToTwips(3, 7.5), PixelsToTwips(1920, 15),
                         PixelsToTwips(8000, 15)};
    const QString text = PlacementText(PlacementState::Normal, rect, QString());
    QCOMPARE(text, QStringLiteral("2;-300,22.5,28800,120000"));

    const StoredPlacement stored = ParsePlacement(text, true);
    QCOMPARE(stored.left, std::optional<double>(-300));
    QCOMPARE(stored.top, std::optional<double>(22.5));
    QCOMPARE(stored.width, std::optional<double>(28800));
    QCOMPARE(stored.height, std::optional<double>(120000));
}

void TestWindowPlacement::convertsTwipsAndPixels() {
    QCOMPARE(TwipsPerPixel(96), 15.0);
    QCOMPARE(TwipsPerPixel(144), 10.0);
    QCOMPARE(TwipsPerPixel(0), 15.0); // no usable resolution: the common one

    QCOMPARE(PixelsToTwips(80, 15), 1200.0f);
    QCOMPARE(PixelsToTwips(-20, 15), -300.0f);

    QCOMPARE(TwipsToPixels(1200, 15), std::optional<int>(80));
    QCOMPARE(TwipsToPixels(-300, 15), std::optional<int>(-20));
    QCOMPARE(TwipsToPixels(7, 15), std::optional<int>(0));
    QCOMPARE(TwipsToPixels(8, 15), std::optional<int>(1));
    QCOMPARE(TwipsToPixels(-8, 15), std::optional<int>(-1));
    QCOMPARE(TwipsToPixels(22.5, 7.5), std::optional<int>(3));
    QCOMPARE(TwipsToPixels(3e8, 15), std::optional<int>());
    QCOMPARE(TwipsToPixels(-1e30, 15), std::optional<int>());
}

void TestWindowPlacement::placesOnScreen_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QRect>("primaryArea");

    const QRect primary(0, 0, 1920, 1040);
    const QRect right(1920, 0, 1920, 1040);
    const QRect left(-1280, 0, 1280, 984);

    QTest::newRow("on the primary screen")
        << QRect(100, 100, 800, 600) << QList<QRect>{primary} << QRect(100, 100, 800, 600) << primary;
    QTest::newRow("on the second screen")
        << QRect(2000, 100, 800, 600) << QList<QRect>{primary, right} << QRect(2000, 100, 800, 600) << primary;
    QTest::newRow("partly visible stays")
        << QRect(1900, 1000, 800, 600) << QList<QRect>{primary} << QRect(1900, 1000, 800, 600) << primary;
    QTest::newRow("right screen unplugged")
        << QRect(2000, 100, 800, 600) << QList<QRect>{primary} << QRect(1120, 100, 800, 600) << primary;
    QTest::newRow("left screen unplugged")
        << QRect(-1200, 200, 800, 600) << QList<QRect>{primary} << QRect(0, 200, 800, 600) << primary;
    QTest::newRow("above the screen") << QRect(100, -900, 800, 600) << QList<QRect>{primary, right}
                                      << QRect(100, 0, 800, 600) << primary;
    QTest::newRow("just past the corner")
        << QRect(1920, 1040, 800, 600) << QList<QRect>{primary} << QRect(1120, 440, 800, 600) << primary;
    QTest::newRow("larger than the screen")
        << QRect(5000, 5000, 2500, 1500) << QList<QRect>{primary} << QRect(0, 0, 2500, 1500) << primary;
    QTest::newRow("in the gap between screens")
        << QRect(-1280, 990, 400, 40) << QList<QRect>{primary, left} << QRect(0, 990, 400, 40) << primary;
    QTest::newRow("collapsed window off screen")
        << QRect(3000, 3000, 0, 0) << QList<QRect>{primary} << QRect(1919, 1039, 0, 0) << primary;
    QTest::newRow("collapsed window on screen")
        << QRect(10, 10, 0, 0) << QList<QRect>{primary} << QRect(10, 10, 0, 0) << primary;
    const QRect belowTaskbar(0, 40, 1920, 1040);
    QTest::newRow("taskbar at the top") << QRect(-3000, -3000, 800, 600) << QList<QRect>{belowTaskbar}
                                        << QRect(0, 40, 800, 600) << belowTaskbar;
    QTest::newRow("no screens") << QRect(5000, 5000, 800, 600) << QList<QRect>{} << QRect(5000, 5000, 800, 600)
                                << primary;
}

void TestWindowPlacement::placesOnScreen() {
    QFETCH(QRect, frame);
    QFETCH(QList<QRect>, areas);
    QFETCH(QRect, primaryArea);
    QTEST(PlaceOnScreen(frame, areas, primaryArea), "expected");
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
