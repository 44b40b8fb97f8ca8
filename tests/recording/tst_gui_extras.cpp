#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"
#include "support/StartDoc.h"

#include "TestEnvironment.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

// The Extras and Help commands of the main window: lap counter and scan display fed by the
// recorded bibs, the language switch reaching open windows, About and the user guide.
class TestExtras : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lapCounterRefreshesAfterEachBib();
    void onlyTheNewestLapCounterIsRefreshed();
    void scanDisplayShowsBibsUntilClosed();
    void languageSwitchReachesOpenWindows();
    void helpCommandsOpenSomethingReal();
    void secondaryWindowsStoreTheirSettings_data();
    void secondaryWindowsStoreTheirSettings();

private:
    void Type(const QString& bib);
    QWidget* OpenWindow(const char* command, const char* className);
    QStringList ListLines(QWidget* lapCounter) const;

    std::unique_ptr<IsolatedEnvironment> m_env;

    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    QPointer<frmMain> m_window;
};

void TestExtras::init() {
    m_env = std::make_unique<IsolatedEnvironment>();
    m_language = std::make_unique<ProcessLanguage>();
    m_messages = std::make_unique<ScriptedMessages>();
    WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
    WriteSetting(QStringLiteral("LC_Auto"), QStringLiteral("1"));
    const QString path = m_env->path() + QStringLiteral("/race.stn");
    WriteBytes(path, "1;7\r\n");
    m_window = new frmMain(path);
    m_window->Form_Load();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestExtras::cleanup() {
    if (m_window)
        m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
    m_messages.reset();
    m_language.reset();
    m_env.reset();
}

void TestExtras::Type(const QString& bib) {
    auto* entry = m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
    QTest::keyClicks(entry, bib);
    QTest::keyClick(entry, Qt::Key_Return);
}

QWidget* TestExtras::OpenWindow(const char* command, const char* className) {
    const QList<QWidget*> before = m_window->findChildren<QWidget*>(QLatin1String(className));
    auto* action = m_window->findChild<QAction*>(QLatin1String(command));
    if (!action || !action->isEnabled())
        return nullptr;
    action->trigger();
    for (QWidget* window : m_window->findChildren<QWidget*>(QLatin1String(className))) {
        if (!before.contains(window))
            return window;
    }
    return nullptr;
}

QStringList TestExtras::ListLines(QWidget* lapCounter) const {
    QStringList lines;
    const QAbstractItemModel* model = lapCounter->findChild<QListView*>(QStringLiteral("List1"))->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, 0).data().toString();
    return lines;
}

// The lap counter follows the records while the focus stays in the entry box.
void TestExtras::lapCounterRefreshesAfterEachBib() {
    QWidget* lapCounter = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QVERIFY(lapCounter);
    QVERIFY(lapCounter->findChild<QCheckBox*>(QStringLiteral("chkAuto"))->isChecked());
    QVERIFY(ListLines(lapCounter).join(QLatin1Char('\n')).contains(QLatin1String("7")));
    Type(QStringLiteral("42"));
    Type(QStringLiteral("7"));
    const QString lines = ListLines(lapCounter).join(QLatin1Char('\n'));
    QVERIFY2(lines.contains(QLatin1String("42")), qPrintable(lines));
    QVERIFY(m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter"))->hasFocus());
    // Closing the record file closes the lap counter with it.
    QPointer<QWidget> guard(lapCounter);
    m_window->findChild<QAction*>(QStringLiteral("mnuFile_Close"))->trigger();
    QTRY_VERIFY(guard.isNull());
}

void TestExtras::onlyTheNewestLapCounterIsRefreshed() {
    QWidget* older = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QWidget* newer = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QVERIFY(older && newer && older != newer);
    const QStringList olderBefore = ListLines(older);
    Type(QStringLiteral("555"));
    QCOMPARE(ListLines(older), olderBefore);
    QVERIFY(ListLines(newer).join(QLatin1Char('\n')).contains(QLatin1String("555")));
}

void TestExtras::scanDisplayShowsBibsUntilClosed() {
    QWidget* display = OpenWindow("mnuExtras_Display", "frmDisplay");
    QVERIFY(display);
    Type(QStringLiteral("1234"));
    QCOMPARE(display->findChild<QLabel*>(QStringLiteral("lblBib"))->text(), QStringLiteral("1234"));
    QPointer<QWidget> guard(display);
    display->close();
    QTRY_VERIFY(guard.isNull());
    Type(QStringLiteral("99"));
    QVERIFY(m_window->findChildren<QWidget*>(QStringLiteral("frmDisplay")).isEmpty()); // not reopened
}

void TestExtras::languageSwitchReachesOpenWindows() {
    QWidget* lapCounter = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QWidget* display = OpenWindow("mnuExtras_Display", "frmDisplay");
    QVERIFY(lapCounter && display);
    for (QAction* entry : m_window->findChildren<QAction*>(QStringLiteral("mnuLangSelect"))) {
        if (entry->property("tag").toString() == QLatin1String("de"))
            entry->trigger();
    }
    QCOMPARE(gLanguage->CurrentLanguage(), QStringLiteral("de"));
    QCOMPARE(lapCounter->windowTitle(), GetText(QStringLiteral("MKL_LC_CAPTION")));
    QCOMPARE(display->windowTitle(), GetText(QStringLiteral("MKL_DISP_CAPTION")));
    QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QStringLiteral("de"));
}

void TestExtras::helpCommandsOpenSomethingReal() {
    QStringList opened;
    const DocumentOpener previous = SetDocumentOpener([&](const QString& document) {
        opened << document;
        return true;
    });
    // No wiki is configured: the menu entry and the link name the user guide they open.
    QAction* help = m_window->findChild<QAction*>(QStringLiteral("mnuHelp_Wiki"));
    QCOMPARE(help->text(), GetText(QStringLiteral("MKL_MNU_HELP_GUIDE")));
    help->trigger();
    SetDocumentOpener(previous);
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened.first().endsWith(QLatin1String("marklog-guide-en.html")), qPrintable(opened.first()));
    m_window->findChild<QAction*>(QStringLiteral("mnuFile_Close"))->trigger();
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("lblText"))->text(), GetText(QStringLiteral("MKL_GUIDETEXT")));

    // About is modal: answer it as a user would, with its OK button.
    bool sawAbout = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* about = QApplication::activeModalWidget();
        sawAbout = about && about->objectName() == QLatin1String("frmAbout");
        if (about)
            about->close();
    });
    m_window->findChild<QAction*>(QStringLiteral("mnuHelp_About"))->trigger();
    QVERIFY(sawAbout);
}

// Each secondary window stores its settings however the main window ends: a lap counter that is
// not the newest one, the scan display, and the port dialog still open.
void TestExtras::secondaryWindowsStoreTheirSettings_data() {
    QTest::addColumn<bool>("fileOpen");
    QTest::addColumn<bool>("destroyed"); // without being closed
    QTest::newRow("closed with a file open") << true << false;
    QTest::newRow("closed without a file") << false << false;
    QTest::newRow("destroyed") << true << true;
}

void TestExtras::secondaryWindowsStoreTheirSettings() {
    QFETCH(bool, fileOpen);
    QFETCH(bool, destroyed);
    if (!fileOpen)
        m_window->findChild<QAction*>(QStringLiteral("mnuFile_Close"))->trigger();
    QWidget* older = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QWidget* newer = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QVERIFY(OpenWindow("mnuExtras_Display", "frmDisplay"));
    QVERIFY(older && newer);
    newer->close();
    older->findChildren<QLineEdit*>(QStringLiteral("txtLapCount")).first()->setText(QStringLiteral("12"));
    older->findChild<QCheckBox*>(QStringLiteral("chkDescending"))->setChecked(true);
    QVERIFY(ReadSetting(QStringLiteral("WndPos_frmDisplay")).toString().isEmpty());

    // The main window ends while the port dialog asks, with 7 typed.
    QTimer::singleShot(0, this, [&] {
        auto* port = m_window->findChild<QLineEdit*>(QStringLiteral("txtPort"));
        QVERIFY(port);
        port->setText(QStringLiteral("7"));
        if (destroyed)
            delete m_window;
        else
            m_window->close();
    });
    m_window->findChild<QAction*>(QStringLiteral("mnuExtras_BarcodeScanner"))->trigger();
    QTRY_VERIFY(m_window.isNull());
    QCOMPARE(ReadSetting(QStringLiteral("LC_Laps")).toString(), QStringLiteral("12"));
    QCOMPARE(ReadSetting(QStringLiteral("LC_Descending")).toString(), QStringLiteral("1"));
    QVERIFY(ReadSetting(QStringLiteral("WndPos_frmLapcounter")).toString().startsWith(QLatin1Char('2')));
    QVERIFY(!ReadSetting(QStringLiteral("WndPos_frmDisplay")).toString().isEmpty());
    QCOMPARE(GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort")).toString(),
             QStringLiteral("7"));
}

QTEST_MAIN(TestExtras)
#include "tst_gui_extras.moc"
