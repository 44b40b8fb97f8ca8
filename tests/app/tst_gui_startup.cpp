#include "app/FileTypeRegistration.h"
#include "app/Settings.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

namespace {
// Presses the first key combination the platform binds to a standard key.
void Press(QWidget* target, QKeySequence::StandardKey key) {
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    QVERIFY2(!bindings.isEmpty(), "the platform binds no key to this command");
    QTest::keyClick(target, bindings.first()[0].key(), bindings.first()[0].keyboardModifiers());
}
} // namespace

// The main window from load to unload, with an isolated settings store.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void firstStartAndCheckBoxes() {
        QVERIFY(m_f->Load());
        frmMain* window = m_f->window;
        QVERIFY(Find<QWidget>(window, "Wiki")->isVisible());
        // Beside the guide link a line says how to start, with the shortcuts.
        const QString hint = Find<QLabel>(window, "lblStart")->text();
        QVERIFY(Find<QLabel>(window, "lblStart")->isVisible());
        QVERIFY2(hint.contains(QLatin1String("Ctrl+N")) && hint.contains(QLatin1String("Ctrl+O")), qPrintable(hint));
        for (const char* hidden : {"txtEnter", "fraFrame", "Grid", "StatusBar"})
            QVERIFY2(!Find<QWidget>(window, hidden)->isVisible(), hidden);
        for (const char* disabled : {"mnuFile_Close", "mnuFile_Print", "mnuFile_Export"})
            QVERIFY2(!Find<QAction>(window, disabled)->isEnabled(), disabled);
        for (QAction* recent : window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM")))
            QVERIFY(!recent->isVisible());
        QStringList tags; // the language menu lists both shipped languages, tagged with their identifiers
        for (QAction* entry : window->findChildren<QAction*>(QStringLiteral("mnuLangSelect")))
            if (entry->isVisible())
                tags << entry->property("tag").toString();
        tags.sort();
        QCOMPARE(tags, QStringList({"de", "en"}));
        QTest::keyClick(window, Qt::Key_F11); // nothing to focus while no file is open
        QVERIFY(!m_f->Entry()->hasFocus());

        // The check boxes start from their settings (catching even before a file is open) and are
        // stored with the window's placement at unload.
        QVERIFY(m_f->CloseWindow());
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        QVERIFY(m_f->Load());
        QVERIFY(Find<QCheckBox>(m_f->window, "chkBeep")->isChecked());
        QVERIFY(!Find<QCheckBox>(m_f->window, "chkCatch")->isChecked());
        QVERIFY(!Find<QCheckBox>(m_f->window, "chkDouble")->isChecked());
        QVERIFY(!Find<QTimer>(m_f->window, "tmrCatch")->isActive());
        Find<QCheckBox>(m_f->window, "chkBeep")->setChecked(false); // hidden without a file
        Find<QCheckBox>(m_f->window, "chkCatch")->setChecked(true);
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(ReadSetting(QStringLiteral("Beeper")).toString(), QStringLiteral("0"));
        QCOMPARE(ReadSetting(QStringLiteral("CatchFocus")).toString(), QStringLiteral("1"));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmMain")).toString().startsWith(QLatin1String("2;")));
        QVERIFY(m_f->Load());
        QVERIFY(Find<QCheckBox>(m_f->window, "chkCatch")->isChecked());
        QVERIFY(Find<QTimer>(m_f->window, "tmrCatch")->isActive());
    }

    // The record file type reaches the desktop, rewritten only when its text changed.
    void fileTypeRegistration() {
        const QString mime = m_f->env.dataFolder() + QStringLiteral("/mime/packages/marklog.xml");
        RegisterFileType(QStringLiteral("Marklog record file"), QStringLiteral("&Open"));
        QVERIFY(FileBytes(mime).contains("<glob pattern=\"*.stn\"/>"));
        const QDateTime written = QFileInfo(mime).lastModified();
        RegisterFileType(QStringLiteral("Marklog record file"), QStringLiteral("&Open"));
        QCOMPARE(QFileInfo(mime).lastModified(), written);
        RegisterFileType(QStringLiteral("Marklog-Datensatzdatei"), QStringLiteral("&Öffnen"));
        QVERIFY(FileBytes(mime).contains("Marklog-Datensatzdatei"));
        const QByteArray entry = FileBytes(m_f->env.dataFolder() + QStringLiteral("/applications/marklog.desktop"));
        QVERIFY(entry.contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" %f"));
        QVERIFY(entry.contains("MimeType=application/x-marklog-stn;"));
        QVERIFY(DesktopEntryText(QStringLiteral("/opt/my \"race\" $tools/marklog"), QString())
                    .contains(QStringLiteral("Exec=\"/opt/my \\\"race\\\" \\$tools/marklog\" %f")));
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

    // F11, Enter, the digits and the grid's keys belong to the window: no menu command takes them.
    void ownKeysStayFreeAndQuitEnds() {
        QVERIFY(m_f->LoadRecords(QByteArray()));
        QList<QKeySequence> own{QKeySequence(Qt::Key_F11),    QKeySequence(Qt::Key_F12),
                                QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                QKeySequence(Qt::Key_End),    QKeySequence(Qt::Key_Home),
                                QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_PageDown),
                                QKeySequence(Qt::Key_Up),     QKeySequence(Qt::Key_Down)};
        for (int digit = Qt::Key_0; digit <= Qt::Key_9; ++digit)
            own << QKeySequence(digit);
        for (QAction* action : m_f->window->findChildren<QAction*>())
            for (const QKeySequence& shortcut : action->shortcuts())
                QVERIFY2(!own.contains(shortcut), qPrintable(action->objectName() + " " + shortcut.toString()));
        // Windows has no Quit key (Alt+F4 closes the window there), nor has the offscreen platform.
        if (QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()) {
            QVERIFY(Find<QAction>(m_f->window, "mnuFile_Exit")->shortcuts().isEmpty());
            return;
        }
        Press(m_f->window, QKeySequence::Quit);
        QTRY_VERIFY(m_f->window.isNull());
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestStartup)
#include "tst_gui_startup.moc"
