#include "app/FileTypeRegistration.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

// The main window from load to unload, with an isolated settings store.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void firstStartShowsNoFileState() {
        frmMain* window = Load();
        QVERIFY(Find<QWidget>(window, "Wiki")->isVisible());
        // Beside the guide link a line says how to start, with the shortcuts.
        const QString hint = Find<QLabel>(window, "lblStart")->text();
        QVERIFY(Find<QLabel>(window, "lblStart")->isVisible());
        QVERIFY2(hint.contains(QLatin1String("Ctrl+N")) && hint.contains(QLatin1String("Ctrl+O")), qPrintable(hint));
        for (const char* hidden : {"txtEnter", "fraFrame", "Grid", "StatusBar"})
            QVERIFY2(!Find<QWidget>(window, hidden)->isVisible(), hidden);
        for (const char* disabled : {"mnuFile_Close", "mnuFile_Print", "mnuFile_Export"})
            QVERIFY2(!Find<QAction>(window, disabled)->isEnabled(), disabled);
        for (const char* enabled : {"mnuFile_New", "mnuFile_Open", "mnuFile_Exit", "mnuExtras_LapCounter"})
            QVERIFY2(Find<QAction>(window, enabled)->isEnabled(), enabled);
        for (const char* unchecked : {"chkBeep", "chkCatch", "chkDouble"})
            QVERIFY2(!Find<QCheckBox>(window, unchecked)->isChecked(), unchecked);
        QVERIFY(!Find<QTimer>(window, "tmrCatch")->isActive());
        QCOMPARE(window->RecordFile.FileName(), QString());
        for (QAction* recent : window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM")))
            QVERIFY(!recent->isVisible());

        // The language menu lists both shipped languages with their identifiers as tags.
        QStringList tags;
        for (QAction* entry : window->findChildren<QAction*>(QStringLiteral("mnuLangSelect"))) {
            if (entry->isVisible())
                tags << entry->property("tag").toString();
        }
        tags.sort();
        QCOMPARE(tags, QStringList({"de", "en"}));

        // F11 has nothing to focus while no file is open.
        QTest::keyClick(window, Qt::Key_F11);
        QVERIFY(!Find<QLineEdit>(window, "txtEnter")->hasFocus());
    }

    void checkBoxesComeFromSettings_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("checked");
        QTest::newRow("1") << QVariant("1") << true;
        QTest::newRow("2") << QVariant("2") << false;
        QTest::newRow("missing") << QVariant() << false;
    }

    void checkBoxesComeFromSettings() {
        QFETCH(QVariant, stored);
        QFETCH(bool, checked);
        if (stored.isValid()) {
            WriteSetting(QStringLiteral("Beeper"), stored);
            WriteSetting(QStringLiteral("CatchFocus"), stored);
        }
        frmMain* window = Load();
        QCOMPARE(Find<QCheckBox>(window, "chkBeep")->isChecked(), checked);
        QCOMPARE(Find<QCheckBox>(window, "chkCatch")->isChecked(), checked);
        // Catching starts from the stored value alone, even before a file is open.
        QCOMPARE(Find<QTimer>(window, "tmrCatch")->isActive(), checked);
    }

    void unloadStoresCheckBoxesAndPosition() {
        frmMain* window = Load();
        QTest::mouseClick(Find<QCheckBox>(window, "chkBeep"), Qt::LeftButton); // hidden: toggle directly
        Find<QCheckBox>(window, "chkBeep")->setChecked(true);
        Unload();
        QCOMPARE(ReadSetting(QStringLiteral("Beeper")).toString(), QStringLiteral("1"));
        QCOMPARE(ReadSetting(QStringLiteral("CatchFocus")).toString(), QStringLiteral("0"));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmMain")).toString().startsWith(QLatin1String("2;")));

        // The next start reads back what was stored.
        QVERIFY(Find<QCheckBox>(Load(), "chkBeep")->isChecked());
    }

    void fileTypeRegistrationWritesOnlyChanges() {
        const QString mime = m_f->env.dataFolder() + QStringLiteral("/mime/packages/marklog.xml");
        const QString desktop = m_f->env.dataFolder() + QStringLiteral("/applications/marklog.desktop");
        RegisterFileType(QStringLiteral("Marklog record file"), QStringLiteral("&Open"));
        QVERIFY(FileBytes(mime).contains("<glob pattern=\"*.stn\"/>"));
        QVERIFY(FileBytes(mime).contains("Marklog record file"));
        const QByteArray entry = FileBytes(desktop);
        QVERIFY(entry.contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" %f"));
        QVERIFY(entry.contains("MimeType=application/x-marklog-stn;"));

        // Unchanged texts are not written again; a changed description is.
        const QDateTime written = QFileInfo(mime).lastModified();
        WriteBytes(desktop, "stale");
        RegisterFileType(QStringLiteral("Marklog record file"), QStringLiteral("&Open"));
        QCOMPARE(QFileInfo(mime).lastModified(), written);
        QCOMPARE(FileBytes(desktop), entry);
        RegisterFileType(QStringLiteral("Marklog-Datensatzdatei"), QStringLiteral("&Öffnen"));
        QVERIFY(FileBytes(mime).contains("Marklog-Datensatzdatei"));

        // Special characters in the program's path are quoted for the desktop.
        QVERIFY(DesktopEntryText(QStringLiteral("/opt/my \"race\" $tools/marklog"), QString())
                    .contains(QStringLiteral("Exec=\"/opt/my \\\"race\\\" \\$tools/marklog\" %f")));
    }

    // The platform's standard shortcuts on the File commands, pressed as an operator does while the
    // entry box has the focus, and the keys the window and the grid handle themselves left free.
    void standardKeyRunsCommand_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("fileOpenAfter");
        // New and Open close the file first and then meet a cancelled dialog.
        QTest::newRow("new") << int(QKeySequence::New) << "mnuFile_New" << false;
        QTest::newRow("open") << int(QKeySequence::Open) << "mnuFile_Open" << false;
        QTest::newRow("print") << int(QKeySequence::Print) << "mnuFile_Print" << true;
        QTest::newRow("close") << int(QKeySequence::Close) << "mnuFile_Close" << false;
    }

    void standardKeyRunsCommand() {
        QFETCH(int, key);
        QFETCH(QString, command);
        const QString path = m_f->path();
        QVERIFY(m_f->LoadRecords("1;12\r\n"));
        QVERIFY(m_f->Entry()->hasFocus());
        m_f->messages.setNextAnswer(MsgAnswer::No); // the print question
        QSignalSpy triggered(Find<QAction>(m_f->window, qPrintable(command)), &QAction::triggered);

        Press(m_f->Entry(), QKeySequence::StandardKey(key));
        QCOMPARE(triggered.count(), 1);
        QTEST(!m_f->window->RecordFile.FileName().isEmpty(), "fileOpenAfter");
        QCOMPARE(m_f->Entry()->text(), QString()); // the key typed nothing into the box
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n"));
        m_f->messages.clear();
    }

    void quitWithoutFile() {
        QVERIFY(m_f->Load());
        // Windows has no Quit key (Alt+F4 closes the window there), nor has the offscreen platform.
        if (QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()) {
            QVERIFY(Find<QAction>(m_f->window, "mnuFile_Exit")->shortcuts().isEmpty());
            return;
        }
        Press(m_f->window, QKeySequence::Quit);
        QTRY_VERIFY(m_f->window.isNull());
    }

    void ownKeysStayFree() {
        QVERIFY(m_f->LoadRecords(QByteArray()));
        // F11 (entry focus), the grid's navigation keys and F12, Enter and the digits of the entry box.
        QList<QKeySequence> own{QKeySequence(Qt::Key_F11),    QKeySequence(Qt::Key_F12),
                                QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                QKeySequence(Qt::Key_End),    QKeySequence(Qt::Key_Home),
                                QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_PageDown),
                                QKeySequence(Qt::Key_Up),     QKeySequence(Qt::Key_Down)};
        for (int digit = Qt::Key_0; digit <= Qt::Key_9; ++digit)
            own << QKeySequence(digit);
        const QList<QAction*> actions = m_f->window->findChildren<QAction*>();
        for (QAction* action : actions) {
            for (const QKeySequence& shortcut : action->shortcuts())
                QVERIFY2(!own.contains(shortcut), qPrintable(action->objectName() + " " + shortcut.toString()));
        }
    }

private:
    frmMain* Load() {
        m_f->Load();
        return m_f->window;
    }
    void Unload() { QVERIFY(m_f->CloseWindow()); }
    // Presses the first key combination the platform binds to a standard key.
    static void Press(QWidget* target, QKeySequence::StandardKey key) {
        const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
        QVERIFY2(!bindings.isEmpty(), "the platform binds no key to this command");
        const QKeyCombination combination = bindings.first()[0];
        QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
    }

    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestStartup)
#include "tst_gui_startup.moc"
