#include "app/FileTypeRegistration.h"
#include "base/Settings.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

// The main window from load to unload, its file type and its standard keys.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
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

    void firstStartAndCheckBoxes() {
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        QVERIFY(m_f->Load());
        frmMain* window = m_f->window;
        // Beside the guide link a line says how to start, with the shortcuts.
        const QString hint = Find<QLabel>(window, "lblStart")->text();
        QVERIFY(Find<QWidget>(window, "lblStart")->isVisible() && Find<QWidget>(window, "Wiki")->isVisible());
        QVERIFY2(hint.contains(QLatin1String("Ctrl+N")) && hint.contains(QLatin1String("Ctrl+O")), qPrintable(hint));
        // Plain keys (the digits, Enter, F11, the grid's keys) belong to the window: menu shortcuts hold Ctrl or Alt.
        for (QAction* action : window->findChildren<QAction*>())
            for (const QKeySequence& shortcut : action->shortcuts())
                QVERIFY2(shortcut[0].keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier),
                         qPrintable(action->objectName() + " " + shortcut.toString()));
        QTest::keyClick(window, Qt::Key_F11); // nothing to focus while no file is open
        QVERIFY(!m_f->Entry()->hasFocus());

        // The check boxes start from their settings and are stored with the window's placement at
        // unload; catching waits for a file, as its box is hidden until then.
        const auto checked = [this](const char* name) { return Find<QCheckBox>(m_f->window, name)->isChecked(); };
        QVERIFY(checked("chkBeep") && !checked("chkCatch") && !checked("chkDouble"));
        Find<QCheckBox>(m_f->window, "chkBeep")->setChecked(false); // hidden without a file
        Find<QCheckBox>(m_f->window, "chkCatch")->setChecked(true);
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(ReadSetting(QStringLiteral("Beeper")).toString(), QStringLiteral("0"));
        QCOMPARE(ReadSetting(QStringLiteral("CatchFocus")).toString(), QStringLiteral("1"));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmMain")).toString().startsWith(QLatin1String("2;")));
        QVERIFY(m_f->Load());
        QVERIFY(checked("chkCatch") && !Find<QTimer>(m_f->window, "tmrCatch")->isActive());
    }

    // The platform's standard shortcuts on the File commands, pressed while the entry box has the
    // focus; New and Open meet a cancelled dialog, which leaves the file open, as does the print question.
    void standardKeysRunCommands() {
        QVERIFY(m_f->LoadRecords("1;12\r\n"));
        m_f->messages.setNextAnswer(MsgAnswer::No); // the print question
        for (const auto& [key, command] : {std::pair(QKeySequence::New, "mnuFile_New"),
                                           {QKeySequence::Open, "mnuFile_Open"},
                                           {QKeySequence::Print, "mnuFile_Print"},
                                           {QKeySequence::Close, "mnuFile_Close"}}) {
            QSignalSpy triggered(Find<QAction>(m_f->window, command), &QAction::triggered);
            QTest::keySequence(m_f->Entry(), QKeySequence(key));
            QVERIFY2(triggered.count() == 1, command);
            QCOMPARE(m_f->window->Records().FileName().isEmpty(), key == QKeySequence::Close);
            QCOMPARE(m_f->Entry()->text(), QString()); // the key typed nothing into the box
            QCOMPARE(FileBytes(m_f->path()), QByteArray("1;12\r\n"));
            m_f->messages.clear();
        }
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestStartup)
#include "tst_gui_startup.moc"
