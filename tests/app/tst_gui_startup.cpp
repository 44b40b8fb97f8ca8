#include "app/FileTypeRegistration.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
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

private:
    frmMain* Load() {
        m_f->Load();
        return m_f->window;
    }
    void Unload() { QVERIFY(m_f->CloseWindow()); }

    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestStartup)
#include "tst_gui_startup.moc"
