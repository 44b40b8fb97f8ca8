#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "support/StartDoc.h"

#include "GuiFixture.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QListView>
#include <QMenu>
#include <QTimer>

#include <memory>

// The Extras and Help commands of the main window: lap counter and scan display fed by the
// recorded bibs, the language switch reaching open windows, About and the user guide.
class TestExtras : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sessionWithLapCountersAndDisplay();
    void helpCommandsOpenSomethingReal();
    void secondaryWindowsStoreTheirSettings_data();
    void secondaryWindowsStoreTheirSettings();

private:
    QWidget* OpenWindow(const char* command, const char* className);
    QStringList ListLines(QWidget* lapCounter) const;

    std::unique_ptr<GuiFixture> m_f;
};

void TestExtras::init() {
    m_f = std::make_unique<GuiFixture>();
    WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
    WriteSetting(QStringLiteral("LC_Auto"), QStringLiteral("1"));
    QVERIFY(m_f->LoadRecords("1;7\r\n"));
}

void TestExtras::cleanup() {
    QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
    m_f.reset();
}

QWidget* TestExtras::OpenWindow(const char* command, const char* className) {
    const QList<QWidget*> before = m_f->window->findChildren<QWidget*>(QLatin1String(className));
    auto* action = m_f->window->findChild<QAction*>(QLatin1String(command));
    if (!action || !action->isEnabled())
        return nullptr;
    action->trigger();
    for (QWidget* window : m_f->window->findChildren<QWidget*>(QLatin1String(className))) {
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

// An operator opens two lap counters and the scan display, records, switches the language and
// closes the display and then the file: only the newest lap counter follows the records, the
// display shows each bib until it is closed, and the focus never leaves the entry box.
void TestExtras::sessionWithLapCountersAndDisplay() {
    QWidget* older = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QWidget* newer = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
    QWidget* display = OpenWindow("mnuExtras_Display", "frmDisplay");
    QVERIFY(older && newer && display && older != newer);
    QVERIFY(newer->findChild<QCheckBox*>(QStringLiteral("chkAuto"))->isChecked());
    const QStringList olderBefore = ListLines(older);
    QVERIFY(olderBefore.join(QLatin1Char('\n')).contains(QLatin1String("7")));
    m_f->Record(QStringLiteral("42"));
    m_f->Record(QStringLiteral("1234"));
    QVERIFY(m_f->Entry()->hasFocus());
    QCOMPARE(FileBytes(m_f->path()), QByteArray("1;7\r\n2;42\r\n3;1234\r\n"));
    QCOMPARE(ListLines(older), olderBefore);
    QVERIFY2(ListLines(newer).join(QLatin1Char('\n')).contains(QLatin1String("1234")),
             qPrintable(ListLines(newer).join(QLatin1Char('\n'))));
    QCOMPARE(display->findChild<QLabel*>(QStringLiteral("lblBib"))->text(), QStringLiteral("1234"));

    // A language chosen in the menu reaches the open windows, is stored and used at the next start;
    // the title keeps the record file (as shown, perhaps shortened).
    const QString fileInTitle = m_f->window->windowTitle().section(QStringLiteral(" - "), 1);
    QVERIFY2(fileInTitle.endsWith(QLatin1String("/race.stn")), qPrintable(fileInTitle));
    for (QAction* entry : m_f->window->findChildren<QAction*>(QStringLiteral("mnuLangSelect"))) {
        if (entry->property("tag").toString() == QLatin1String("de"))
            entry->trigger();
    }
    QCOMPARE(gLanguage->CurrentLanguage(), QStringLiteral("de"));
    QCOMPARE(newer->windowTitle(), GetText(QStringLiteral("MKL_LC_CAPTION")));
    QCOMPARE(display->windowTitle(), GetText(QStringLiteral("MKL_DISP_CAPTION")));
    QCOMPARE(m_f->window->windowTitle(), GetText(QStringLiteral("MKL_MAIN_CAPTION")) + " - " + fileInTitle);
    QCOMPARE(Find<QMenu>(m_f->window, "mnuFile")->title(), GetText(QStringLiteral("GEN_MNU_FILE")));
    QCOMPARE(m_f->Panel(1), GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": 3"));
    QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QStringLiteral("de"));

    QPointer<QWidget> displayGuard(display);
    display->close();
    QTRY_VERIFY(displayGuard.isNull());
    m_f->Record(QStringLiteral("99"));
    QVERIFY(m_f->window->findChildren<QWidget*>(QStringLiteral("frmDisplay")).isEmpty()); // not reopened

    // Closing the record file closes the lap counter it refreshes.
    QPointer<QWidget> guard(newer);
    m_f->window->findChild<QAction*>(QStringLiteral("mnuFile_Close"))->trigger();
    QTRY_VERIFY(guard.isNull());
    QVERIFY(m_f->CloseWindow());
    QVERIFY(m_f->Load());
    QCOMPARE(gLanguage->CurrentLanguage(), QStringLiteral("de"));
}

void TestExtras::helpCommandsOpenSomethingReal() {
    QStringList opened;
    const DocumentOpener previous = SetDocumentOpener([&](const QString& document) {
        opened << document;
        return true;
    });
    // No wiki is configured: the menu entry and the link name the user guide they open.
    QAction* help = m_f->window->findChild<QAction*>(QStringLiteral("mnuHelp_Wiki"));
    QCOMPARE(help->text(), GetText(QStringLiteral("MKL_MNU_HELP_GUIDE")));
    help->trigger();
    SetDocumentOpener(previous);
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened.first().endsWith(QLatin1String("marklog-guide-en.html")), qPrintable(opened.first()));
    m_f->window->findChild<QAction*>(QStringLiteral("mnuFile_Close"))->trigger();
    QCOMPARE(m_f->window->findChild<QLabel*>(QStringLiteral("lblText"))->text(),
             GetText(QStringLiteral("MKL_GUIDETEXT")));

    // About is modal: answer it as a user would, with its OK button.
    bool sawAbout = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* about = QApplication::activeModalWidget();
        sawAbout = about && about->objectName() == QLatin1String("frmAbout");
        if (about)
            about->close();
    });
    m_f->window->findChild<QAction*>(QStringLiteral("mnuHelp_About"))->trigger();
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
        m_f->window->findChild<QAction*>(QStringLiteral("mnuFile_Close"))->trigger();
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
        auto* port = m_f->window->findChild<QLineEdit*>(QStringLiteral("txtPort"));
        QVERIFY(port);
        port->setText(QStringLiteral("7"));
        if (destroyed)
            delete m_f->window;
        else
            m_f->window->close();
    });
    m_f->window->findChild<QAction*>(QStringLiteral("mnuExtras_BarcodeScanner"))->trigger();
    QTRY_VERIFY(m_f->window.isNull());
    QCOMPARE(ReadSetting(QStringLiteral("LC_Laps")).toString(), QStringLiteral("12"));
    QCOMPARE(ReadSetting(QStringLiteral("LC_Descending")).toString(), QStringLiteral("1"));
    QVERIFY(ReadSetting(QStringLiteral("WndPos_frmLapcounter")).toString().startsWith(QLatin1Char('2')));
    QVERIFY(!ReadSetting(QStringLiteral("WndPos_frmDisplay")).toString().isEmpty());
    QCOMPARE(GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort")).toString(),
             QStringLiteral("7"));
}

QTEST_MAIN(TestExtras)
#include "tst_gui_extras.moc"
