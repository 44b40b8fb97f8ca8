#include "app/FileTypeRegistration.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
// What the operator reads on a menu, a menu entry or a captioned control.
QString Caption(QObject* window, const char* name) {
    QObject* control = Find<QObject>(window, name);
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->title();
    return control->property("text").toString();
}
} // namespace

// The main window from load to unload, with an isolated settings store.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
    }

    void cleanup() {
        if (m_window)
            Unload();
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_messages.reset();
        m_language.reset();
        m_env.reset();
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

    void captionsFollowTheStoredLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("fileMenu");
        QTest::addColumn<QString>("openEntry");
        QTest::newRow("German") << "de"
                                << "&Datei"
                                << "&Öffnen...";
        QTest::newRow("English") << "en"
                                 << "&File"
                                 << "&Open...";
    }
    void captionsFollowTheStoredLanguage() {
        QFETCH(QString, language);
        WriteSetting(QStringLiteral("Language"), language);
        frmMain* window = Load();
        QCOMPARE(gLanguage->CurrentLanguage(), language);
        QTEST(Caption(window, "mnuFile"), "fileMenu");
        QTEST(Caption(window, "mnuFile_Open"), "openEntry");
        QCOMPARE(window->windowTitle(), GetText(QStringLiteral("MKL_MAIN_CAPTION")));
        QCOMPARE(Caption(window, "StatusBar_Panel3"), QStringLiteral("Version: 1.0.0"));
        QCOMPARE(Caption(window, "StatusBar_Panel1"),
                 GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": 0"));
        // Every captioned control shows its language text, never a bare key.
        const std::pair<const char*, const char*> keyed[] = {
            {"mnuFile_New", "GEN_MNU_FILE_NEW"},
            {"mnuFile_Export", "MKL_MNU_FILE_EXPORT"},
            {"mnuFile_Close", "GEN_MNU_FILE_CLOSE"},
            {"mnuFile_Print", "GEN_MNU_FILE_PRINT"},
            {"mnuFile_Exit", "GEN_MNU_FILE_END"},
            {"mnuExtras_LapCounter", "MKL_MNU_EXTRAS_LAPCOUNTER"},
            {"mnuExtras_Display", "MKL_MNU_EXTRAS_DISPLAY"},
            {"mnuExtras_BarcodeScanner", "MKL_MNU_EXTRAS_BARCODESCANNER"},
            {"mnuHelp_About", "GEN_MNU_HELP_ABOUT"},
            {"mnuHelp_Wiki", "MKL_MNU_HELP_GUIDE"}, // no wiki configured
            {"cmdEnter", "MKL_CMDENTER"},
            {"chkBeep", "MKL_CHKBEEP"},
            {"chkCatch", "MKL_CHKCATCH"},
            {"chkDouble", "MKL_CHKDOUBLE"},
            {"mnuExtras", "GEN_MNU_EXTRAS"},
            {"mnuLanguage", "GEN_MNU_LANGUAGE"},
            {"mnuHelp", "GEN_MNU_INFO_HELP"},
            {"lblText", "MKL_GUIDETEXT"}};
        for (const auto& [name, key] : keyed) {
            const QString text = Caption(window, name);
            QCOMPARE(text, GetText(QLatin1String(key)));
            QVERIFY2(!text.startsWith(QLatin1String("GEN_")) && !text.startsWith(QLatin1String("MKL_")), name);
        }
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
        const QString mime = m_env->dataFolder() + QStringLiteral("/mime/packages/marklog.xml");
        const QString desktop = m_env->dataFolder() + QStringLiteral("/applications/marklog.desktop");
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

    void choosingALanguageSwitchesAndIsStored() {
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        frmMain* window = Load();
        QCOMPARE(Caption(window, "mnuFile"), QStringLiteral("&File"));
        QAction* german = nullptr;
        for (QAction* entry : window->findChildren<QAction*>(QStringLiteral("mnuLangSelect"))) {
            if (entry->property("tag").toString() == QLatin1String("de"))
                german = entry;
        }
        QVERIFY(german);
        german->trigger();
        QCOMPARE(Caption(window, "mnuFile"), QStringLiteral("&Datei"));
        QCOMPARE(Caption(window, "StatusBar_Panel1"), QStringLiteral("Datensätze: 0"));
        QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QStringLiteral("de"));
        Unload();
        // The next start uses the chosen language.
        QCOMPARE(Caption(Load(), "mnuFile"), QStringLiteral("&Datei"));
    }

private:
    frmMain* Load() {
        m_window = new frmMain();
        m_window->Form_Load();
        m_window->show();
        return m_window;
    }
    void Unload() {
        QVERIFY(m_window->close());
        QTRY_VERIFY(m_window.isNull()); // deleted on close
    }

    std::unique_ptr<IsolatedEnvironment> m_env;

    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    QPointer<frmMain> m_window;
};

QTEST_MAIN(TestStartup)
#include "tst_gui_startup.moc"
