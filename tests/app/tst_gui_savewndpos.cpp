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
} // namespace

// A real window restored and saved through its setting; the figures themselves are the
// placement table's. The stored numbers here are 15 twips a pixel.
class TestSaveWndPos : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qApp->primaryScreen()->logicalDotsPerInch(), 96.0); }
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // Two sessions: the first restores what is stored and closes in a state, the second reopens.
    // A window closed minimized reopens normal; one closed maximized reopens maximized and keeps its
    // normal placement.
    void stateAcrossSessions_data() {
        QTest::addColumn<int>("closedAs");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("normal") << int(Qt::WindowNoState) << "2;1200,900,7995,6000";
        QTest::newRow("maximized") << int(Qt::WindowMaximized) << "0;1200,900,7995,6000";
        QTest::newRow("minimized") << int(Qt::WindowMinimized) << "1;1200,900,7995,6000";
    }
    void stateAcrossSessions() {
        QFETCH(int, closedAs);
        const QRect restored(80, 60, 533, 400); // the outer frame, the window inside it
        WriteSetting(kSetting, QStringLiteral("2;1200,900,7995,6000"));
        for (int session = 1; session <= 2; ++session) {
            frmTestWindow window;
            if (session == 2 && closedAs == Qt::WindowMinimized)
                window.setWindowState(Qt::WindowMinimized);
            SaveWndPos(&window, WndPos::Restore);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(!window.isMinimized());
            QCOMPARE(window.isMaximized(), session == 2 && closedAs == Qt::WindowMaximized);
            if (window.isMaximized()) { // keeps its normal placement beneath
                window.showNormal();
                QTRY_COMPARE(window.frameGeometry().topLeft(), restored.topLeft());
                QCOMPARE(window.size(), restored.size());
                break;
            }
            QTRY_COMPARE(window.frameGeometry(), restored);
            QVERIFY(window.geometry().width() < restored.width());
            if (session == 2)
                break;
            window.setWindowState(Qt::WindowState(closedAs));
            QTRY_COMPARE(int(window.windowState()), closedAs);
            SaveWndPos(&window, WndPos::Save);
            QTEST(ReadSetting(kSetting).toString(), "storedAfter");
        }
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestSaveWndPos)
#include "tst_gui_savewndpos.moc"
