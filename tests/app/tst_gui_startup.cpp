#include "app/SaveWndPos.h"
#include "app/Settings.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QMainWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

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

// Presses the first key combination the platform binds to a standard key.
void Press(QWidget* target, QKeySequence::StandardKey key) {
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    QVERIFY2(!bindings.isEmpty(), "the platform binds no key to this command");
    QTest::keyClick(target, bindings.first()[0].key(), bindings.first()[0].keyboardModifiers());
}
} // namespace

// The main window from load to unload, and a window's placement restored and saved across sessions
// (stored numbers at 15 twips a pixel; the figures themselves are the placement table's).
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qApp->primaryScreen()->logicalDotsPerInch(), 96.0); }
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void firstStartCheckBoxesAndQuit() {
        QVERIFY(m_f->Load());
        frmMain* window = m_f->window;
        // Beside the guide link a line says how to start, with the shortcuts.
        const QString hint = Find<QLabel>(window, "lblStart")->text();
        QVERIFY(Find<QWidget>(window, "lblStart")->isVisible() && Find<QWidget>(window, "Wiki")->isVisible());
        QVERIFY2(hint.contains(QLatin1String("Ctrl+N")) && hint.contains(QLatin1String("Ctrl+O")), qPrintable(hint));
        for (const char* hidden : {"txtEnter", "fraFrame", "Grid", "StatusBar"})
            QVERIFY2(!Find<QWidget>(window, hidden)->isVisible(), hidden);
        for (const char* disabled : {"mnuFile_Close", "mnuFile_Print", "mnuFile_Export"})
            QVERIFY2(!Find<QAction>(window, disabled)->isEnabled(), disabled);
        for (QAction* recent : window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM")))
            QVERIFY(!recent->isVisible());
        // F11, Enter, the digits and the grid's keys belong to the window: no menu command takes them.
        QList<QKeySequence> own{QKeySequence(Qt::Key_F11),    QKeySequence(Qt::Key_F12),
                                QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                QKeySequence(Qt::Key_End),    QKeySequence(Qt::Key_Home),
                                QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_PageDown),
                                QKeySequence(Qt::Key_Up),     QKeySequence(Qt::Key_Down)};
        for (int digit = Qt::Key_0; digit <= Qt::Key_9; ++digit)
            own << QKeySequence(digit);
        for (QAction* action : window->findChildren<QAction*>())
            for (const QKeySequence& shortcut : action->shortcuts())
                QVERIFY2(!own.contains(shortcut), qPrintable(action->objectName() + " " + shortcut.toString()));
        QTest::keyClick(window, Qt::Key_F11); // nothing to focus while no file is open
        QVERIFY(!m_f->Entry()->hasFocus());

        // The check boxes start from their settings (catching even before a file is open) and are
        // stored with the window's placement at unload.
        const auto checked = [this](const char* name) { return Find<QCheckBox>(m_f->window, name)->isChecked(); };
        QVERIFY(m_f->CloseWindow());
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        QVERIFY(m_f->Load());
        QVERIFY(checked("chkBeep") && !checked("chkCatch") && !checked("chkDouble"));
        QVERIFY(!Find<QTimer>(m_f->window, "tmrCatch")->isActive());
        Find<QCheckBox>(m_f->window, "chkBeep")->setChecked(false); // hidden without a file
        Find<QCheckBox>(m_f->window, "chkCatch")->setChecked(true);
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(ReadSetting(QStringLiteral("Beeper")).toString(), QStringLiteral("0"));
        QCOMPARE(ReadSetting(QStringLiteral("CatchFocus")).toString(), QStringLiteral("1"));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmMain")).toString().startsWith(QLatin1String("2;")));
        QVERIFY(m_f->Load());
        QVERIFY(checked("chkCatch") && Find<QTimer>(m_f->window, "tmrCatch")->isActive());
        // Windows has no Quit key (Alt+F4 closes the window there), nor has the offscreen platform.
        if (QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()) {
            QVERIFY(Find<QAction>(m_f->window, "mnuFile_Exit")->shortcuts().isEmpty());
            return;
        }
        Press(m_f->window, QKeySequence::Quit);
        QTRY_VERIFY(m_f->window.isNull());
    }

    // The platform's standard shortcuts on the File commands, pressed while the entry box has the
    // focus; New and Open close the file first and then meet a cancelled dialog.
    void standardKeyRunsCommand_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("fileOpenAfter");
        QTest::newRow("new") << int(QKeySequence::New) << "mnuFile_New" << false;
        QTest::newRow("open") << int(QKeySequence::Open) << "mnuFile_Open" << false;
        QTest::newRow("print") << int(QKeySequence::Print) << "mnuFile_Print" << true;
        QTest::newRow("close") << int(QKeySequence::Close) << "mnuFile_Close" << false;
    }
    void standardKeyRunsCommand() {
        QFETCH(int, key);
        QFETCH(QString, command);
        QVERIFY(m_f->LoadRecords("1;12\r\n"));
        QVERIFY(m_f->Entry()->hasFocus());
        m_f->messages.setNextAnswer(MsgAnswer::No); // the print question
        QSignalSpy triggered(Find<QAction>(m_f->window, qPrintable(command)), &QAction::triggered);
        Press(m_f->Entry(), QKeySequence::StandardKey(key));
        QCOMPARE(triggered.count(), 1);
        QTEST(!m_f->window->RecordFile.FileName().isEmpty(), "fileOpenAfter");
        QCOMPARE(m_f->Entry()->text(), QString()); // the key typed nothing into the box
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;12\r\n"));
        m_f->messages.clear();
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
        WriteSetting(QStringLiteral("WndPos_frmTestWindow"), QStringLiteral("2;1200,900,7995,6000"));
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
            QTEST(ReadSetting(QStringLiteral("WndPos_frmTestWindow")).toString(), "storedAfter");
        }
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestStartup)
#include "tst_gui_startup.moc"
