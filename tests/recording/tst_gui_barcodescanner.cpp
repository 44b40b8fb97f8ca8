#include "base/ErrorInfo.h"
#include "base/Registry.h"
#include "base/Settings.h"
#include "recording/BarcodeScanner.h"
#include "recording/frmMain.h"
#include "recording/frmPort.h"

#include "../hardening/ScannerPty.h"
#include "GuiFixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <grp.h>
#include <memory>
#include <sys/stat.h>

// The main window's barcode scanner reading a real serial device (a pseudo-terminal) into the record
// file, and the port dialog: what it offers, how it validates, what it stores.
class TestBarcodeScanner : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->UseLanguage();
    }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // Each way a port fails to open raises its own message; the port open before is closed.
    void openFailuresAreReported() {
        QVERIFY(m_f->LoadRecords(QByteArray()));
        QVERIFY(!m_f->Panel(2).contains(ScannerCommand())); // it was off when the program last ended
        QTemporaryDir dir;
        ScannerPty scanner;
        QSerialPort otherProgram;
        otherProgram.setPortName(scanner.Device());
        QVERIFY(otherProgram.open(QIODevice::ReadWrite));
        const QString missing = dir.filePath(QStringLiteral("ttyUSB7"));
        const QString notATerminal = dir.filePath(QStringLiteral("plain"));
        WriteBytes(notATerminal, "x");
        ScannerPty denied;
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(denied.Device()).constData(), &info), 0);
        const bool canDeny = ::geteuid() == 0 && (info.st_mode & S_IWOTH) == 0;
        const QString group = QLatin1Char('"') + QString::fromLocal8Bit(::getgrgid(info.st_gid)->gr_name) + '"';

        struct Case {
            std::function<void()> open;
            QString message, named = QString();
        };
        const Case cases[] = {
            {[&] { Scanner()->Open(missing); }, Text("MKL_MSG_PORTMISSING", missing)},
            {[&] { Scanner()->Open(scanner.Device()); }, Text("MKL_MSG_PORTBUSY", scanner.Device())},
            {[&] { Scanner()->Open(notATerminal); }, Text("MKL_MSG_PORTFAILED", notATerminal)},
            // A user without rights to the device is told the group that has them.
            {[&] {
                 QCOMPARE(::seteuid(65534), 0); // nobody
                 const auto back = qScopeGuard([] { QVERIFY(::seteuid(0) == 0); });
                 Scanner()->Open(denied.Device());
             },
             canDeny ? Text("MKL_MSG_PORTDENIED", denied.Device()) : QString(), group},
        };
        for (const Case& failure : cases) {
            if (failure.message.isEmpty())
                continue; // only root can act as a user without rights
            ScannerPty working;
            Scanner()->Open(working.Device());
            try {
                failure.open();
                QFAIL(qPrintable(QStringLiteral("no error for ") + failure.message));
            } catch (const RaisedError& error) {
                const QString& description = error.info().description;
                QVERIFY2(description.startsWith(failure.message) && description.contains(failure.named),
                         qPrintable(description));
            }
            QVERIFY(!Scanner()->IsOpen() && !Timer()->isActive());
        }
    }

    // The port never opens by itself at start; a scanner on at the last end is mentioned in the status
    // bar. Its device is a link, as /dev/serial/by-id gives them: after the cable is pulled the same
    // name comes back with another terminal behind it. Switched on again, it is remembered as on.
    void vanishedPortIsReportedAndReopened() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("scanner"));
        auto first = std::make_unique<ScannerPty>();
        QVERIFY(QFile::link(first->Device(), link));
        WriteSetting(QStringLiteral("BarcodeActive"), CheckBoxValue(true));
        WriteSetting(BarcodeDeviceSetting(), link);
        QVERIFY(m_f->LoadRecords(QByteArray()));
        QVERIFY(!first->IsOpenedBy(QCoreApplication::applicationPid()));
        QVERIFY(!Timer()->isActive());
        QVERIFY2(m_f->Panel(2).contains(ScannerCommand()), qPrintable(m_f->Panel(2)));
        QSignalSpy lost(Scanner(), &BarcodeScanner::ScannerLost);
        QSignalSpy back(Scanner(), &BarcodeScanner::ScannerBack);
        QSignalSpy alarm(Scanner(), &BarcodeScanner::ScannerAlarm);
        Scanner()->Open(link);
        Scanner()->Open(link); // choosing the open port again reopens it, with no "in use"
        QVERIFY(first->Send("12\r56"));
        QTRY_COMPARE(FileBytes(m_f->path()), QByteArray("1;12\r\n"));
        first->Close();
        QTRY_COMPARE(lost.size(), 1);
        QVERIFY(!Scanner()->IsOpen() && !Timer()->isActive());
        // For the window's alarm band and the log, never a box: the operator may be typing.
        QVERIFY(m_f->messages.shown().isEmpty());
        QCOMPARE(alarm.size(), 1);
        QCOMPARE(alarm.first().first().toString(), Text("MKL_MSG_SCANNERLOST", link));
        QVERIFY(FileBytes(m_f->env.logFile()).contains(Text("MKL_MSG_SCANNERLOST", link).toLocal8Bit()));

        ScannerPty second;
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(second.Device(), link));
        QTRY_COMPARE(back.size(), 1);
        QCOMPARE(lost.size(), 1); // reported once, though the dead port kept failing
        QVERIFY(Timer()->isActive());
        QVERIFY(second.Send("77\r")); // the unfinished code of the lost port is not continued

        QTRY_COMPARE(FileBytes(m_f->path()), QByteArray("1;12\r\n2;77\r\n"));
        QVERIFY(m_f->CloseWindow());
        QVERIFY(!second.IsOpenedBy(QCoreApplication::applicationPid()));
        QCOMPARE(ReadSetting(QStringLiteral("BarcodeActive")).toString(), QStringLiteral("1"));
    }

    // At the line: scans are recorded on their own beside a half-typed bib and an open correction,
    // also in a stream; a repeat and a code too long for a bib are refused where the operator sees
    // and hears it; every dialog holds scans back, each then recorded with the time it arrived.
    void scansBesideTheOperator() {
        QStringList sounds;
        SetSoundSink([&](const QString& sound) { sounds << sound; });
        const QDateTime start(QDate(2024, 5, 4), QTime(9, 0));
        FixedClock clock(start);
        WriteSetting(QStringLiteral("Beeper"), CheckBoxValue(true));
        QVERIFY(m_f->LoadRecords("1;5\r\n"));
        ScannerPty scanner;
        Scanner()->Open(scanner.Device());
        QTest::keyClicks(m_f->Entry(), QStringLiteral("77"));
        QTest::keyClick(m_f->Entry(), Qt::Key_Left);
        auto* band = Find<QLabel>(m_f->window, "lblAlarm");
        struct Scan {
            QByteArray sent, recorded;
            QString sound, shown; // shown in the status bar or the band
        };
        const Scan scans[] = {
            {"345\r", "2;345\r\n", kBuiltInTone, GetText(QStringLiteral("MKL_SB_SAVED"))},
            {"345\r", "", kRefusedSoundPath, GetText(QStringLiteral("MKL_SB_REPEATREFUSED"), {{"[bib]", "345"}})},
            {"1234567890\r", "", kAlarmSoundPath, "1234567890"},
        };
        QByteArray file("1;5\r\n");
        for (const Scan& scan : scans) {
            sounds.clear();
            QVERIFY(scanner.Send(scan.sent));
            QTRY_COMPARE(sounds, QStringList{scan.sound});
            QCOMPARE(FileBytes(m_f->path()), file += scan.recorded);
            QVERIFY2((m_f->Panel(2) + band->text()).contains(scan.shown), qPrintable(scan.shown));
            QCOMPARE(m_f->Entry()->text() + '|' + QString::number(m_f->Entry()->cursorPosition()), "77|1");
        }
        for (const char* code : {"21", "22", "23", "24", "25"}) { // scans between keystrokes
            QVERIFY(scanner.Send(code + QByteArray("\r")));
            QTRY_VERIFY(FileBytes(m_f->path()).endsWith(code + QByteArray("\r\n")));
            QTest::keyClick(m_f->Entry(), Qt::Key_8);
        }
        QCOMPARE(FileBytes(m_f->path()), file + "3;21\r\n4;22\r\n5;23\r\n6;24\r\n7;25\r\n");
        QCOMPARE(m_f->Entry()->text(), "7888887");

        // A correction in the grid goes on while a scan is recorded as a row of its own.
        auto* table = Find<QTableView>(m_f->window, "Grid");
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(0, 1)).center());
        auto* editor = Find<QLineEdit>(m_f->window, "txtWorkOn");
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, QStringLiteral("9"));
        QVERIFY(scanner.Send("700\r"));
        QTRY_VERIFY(FileBytes(m_f->path()).endsWith("8;700\r\n"));
        QVERIFY(editor->hasFocus());
        QTest::keyClicks(editor, QStringLiteral("9"));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(FileBytes(m_f->path()).startsWith("1;99\r\n2;345\r\n"));
        m_f->Record(QString()); // the bib typed answers the alarm of the code too long
        QVERIFY(!band->isVisible());

        bool held = false;
        GuiFixture::OnModal([&](QWidget& dialog) {
            clock.set(start.addSecs(60));
            held = scanner.Send("801\r") &&
                   QTest::qWaitFor([&] { return m_f->Panel(2) == GetCountText("MKL_SB_SCANSHELD", 1); }) &&
                   !FileBytes(m_f->path()).contains("801");
            clock.set(start.addSecs(3600));
            dialog.close();
        });
        m_f->Trigger("mnuExtras_BarcodeScanner");
        QVERIFY(held);
        QTRY_VERIFY(FileBytes(m_f->path()).endsWith(";801\r\n"));
        QCOMPARE(m_f->window->Records().PassageTime(m_f->window->Records().Count() - 1), start.addSecs(60));
    }

    // The scanner command asks for the port, offering the stored number (at least 1). The box
    // validates when the focus leaves it, not while typing, and reads numbers as everywhere; OK opens
    // the device chosen and remembers it. A number too large for a port keeps the dialog open; Escape
    // stores the number typed and keeps the scanner reading; Enter in the box opens it unvalidated.
    void portDialogSession() {
        if (!frmPort::AsksForDevice())
            QSKIP("this system names serial ports by number only");
        QVERIFY(m_f->LoadRecords(QByteArray()));
        ScannerPty scanner;
        StorePort(3, RegistryType::DWord);
        QString offered;
        OnPortDialog([&](frmPort& dialog) {
            offered = Port(dialog)->text() + '|' + Device(dialog)->itemText(0); // empty: the number names the port
            Device(dialog)->setEditText(scanner.Device());
            Port(dialog)->setFocus();
            QTRY_VERIFY(Port(dialog)->hasFocus());
            Port(dialog)->setText(QStringLiteral("&H10"));
            QTest::keyClick(Port(dialog), Qt::Key_Tab);
            offered += '|' + Port(dialog)->text();
            Button(dialog, 0)->click();
        });
        m_f->Trigger("mnuExtras_BarcodeScanner");
        QCOMPARE(offered, QStringLiteral("3||16"));
        QVERIFY(scanner.Send("31\r"));
        QTRY_COMPARE(FileBytes(m_f->path()), QByteArray("1;31\r\n"));
        QCOMPARE(ReadSetting(BarcodeDeviceSetting()).toString(), scanner.Device());
        QCOMPARE(StoredPort(), QStringLiteral("16")); // the family's setting keeps a number

        bool stayedOpen = false;
        OnPortDialog([&](frmPort& dialog) {
            Port(dialog)->setText(QStringLiteral("1E300")); // no 32-bit port number
            Button(dialog, 0)->click();
            stayedOpen = dialog.isVisible();
            Port(dialog)->setText(QStringLiteral("0"));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        m_f->Trigger("mnuExtras_BarcodeScanner");
        QVERIFY(stayedOpen && Scanner()->IsOpen());
        QCOMPARE(m_f->messages.shown().size(), 1);
        QCOMPARE(StoredPort(), QStringLiteral("0"));
        m_f->messages.clear();

        OnPortDialog([&](frmPort& dialog) {
            offered = Port(dialog)->text() + '|' + Device(dialog)->currentText();
            Device(dialog)->setEditText(QString());
            Port(dialog)->setFocus();
            Port(dialog)->selectAll();
            QTest::keyClicks(Port(dialog), QStringLiteral("0"));
            QTest::keyClick(Port(dialog), Qt::Key_Return); // OK by the default button, no validation
        });
        m_f->Trigger("mnuExtras_BarcodeScanner");
        QCOMPARE(offered, "1|" + scanner.Device());
        QCOMPARE(m_f->messages.lastText(), Text("MKL_MSG_PORTINVALID", QStringLiteral("0")));
        QVERIFY(!Scanner()->IsOpen() && !Timer()->isActive()); // the port open before was closed first
        QCOMPARE(StoredPort(), QStringLiteral("0"));
        m_f->messages.clear();
    }

private:
    BarcodeScanner* Scanner() const { return m_f->window->findChild<BarcodeScanner*>(); }
    QTimer* Timer() const { return Find<QTimer>(m_f->window, "tmrBarcode"); }
    QString ScannerCommand() const {
        return Find<QAction>(m_f->window, "mnuExtras_BarcodeScanner")->text().remove('&');
    }
    QString Text(const char* key, const QString& port) const {
        return GetText(QLatin1String(key)).replace(QStringLiteral("[port]"), port);
    }
    // Runs action on the port dialog once it is shown modal; the action closes it.
    static void OnPortDialog(std::function<void(frmPort&)> action) {
        GuiFixture::OnModal([action](QWidget& dialog) {
            if (auto* port = qobject_cast<frmPort*>(&dialog))
                action(*port);
        });
    }
    static QLineEdit* Port(frmPort& dialog) { return Find<QLineEdit>(&dialog, "txtPort"); }
    static QComboBox* Device(frmPort& dialog) { return Find<QComboBox>(&dialog, "cboDevice"); }
    static QPushButton* Button(frmPort& dialog, int index) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>(QStringLiteral("cmdCommand")))
            if (button->property("index").toInt() == index)
                return button;
        qFatal("cmdCommand(%d) not found", index);
    }
    static QString StoredPort() {
        return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort")).toString();
    }
    static void StorePort(const QVariant& value, qint32 type = RegistryType::String) {
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort"), value, type);
    }

    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestBarcodeScanner)
#include "tst_gui_barcodescanner.moc"
