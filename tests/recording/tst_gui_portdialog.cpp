#include "ScannerTestHost.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/frmPort.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

// The port dialog: what it offers, how it validates, what it stores, and the scanner command
// that asks it.
class TestPortDialog : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_language = std::make_unique<ScopedLanguage>();
        m_leftOpen = false;
    }

    void cleanup() {
        QVERIFY(!m_leftOpen);
        m_language.reset();
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_messages.reset();
        m_env.reset();
    }

    void loadShowsStoredPort_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint32>("type");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << QVariant() << RegistryType::String << "1";
        QTest::newRow("number") << QVariant("5") << RegistryType::String << "5";
        QTest::newRow("zero") << QVariant("0") << RegistryType::String << "1";
        QTest::newRow("text") << QVariant("COM3") << RegistryType::String << "1";
        QTest::newRow("leading number") << QVariant("4 (USB)") << RegistryType::String << "4";
        QTest::newRow("dword") << QVariant(9) << RegistryType::DWord << "9";
    }

    void loadShowsStoredPort() {
        QFETCH(QVariant, stored);
        QFETCH(qint32, type);
        QFETCH(QString, shown);
        if (stored.isValid())
            StorePort(stored, type);
        frmPort dialog;
        dialog.Form_Load();
        QCOMPARE(Port(dialog)->text(), shown);
        QCOMPARE(dialog.windowTitle(), GetText(QStringLiteral("BCPORT_CAPTION")));
        QCOMPARE(Button(dialog, 1)->text(), GetText(QStringLiteral("GEN_BTN_CANCEL")));
        QVERIFY(Button(dialog, 0)->isDefault());
    }

    void leavingThePortBoxValidates() {
        const std::pair<const char*, const char*> cases[] = {{"", "1"},      {"0", "1"},    {"-3", "1"},
                                                             {"abc", "1"},   {"12", "12"},  {"1 2", "12"},
                                                             {"2.5", "2.5"}, {"&H10", "16"}};
        frmPort dialog;
        dialog.Form_Load();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (const auto& [typed, validated] : cases) {
            Port(dialog)->setFocus();
            QTRY_VERIFY(Port(dialog)->hasFocus());
            Port(dialog)->setText(QLatin1String(typed));
            QCOMPARE(Port(dialog)->text(), QLatin1String(typed)); // not while typing
            QTest::keyClick(Port(dialog), Qt::Key_Tab);
            QVERIFY(!Port(dialog)->hasFocus());
            QCOMPARE(Port(dialog)->text(), QLatin1String(validated));
        }
        dialog.reject();
    }

    void cancelKeepsScannerAndOffersNumberAgain() {
        ScannerTestHost host;
        FakeScanner scanner;
        host.scanner->Open(scanner.Device());
        StorePort("3");

        QString offered;
        OnPortDialog([&](frmPort& dialog) {
            offered = Port(dialog)->text();
            Port(dialog)->setFocus();
            Port(dialog)->selectAll();
            QTest::keyClicks(Port(dialog), QStringLiteral("7"));
            Button(dialog, 1)->click();
        });
        host.scanner->mnuExtras_BarcodeScanner_Click(&host);
        QCOMPARE(offered, QStringLiteral("3"));
        QCOMPARE(StoredPort(), QStringLiteral("7"));
        QVERIFY(host.scanner->IsOpen());
        QCOMPARE(host.scanner->PortName(), scanner.Device());
        QVERIFY(host.tmrBarcode->isActive());

        OnPortDialog([&](frmPort& dialog) {
            offered = Port(dialog)->text();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        host.scanner->mnuExtras_BarcodeScanner_Click(&host);
        QCOMPARE(offered, QStringLiteral("7"));
        QVERIFY(scanner.Send("8\r"));
        QTRY_COMPARE(host.bibs, QList<qint32>{8});
    }

    void chosenDeviceIsOpenedAndRemembered() {
        if (!frmPort::AsksForDevice())
            QSKIP("this system names serial ports by number only");
        ScannerTestHost host;
        FakeScanner scanner;
        QString firstEntry = QStringLiteral("-");
        OnPortDialog([&](frmPort& dialog) {
            firstEntry = Device(dialog)->itemText(0);
            Device(dialog)->setEditText(scanner.Device());
            Button(dialog, 0)->click();
        });
        host.scanner->mnuExtras_BarcodeScanner_Click(&host);
        QCOMPARE(firstEntry, QString()); // empty: the number names the port
        QVERIFY(host.scanner->IsOpen());
        QVERIFY(scanner.Send("31\r"));
        QTRY_COMPARE(host.bibs, QList<qint32>{31});
        QCOMPARE(ReadSetting(BarcodeDeviceSetting()).toString(), scanner.Device());
        QCOMPARE(StoredPort(), QStringLiteral("1")); // the family's setting keeps a number

        QString offered;
        OnPortDialog([&](frmPort& dialog) {
            offered = Device(dialog)->currentText();
            Button(dialog, 1)->click();
        });
        host.scanner->mnuExtras_BarcodeScanner_Click(&host);
        QCOMPARE(offered, scanner.Device());
    }

    void enterWithoutLeavingTheBoxReachesThePort() {
        ScannerTestHost host;
        FakeScanner scanner;
        host.scanner->Open(scanner.Device());
        OnPortDialog([&](frmPort& dialog) {
            Port(dialog)->setFocus();
            Port(dialog)->selectAll();
            QTest::keyClicks(Port(dialog), QStringLiteral("0"));
            QTest::keyClick(Port(dialog), Qt::Key_Return); // OK by the default button, no validation
        });
        host.scanner->mnuExtras_BarcodeScanner_Click(&host);
        QCOMPARE(m_messages->shown().size(), 1);
        QCOMPARE(m_messages->lastText(), GetText(QStringLiteral("MKL_MSG_PORTINVALID")).replace("[port]", "0"));
        QVERIFY(!host.scanner->IsOpen()); // the port open before was closed first
        QVERIFY(!host.tmrBarcode->isActive());
        QCOMPARE(StoredPort(), QStringLiteral("0"));
        m_messages->clear();
    }

    void failingProcedureIsNamedInTheLog() {
        ScannerTestHost host;
        bool stayedOpen = false;
        OnPortDialog([&](frmPort& dialog) {
            Port(dialog)->setText(QStringLiteral("1E300")); // no 32-bit port number
            Button(dialog, 0)->click();
            stayedOpen = dialog.isVisible();
            Button(dialog, 1)->click();
        });
        host.scanner->mnuExtras_BarcodeScanner_Click(&host);
        QVERIFY(stayedOpen);
        QCOMPARE(m_messages->shown().size(), 1);
        QVERIFY(!host.scanner->IsOpen());
        const QList<QByteArray> lines = FileBytes(m_env->logFile()).trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().trimmed().endsWith(" (frmPort_cmdCommand_Click)"), lines.first().constData());
        m_messages->clear();
    }

private:
    // Runs action on the port dialog once it is shown modal. The action closes it; a dialog still
    // open afterwards is cancelled and noted, so a failing test cannot hang.
    void OnPortDialog(std::function<void(frmPort&)> action);
    static QLineEdit* Port(frmPort& dialog) { return dialog.findChild<QLineEdit*>(QStringLiteral("txtPort")); }
    static QComboBox* Device(frmPort& dialog) { return dialog.findChild<QComboBox*>(QStringLiteral("cboDevice")); }
    static QPushButton* Button(frmPort& dialog, int index);
    static QString StoredPort() {
        return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort")).toString();
    }
    static void StorePort(const QVariant& value, qint32 type = RegistryType::String) {
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort"), value, type);
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScopedLanguage> m_language;
    bool m_leftOpen = false;
};

void TestPortDialog::OnPortDialog(std::function<void(frmPort&)> action) {
    QTimer::singleShot(0, this, [this, action] {
        frmPort* dialog = nullptr;
        const bool shown = QTest::qWaitFor([&] {
            dialog = qobject_cast<frmPort*>(QApplication::activeModalWidget());
            return dialog != nullptr;
        });
        if (!shown || !QTest::qWaitForWindowActive(dialog)) {
            m_leftOpen = true;
            if (dialog)
                dialog->reject();
            return;
        }
        action(*dialog);
        if (dialog->isVisible()) {
            m_leftOpen = true;
            dialog->reject();
        }
    });
}

QPushButton* TestPortDialog::Button(frmPort& dialog, int index) {
    const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>(QStringLiteral("cmdCommand"));
    for (QPushButton* button : buttons) {
        if (button->property("index").toInt() == index)
            return button;
    }
    qFatal("cmdCommand(%d) not found", index);
}

QTEST_MAIN(TestPortDialog)
#include "tst_gui_portdialog.moc"
