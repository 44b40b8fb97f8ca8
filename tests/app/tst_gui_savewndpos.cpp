#include "app/SaveWndPos.h"
#include "app/Settings.h"

#include "GuiFixture.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

#include <memory>

// A top-level window of its own class, so its setting is "WndPos_frmTestWindow".
class frmTestWindow : public QMainWindow {
    Q_OBJECT

public:
    frmTestWindow() {
        move(30, 40); // design-time placement
        resize(300, 200);
    }
};

namespace {
const QString kSetting = QStringLiteral("WndPos_frmTestWindow");

const QRect kDesign(30, 40, 300, 200);

// Restores the stored placement, then shows the window.
bool RestoreAndShow(QWidget& window) {
    SaveWndPos(&window, WndPos::Restore);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

// Stored numbers for a pixel value on the test screen.
QString Twips(int pixels, double dotsPerInch) {
    return QString::number(pixels * 1440.0 / dotsPerInch, 'g', 7);
}
} // namespace

class TestSaveWndPos : public QObject {
    Q_OBJECT

private slots:
    // The stored numbers in these tests are 15 twips a pixel.
    void initTestCase() { QCOMPARE(qApp->primaryScreen()->logicalDotsPerInch(), 96.0); }

    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // nothing here reports
        m_f.reset();
    }

    void firstStartKeepsDesignAndStoresNormal() {
        frmTestWindow window;
        SaveWndPos(&window, WndPos::Restore);
        QCOMPARE(QRect(window.pos(), window.size()), kDesign);
        QVERIFY(!ReadSetting(kSetting).isValid()); // restoring writes nothing

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.move(45, 60);
        QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(45, 60));

        SaveWndPos(&window, WndPos::Save);
        const QRect frame = window.frameGeometry();
        const double dpiX = window.screen()->logicalDotsPerInchX();
        const double dpiY = window.screen()->logicalDotsPerInchY();
        QCOMPARE(ReadSetting(kSetting).toString(), QStringLiteral("2;%1,%2,%3,%4")
                                                       .arg(Twips(frame.left(), dpiX), Twips(frame.top(), dpiY),
                                                            Twips(frame.width(), dpiX), Twips(frame.height(), dpiY)));
    }

    void normalPlacementSurvivesSessions() {
        const QString stored = QStringLiteral("2;1200,900,7995,6000"); // whole pixels, so nothing is rounded
        WriteSetting(kSetting, stored);
        for (int session = 0; session < 2; ++session) {
            frmTestWindow window;
            QVERIFY(RestoreAndShow(window));
            QVERIFY(window.geometry().width() < 533); // the frame takes its share of the outer size
            QTRY_COMPARE(window.frameGeometry(), QRect(80, 60, 533, 400));
            SaveWndPos(&window, WndPos::Save);
            QCOMPARE(ReadSetting(kSetting).toString(), stored);
        }
    }

    void closedMaximizedReopensMaximizedWithNormalPlacement() {
        WriteSetting(kSetting, QStringLiteral("2;1200,900,8000,6000"));
        {
            frmTestWindow window;
            SaveWndPos(&window, WndPos::Restore);
            // The frame is not known before the window is shown: outer and inner size agree then.
            QCOMPARE(window.frameGeometry(), QRect(80, 60, 533, 400));
            QVERIFY(!window.isMaximized());

            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.showMaximized();
            QTRY_VERIFY(window.isMaximized());
            SaveWndPos(&window, WndPos::Save);
            QCOMPARE(ReadSetting(kSetting).toString(), QStringLiteral("0;1200,900,8000,6000"));
        }

        frmTestWindow window;
        QVERIFY(RestoreAndShow(window));
        QVERIFY(window.isMaximized());
        window.showNormal();
        QTRY_VERIFY(!window.isMaximized());
        QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(80, 60));
        QCOMPARE(window.size(), QSize(533, 400));
    }

    void maximizedBeforeAnyNormalPlacement() {
        {
            frmTestWindow window;
            SaveWndPos(&window, WndPos::Restore);
            window.showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTRY_VERIFY(window.isMaximized());
            SaveWndPos(&window, WndPos::Save);
            QCOMPARE(ReadSetting(kSetting).toString(), QStringLiteral("0;"));
        }

        frmTestWindow window;
        SaveWndPos(&window, WndPos::Restore);
        QCOMPARE(QRect(window.pos(), window.size()), kDesign);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.isMaximized());
    }

    void closedMinimizedReopensNormal() {
        WriteSetting(kSetting, QStringLiteral("2;1200,900,8000,6000"));
        {
            frmTestWindow window;
            QVERIFY(RestoreAndShow(window));
            window.showMinimized();
            QTRY_VERIFY(window.isMinimized());
            SaveWndPos(&window, WndPos::Save);
            QCOMPARE(ReadSetting(kSetting).toString(), QStringLiteral("1;1200,900,8000,6000"));
        }

        frmTestWindow window;
        window.setWindowState(Qt::WindowMinimized);
        SaveWndPos(&window, WndPos::Restore);
        QCOMPARE(window.windowState(), Qt::WindowNoState);
        QCOMPARE(window.frameGeometry(), QRect(80, 60, 533, 400));
    }

    void fixedSizeWindowGetsOnlyItsPosition() {
        WriteSetting(kSetting, QStringLiteral("0;1200,900,8000,6000"));
        frmTestWindow window;
        window.setFixedSize(300, 200);
        SaveWndPos(&window, WndPos::Restore);
        QCOMPARE(window.frameGeometry(), QRect(80, 60, 300, 200));
        QCOMPARE(window.windowState(), Qt::WindowNoState); // a fixed window is never maximized

        frmTestWindow hinted; // resizable by its limits, but marked as a fixed dialog
        hinted.setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
        SaveWndPos(&hinted, WndPos::Restore);
        QCOMPARE(hinted.frameGeometry(), QRect(80, 60, 300, 200));
        QVERIFY(!hinted.isMaximized());
    }

    void offScreenPlacementComesBackOnScreen() {
        // As if the window was last open on a second monitor right of the primary one.
        const QString stored = QStringLiteral("2;90000,1500,3000,2250");
        WriteSetting(kSetting, stored);
        frmTestWindow window;
        SaveWndPos(&window, WndPos::Restore);

        const QRect area = qApp->primaryScreen()->availableGeometry();
        QCOMPARE(window.size(), QSize(200, 150));
        QVERIFY2(area.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2").arg(window.x()).arg(window.y())));
        QCOMPARE(window.frameGeometry().right(), area.right());
        QCOMPARE(window.y(), 100);
        QCOMPARE(ReadSetting(kSetting).toString(), stored);
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestSaveWndPos)
#include "tst_gui_savewndpos.moc"
