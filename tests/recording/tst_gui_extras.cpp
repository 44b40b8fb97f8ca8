#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "support/StartDoc.h"

#include "GuiFixture.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QListView>
#include <QTimer>

#include <memory>

// The Extras and Help commands of the main window: lap counter and scan display fed by the
// recorded bibs, the language switch reaching open windows, About and the user guide.
class TestExtras : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        WriteSetting(QStringLiteral("LC_Auto"), QStringLiteral("1"));
        QVERIFY(m_f->LoadRecords("1;7\r\n"));
    }

    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // An operator opens two lap counters and the scan display, records, switches the language and
    // closes the display and then the file: only the newest lap counter follows the records, the
    // display shows each bib until it is closed, and the focus never leaves the entry box.
    void sessionWithLapCountersAndDisplay() {
        QWidget* older = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
        QWidget* newer = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
        QWidget* display = OpenWindow("mnuExtras_Display", "frmDisplay");
        QVERIFY(older && newer && display && older != newer);
        QVERIFY(newer->findChild<QCheckBox*>(QStringLiteral("chkAuto"))->isChecked());
        const QString olderBefore = ListLines(older);
        QVERIFY(olderBefore.contains(QLatin1String("7")));
        m_f->Record(QStringLiteral("42"));
        m_f->Record(QStringLiteral("1234"));
        QVERIFY(m_f->Entry()->hasFocus());
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;7\r\n2;42\r\n3;1234\r\n"));
        QCOMPARE(ListLines(older), olderBefore);
        QVERIFY2(ListLines(newer).contains(QLatin1String("1234")), qPrintable(ListLines(newer)));
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
        QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QStringLiteral("de"));

        QPointer<QWidget> displayGuard(display);
        display->close();
        QTRY_VERIFY(displayGuard.isNull());
        m_f->Record(QStringLiteral("99"));
        QVERIFY(m_f->window->findChildren<QWidget*>(QStringLiteral("frmDisplay")).isEmpty()); // not reopened

        // Closing the record file closes the lap counter it refreshes.
        QPointer<QWidget> guard(newer);
        m_f->Trigger("mnuFile_Close");
        QTRY_VERIFY(guard.isNull());
        QVERIFY(m_f->CloseWindow());
        QVERIFY(m_f->Load());
        QCOMPARE(gLanguage->CurrentLanguage(), QStringLiteral("de"));
    }

    // Without a wiki the help entry names the user guide and opens it; About comes up modal.
    void helpCommandsOpenSomethingReal() {
        QStringList opened;
        const DocumentOpener previous = SetDocumentOpener([&](const QString& document) {
            opened << document;
            return true;
        });
        QAction* help = Find<QAction>(m_f->window, "mnuHelp_Wiki");
        QCOMPARE(help->text(), GetText(QStringLiteral("MKL_MNU_HELP_GUIDE")));
        help->trigger();
        SetDocumentOpener(previous);
        QCOMPARE(opened.size(), 1);
        QVERIFY2(opened.first().endsWith(QLatin1String("marklog-guide-en.html")), qPrintable(opened.first()));
        m_f->Trigger("mnuFile_Close");
        QCOMPARE(Find<QLabel>(m_f->window, "lblText")->text(), GetText(QStringLiteral("MKL_GUIDETEXT")));

        QString about;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                about = modal->objectName();
                modal->close();
            }
        });
        m_f->Trigger("mnuHelp_About");
        QCOMPARE(about, QStringLiteral("frmAbout"));
    }

    // Each secondary window stores its settings however the main window ends: a lap counter that is
    // not the newest one, the scan display, and the port dialog still open.
    void secondaryWindowsStoreTheirSettings_data() {
        QTest::addColumn<bool>("fileOpen");
        QTest::addColumn<bool>("destroyed"); // without being closed
        QTest::newRow("closed with a file open") << true << false;
        QTest::newRow("closed without a file") << false << false;
        QTest::newRow("destroyed") << true << true;
    }

    void secondaryWindowsStoreTheirSettings() {
        QFETCH(bool, fileOpen);
        QFETCH(bool, destroyed);
        if (!fileOpen)
            m_f->Trigger("mnuFile_Close");
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
            Find<QLineEdit>(m_f->window, "txtPort")->setText(QStringLiteral("7"));
            if (destroyed)
                delete m_f->window;
            else
                m_f->window->close();
        });
        m_f->Trigger("mnuExtras_BarcodeScanner");
        QTRY_VERIFY(m_f->window.isNull());
        QCOMPARE(ReadSetting(QStringLiteral("LC_Laps")).toString(), QStringLiteral("12"));
        QCOMPARE(ReadSetting(QStringLiteral("LC_Descending")).toString(), QStringLiteral("1"));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmLapcounter")).toString().startsWith(QLatin1Char('2')));
        QVERIFY(!ReadSetting(QStringLiteral("WndPos_frmDisplay")).toString().isEmpty());
        QCOMPARE(GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort")).toString(),
                 QStringLiteral("7"));
    }

private:
    QWidget* OpenWindow(const char* command, const char* className) {
        const QList<QWidget*> before = m_f->window->findChildren<QWidget*>(QLatin1String(className));
        m_f->Trigger(command);
        for (QWidget* window : m_f->window->findChildren<QWidget*>(QLatin1String(className))) {
            if (!before.contains(window))
                return window;
        }
        return nullptr;
    }

    QString ListLines(QWidget* lapCounter) const {
        QStringList lines;
        const QAbstractItemModel* model = Find<QListView>(lapCounter, "List1")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines.join(QLatin1Char('\n'));
    }

    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestExtras)
#include "tst_gui_extras.moc"
