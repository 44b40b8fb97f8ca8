#include "app/Settings.h"
#include "app/Twips.h"
#include "display/frmDisplay.h"

#include "GuiFixture.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {
constexpr double kMargin = 120;

// The font size a window of this inner size must get: one point per 60 twips of label width,
// at most the frame's height in points.
double ExpectedFontSize(const QWidget* window, QSize inner) {
    const double labelWidth = PixelsToTwipsX(inner.width() - 2 * TwipsToPixelsX(kMargin, window), window);
    const double shapeHeight = PixelsToTwipsY(inner.height() - 2 * TwipsToPixelsY(kMargin, window), window);
    return std::min(labelWidth / 60, shapeHeight / 20);
}

QLabel* Bib(frmDisplay& window) {
    return Find<QLabel>(&window, "lblBib");
}
QFrame* Shape(frmDisplay& window) {
    return Find<QFrame>(&window, "Shape1");
}

// Loads and shows a display kept alive by the test.
bool Open(frmDisplay& window) {
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.Form_Load();
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

// The label's height comes from "1234" in the window's own font; it is centred in the window.
void VerifyLabelFromSample(frmDisplay& window) {
    const QLabel* label = Bib(window);
    QCOMPARE(window.font().pointSizeF(), QFontInfo(label->font()).pointSizeF());
    const double sample = QFontMetricsF(window.font()).size(Qt::TextSingleLine, QStringLiteral("1234")).height();
    QCOMPARE(label->height(), TwipsToPixelsY(sample * TwipsPerPixelY(&window) * 1.1, &window));
    const double top = (PixelsToTwipsY(window.height(), &window) - PixelsToTwipsY(label->height(), &window)) / 2;
    QCOMPARE(label->y(), TwipsToPixelsY(top, &window));
    QCOMPARE(label->x(), TwipsToPixelsX(kMargin, &window));
}
} // namespace

class TestDisplay : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->UseLanguage();
    }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // nothing here reports
        m_f.reset();
    }

    void fontFollowsWindowShape_data() {
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<bool>("limitedByHeight");
        // 8040 x 3765 twips inside: frame 7800 x 3525, label 7800 wide, min(130, 176.25) points.
        QTest::newRow("design") << QSize() << false;
        QTest::newRow("wide") << QSize(1600, 240) << true;
        QTest::newRow("tall") << QSize(320, 900) << false;
        QTest::newRow("full HD") << QSize(1920, 1080) << false;
    }

    void fontFollowsWindowShape() {
        QFETCH(QSize, inner);
        QFETCH(bool, limitedByHeight);
        frmDisplay window;
        QVERIFY(Open(window));
        QVERIFY(Bib(window)->text().isEmpty());
        QCOMPARE(Bib(window)->font().weight(), QFont::Bold);
        if (inner.isEmpty()) {
            inner = window.size();
            QCOMPARE(PixelsToTwipsX(inner.width(), &window), 8040.0);
            QCOMPARE(PixelsToTwipsY(inner.height(), &window), 3765.0);
            QCOMPARE(ExpectedFontSize(&window, inner), 130.0);
        }
        window.resize(inner);
        QTRY_COMPARE(window.size(), inner);

        const double expected = ExpectedFontSize(&window, inner);
        const double byHeight = PixelsToTwipsY(Shape(window)->height(), &window) / 20;
        QCOMPARE(byHeight == expected, limitedByHeight);
        QCOMPARE(Bib(window)->font().pointSizeF(), expected);
        QCOMPARE(Shape(window)->size(), inner - QSize(2, 2) * TwipsToPixelsX(kMargin, &window));
        QCOMPARE(Bib(window)->width(), Shape(window)->width());
        VerifyLabelFromSample(window);

        // Five-digit bibs fit across, whatever face stands in for Arial.
        QVERIFY(QFontMetricsF(Bib(window)->font()).horizontalAdvance(QStringLiteral("99999")) <= Bib(window)->width());

        // The bib shown changes only the text, never the size of the digits or the label.
        const QRect geometry = Bib(window)->geometry();
        for (const QString& bib : {QStringLiteral("0"), QStringLiteral("12345678"), QStringLiteral("7")}) {
            window.ShowBib(bib);
            QCOMPARE(Bib(window)->text(), bib);
            QCOMPARE(Bib(window)->font().pointSizeF(), expected);
            QCOMPARE(Bib(window)->geometry(), geometry);
        }
    }

    void tooSmallWindowSkipsOnlyFailingSteps() {
        frmDisplay window;
        QVERIFY(Open(window));
        const int margins = 2 * TwipsToPixelsX(kMargin, &window);
        const int designShapeHeight = Shape(window)->height();

        // Lower than its margins: the frame keeps its height, the widths still follow.
        window.resize(600, margins - 4);
        QTRY_COMPARE(window.height(), margins - 4);
        QCOMPARE(Shape(window)->size(), QSize(600 - margins, designShapeHeight));
        QCOMPARE(Bib(window)->width(), 600 - margins);
        QCOMPARE(Bib(window)->font().pointSizeF(), std::min(PixelsToTwipsX(600 - margins, &window) / 60,
                                                            PixelsToTwipsY(designShapeHeight, &window) / 20));
        VerifyLabelFromSample(window);

        // Smaller than the margins both ways: nothing is resized, the font stays.
        const double before = Bib(window)->font().pointSizeF();
        window.resize(margins - 2, margins - 2);
        QTRY_COMPARE(window.width(), margins - 2);
        QCOMPARE(Shape(window)->size(), QSize(600 - margins, designShapeHeight));
        QCOMPARE(Bib(window)->font().pointSizeF(), before);
    }

    // Closing tells the owner and stores the placement; the next display opens with that size.
    void unloadStoresPlacementAndTellsOwner() {
        QPointer<frmDisplay> window = new frmDisplay;
        window->Form_Load();
        window->show();
        window->resize(700, 320);
        QTRY_COMPARE(window->size(), QSize(700, 320));
        QSignalSpy unloaded(window.data(), &frmDisplay::Unload);
        QVERIFY(window->close());
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmDisplay")).toString().startsWith(QStringLiteral("2;")));
        QTRY_VERIFY(window.isNull()); // a closed display is gone; it cannot be reopened by a bib

        frmDisplay next;
        QVERIFY(Open(next));
        QTRY_COMPARE(next.size(), QSize(700, 320));
        QCOMPARE(Bib(next)->font().pointSizeF(), ExpectedFontSize(&next, QSize(700, 320)));
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestDisplay)
#include "tst_gui_display.moc"
