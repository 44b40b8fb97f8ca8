#include "base/Twips.h"
#include "display/frmDisplay.h"

#include "GuiFixture.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QSignalSpy>

#include <memory>

namespace {
// Loads and shows a display kept alive by the test.
bool Open(frmDisplay& window) {
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.Form_Load();
    window.show();
    return QTest::qWaitForWindowExposed(&window);
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

    // At 15 twips a pixel: the frame keeps 120 twips (8 pixels) off each side, the label is as wide as the
    // frame, one point per 60 twips of its width, at most the frame's height in points; a step sizing a
    // control below nothing is skipped. The label's height comes from "1234" in the window's own font, and
    // it is centred. Closing tells the owner; the next display opens with the stored size.
    void fontFollowsWindowShape_data() {
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<QSize>("shape");
        QTest::addColumn<double>("points");
        QTest::newRow("design: 8040 x 3765 twips") << QSize(536, 251) << QSize(520, 235) << 130.0;
        QTest::newRow("wide: the height limits") << QSize(1600, 240) << QSize(1584, 224) << 168.0;
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
        QCOMPARE(window.size(), QSize(536, 251)); // the design size while none is stored
        window.resize(inner);
        QTRY_COMPARE(window.size(), inner);
        QCOMPARE(Find<QFrame>(&window, "Shape1")->size(), shape);
        QLabel* label = Find<QLabel>(&window, "lblBib");
        QCOMPARE(label->width(), shape.width());
        QCOMPARE(label->font().pointSizeF(), points);
        QCOMPARE(window.font().pointSizeF(), QFontInfo(label->font()).pointSizeF());
        const double sample = QFontMetricsF(window.font()).size(Qt::TextSingleLine, QStringLiteral("1234")).height();
        QCOMPARE(label->height(), TwipsToPixelsY(sample * TwipsPerPixelY(&window) * 1.1, &window));
        QVERIFY(qAbs(label->geometry().center().y() - window.rect().center().y()) <= 1);
        QCOMPARE(label->x(), 8); // 120 twips
        // Five-digit bibs fit across, whatever face stands in for Arial.
        QVERIFY(QFontMetricsF(label->font()).horizontalAdvance(QStringLiteral("99999")) <= label->width());
        // The bib shown changes only the text, never the size of the digits or the label.
        const QRect geometry = label->geometry();
        window.ShowBib(QStringLiteral("12345678"));
        QCOMPARE(label->font().pointSizeF(), points);
        QCOMPARE(label->geometry(), geometry);

        QSignalSpy unloaded(&window, &frmDisplay::Unload);
        QVERIFY(window.close());
        QCOMPARE(unloaded.count(), 1);
        frmDisplay next;
        QVERIFY(Open(next));
        QTRY_COMPARE(next.size(), inner);
        if (shape == inner - QSize(16, 16)) // with room for its margins it looks the same again
            QCOMPARE(Find<QLabel>(&next, "lblBib")->font().pointSizeF(), points);
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestDisplay)
#include "tst_gui_display.moc"
