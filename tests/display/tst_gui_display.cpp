#include "app/Twips.h"
#include "display/frmDisplay.h"

#include "GuiFixture.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QSignalSpy>

#include <memory>

namespace {
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
    QCOMPARE(label->x(), 8); // 120 twips
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

    // At 15 twips a pixel: the frame keeps 120 twips (8 pixels) off each side, the label is as wide
    // as the frame, one point per 60 twips of its width, at most the frame's height in points. A step
    // that would size a control below nothing is skipped; the others still run.
    void fontFollowsWindowShape_data() {
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<QSize>("shape");
        QTest::addColumn<double>("points");
        QTest::newRow("design: 8040 x 3765 twips") << QSize(536, 251) << QSize(520, 235) << 130.0;
        QTest::newRow("wide: the height limits") << QSize(1600, 240) << QSize(1584, 224) << 168.0;
        QTest::newRow("tall") << QSize(320, 900) << QSize(304, 884) << 76.0;
        QTest::newRow("full HD") << QSize(1920, 1080) << QSize(1904, 1064) << 476.0;
        QTest::newRow("lower than its margins: the frame keeps its height")
            << QSize(600, 12) << QSize(584, 235) << 146.0;
        QTest::newRow("smaller than its margins: nothing resized") << QSize(14, 14) << QSize(520, 235) << 130.0;
    }

    void fontFollowsWindowShape() {
        QFETCH(QSize, inner);
        QFETCH(QSize, shape);
        QFETCH(double, points);
        frmDisplay window;
        QVERIFY(Open(window));
        QCOMPARE(TwipsPerPixelX(&window), 15.0);
        QVERIFY(Bib(window)->text().isEmpty());
        QCOMPARE(Bib(window)->font().weight(), QFont::Bold);
        window.resize(inner);
        QTRY_COMPARE(window.size(), inner);
        QCOMPARE(Shape(window)->size(), shape);
        QCOMPARE(Bib(window)->width(), shape.width());
        QCOMPARE(Bib(window)->font().pointSizeF(), points);
        VerifyLabelFromSample(window);

        // Five-digit bibs fit across, whatever face stands in for Arial.
        QVERIFY(QFontMetricsF(Bib(window)->font()).horizontalAdvance(QStringLiteral("99999")) <= Bib(window)->width());

        // The bib shown changes only the text, never the size of the digits or the label.
        const QRect geometry = Bib(window)->geometry();
        for (const QString& bib : {QStringLiteral("0"), QStringLiteral("12345678"), QStringLiteral("7")}) {
            window.ShowBib(bib);
            QCOMPARE(Bib(window)->text(), bib);
            QCOMPARE(Bib(window)->font().pointSizeF(), points);
            QCOMPARE(Bib(window)->geometry(), geometry);
        }
    }

    // Closing tells the owner and stores the placement; the next display opens with that size.
    void unloadStoresPlacementAndTellsOwner() {
        QPointer<frmDisplay> window = new frmDisplay;
        window->Form_Load();
        window->show();
        QCOMPARE(window->size(), QSize(536, 251)); // the design size before any is stored
        window->resize(700, 320);
        QTRY_COMPARE(window->size(), QSize(700, 320));
        QSignalSpy unloaded(window.data(), &frmDisplay::Unload);
        QVERIFY(window->close());
        QCOMPARE(unloaded.count(), 1);
        QTRY_VERIFY(window.isNull()); // a closed display is gone; it cannot be reopened by a bib

        frmDisplay next;
        QVERIFY(Open(next));
        QTRY_COMPARE(next.size(), QSize(700, 320));
        QCOMPARE(Bib(next)->font().pointSizeF(), 171.0); // 10260 twips of label
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestDisplay)
#include "tst_gui_display.moc"
