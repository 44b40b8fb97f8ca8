#include "base/WindowPlacement.h"

#include <QTest>

#include <optional>

namespace {
// A parsed placement as text: "state|left|top|width|height", "-" for a field not restored.
QString Fields(const StoredPlacement& stored) {
    QStringList fields{stored.state};
    for (const std::optional<double>& value : {stored.left, stored.top, stored.width, stored.height})
        fields << (value ? QString::number(*value) : QStringLiteral("-"));
    return fields.join(QLatin1Char('|'));
}
} // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void parsesStepByStep() {
        struct Case {
            const char* text;
            bool sizable;
            const char* expected;
        };
        const Case cases[] = {
            {"", true, "|-|-|-|-"}, // first start
            {"2;1200,900,8000,6000", true, "2|1200|900|8000|6000"},
            {"2;1200,900,8000,6000", false, "2|1200|900|-|-"}, // a fixed border reads left and top only
            {"0;", true, "0|-|-|-|-"},                         // maximized before any normal position
            {"2;-300,-45,8000,6000", true, "2|-300|-45|8000|6000"},
            {"2;7.5,1.5E3,8000,6000", true, "2|7.5|1500|8000|6000"},
            {"2; 1200 , 900,8000 , 6000 ", true, "2|1200|900|8000|6000"},
            {"2;abc,900,8000,6000", true, "2|-|900|8000|6000"},     // a bad field skips only itself
            {"2;1200,900x,8000,6000", true, "2|1200|-|8000|6000"},  // trailing junk makes no number
            {"2;1200,900,8000,6000,77", true, "2|1200|900|8000|-"}, // the height is the whole rest
            // Without its "," a step fails and the next one reads the same text again.
            {"2;1200,900,8000", true, "2|1200|900|-|8000"},
            {"2;1e999,900,8000,6000", true, "2|-|900|8000|6000"}, // too large for a number
            {"2", true, "2|-|-|-|-"},
        };
        for (const Case& c : cases)
            QCOMPARE(Fields(ParsePlacement(QLatin1String(c.text), c.sizable)), QLatin1String(c.expected));
    }

    void restoreState() {
        QCOMPARE(RestoreStateFor(QString(), true), RestoreState::Keep); // first start
        QCOMPARE(RestoreStateFor(QStringLiteral("0"), true), RestoreState::Maximize);
        QCOMPARE(RestoreStateFor(QStringLiteral("0"), false), RestoreState::Normal); // fixed border
        QCOMPARE(RestoreStateFor(QStringLiteral("1"), true), RestoreState::Normal);  // minimized reopens normal
        QCOMPARE(RestoreStateFor(QStringLiteral("7"), true), RestoreState::Normal);
    }

    void textToStore() {
        struct Case {
            PlacementState state;
            TwipsRect current;
            const char *previous, *expected;
        };
        const TwipsRect normal{1200, 900, 8000, 6000};
        const Case cases[] = {
            {PlacementState::Normal, normal, "0;1,2,3,4", "2;1200,900,8000,6000"},
            // What one session stores, the next reads back unchanged, whatever the screen resolution.
            {PlacementState::Normal, {-300, 22.5, 28800, 120000}, "", "2;-300,22.5,28800,120000"},
            // Maximized and minimized keep the normal rectangle stored before, whatever it holds.
            {PlacementState::Maximized, {0, 0, 1, 1}, "2;1200,900,8000,6000", "0;1200,900,8000,6000"},
            {PlacementState::Maximized, normal, "", "0;"},
            {PlacementState::Minimized, normal, "0;1200,900,8000,6000", "1;1200,900,8000,6000"},
            {PlacementState::Maximized, normal, "2;junk", "0;junk"},
        };
        for (const Case& c : cases)
            QCOMPARE(PlacementText(c.state, c.current, QLatin1String(c.previous)), QLatin1String(c.expected));
    }

    void convertsTwipsAndPixels() {
        QCOMPARE(TwipsPerPixel(0), 15.0); // no usable resolution: the common one
        QCOMPARE(PixelsToTwips(-20, 15), -300.0f);
        QCOMPARE(TwipsToPixels(1200, 15), std::optional<int>(80));
        QCOMPARE(TwipsToPixels(7, 15), std::optional<int>(0));
        QCOMPARE(TwipsToPixels(8, 15), std::optional<int>(1));
        QCOMPARE(TwipsToPixels(-8, 15), std::optional<int>(-1));
        QCOMPARE(TwipsToPixels(22.5, 7.5), std::optional<int>(3));
        QCOMPARE(TwipsToPixels(3e8, 15), std::optional<int>());
        QCOMPARE(TwipsToPixels(-1e30, 15), std::optional<int>());
    }

    void placesOnScreen() {
        const QRect primary(0, 0, 1920, 1040), right(1920, 0, 1920, 1040), left(-1280, 0, 1280, 984);
        const QRect belowTaskbar(0, 40, 1920, 1040);
        struct Case {
            QRect frame;
            QList<QRect> areas;
            QRect expected;
            QRect primaryArea;
        };
        const Case cases[] = {
            {{100, 100, 800, 600}, {primary}, {100, 100, 800, 600}, primary},
            {{2000, 100, 800, 600}, {primary, right}, {2000, 100, 800, 600}, primary}, // on the second screen
            {{1900, 1000, 800, 600}, {primary}, {1900, 1000, 800, 600}, primary},      // partly visible stays
            {{2000, 100, 800, 600}, {primary}, {1120, 100, 800, 600}, primary},        // right screen unplugged
            {{-1200, 200, 800, 600}, {primary}, {0, 200, 800, 600}, primary},          // left screen unplugged
            {{1920, 1040, 800, 600}, {primary}, {1120, 440, 800, 600}, primary},       // just past the corner
            {{5000, 5000, 2500, 1500}, {primary}, {0, 0, 2500, 1500}, primary},        // larger than the screen
            {{-1280, 990, 400, 40}, {primary, left}, {0, 990, 400, 40}, primary},      // in the gap between screens
            {{3000, 3000, 0, 0}, {primary}, {1919, 1039, 0, 0}, primary},              // collapsed, off screen
            {{-3000, -3000, 800, 600}, {belowTaskbar}, {0, 40, 800, 600}, belowTaskbar},
            {{5000, 5000, 800, 600}, {}, {5000, 5000, 800, 600}, primary}, // no screens
        };
        for (const Case& c : cases)
            QCOMPARE(PlaceOnScreen(c.frame, c.areas, c.primaryArea), c.expected);
    }
};

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
