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

    // Two sessions: the first restores what is stored and closes in a state, the second reopens.
    // A window closed minimized reopens normal; one closed maximized reopens maximized and keeps its
    // normal placement; one never normal stores no placement and keeps its design one.
    void stateAcrossSessions_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("closedAs");
        QTest::addColumn<QRect>("restored"); // before the first show: no frame yet
        QTest::addColumn<QString>("storedAfter");
        const QRect placed(80, 60, 533, 400);
        QTest::newRow("normal, whole pixels")
            << "2;1200,900,7995,6000" << int(Qt::WindowNoState) << placed << "2;1200,900,7995,6000";
        QTest::newRow("maximized") << "2;1200,900,8000,6000" << int(Qt::WindowMaximized) << placed
                                   << "0;1200,900,8000,6000";
        QTest::newRow("minimized") << "2;1200,900,8000,6000" << int(Qt::WindowMinimized) << placed
                                   << "1;1200,900,8000,6000";
        QTest::newRow("maximized before any normal placement") << "" << int(Qt::WindowMaximized) << kDesign << "0;";
    }
    void stateAcrossSessions() {
        QFETCH(QString, stored);
        QFETCH(int, closedAs);
        QFETCH(QRect, restored);
        if (!stored.isEmpty())
            WriteSetting(kSetting, stored);
        {
            frmTestWindow window;
            SaveWndPos(&window, WndPos::Restore);
            QCOMPARE(QRect(window.pos(), window.size()), restored);
            QVERIFY(!window.isMaximized());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            if (closedAs == Qt::WindowNoState) {
                QVERIFY(window.geometry().width() < 533); // the frame takes its share of the outer size
                QTRY_COMPARE(window.frameGeometry(), restored);
            }
            window.setWindowState(Qt::WindowState(closedAs));
            QTRY_COMPARE(int(window.windowState()), closedAs);
            SaveWndPos(&window, WndPos::Save);
            QTEST(ReadSetting(kSetting).toString(), "storedAfter");
        }
        frmTestWindow window;
        if (closedAs == Qt::WindowMinimized)
            window.setWindowState(Qt::WindowMinimized);
        QVERIFY(RestoreAndShow(window));
        QVERIFY(!window.isMinimized());
        QCOMPARE(window.isMaximized(), closedAs == Qt::WindowMaximized);
        if (closedAs != Qt::WindowMaximized) {
            QTRY_COMPARE(window.frameGeometry(), restored);
        } else if (!stored.isEmpty()) {
            window.showNormal();
            QTRY_COMPARE(window.frameGeometry().topLeft(), restored.topLeft());
            QCOMPARE(window.size(), restored.size());
        }
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
