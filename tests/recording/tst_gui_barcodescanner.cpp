#include "ScannerTestHost.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/SerialDeviceAccess.h"
#include "recording/frmMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <memory>
#include <sys/stat.h>

// The barcode scanner reading a real serial device: the slave side of a pseudo-terminal.
class TestBarcodeScanner : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_language = std::make_unique<ScopedLanguage>();
        m_host = std::make_unique<ScannerTestHost>();
    }

    void cleanup() {
        m_host.reset();
        m_language.reset();
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_messages.reset();
        m_env.reset();
    }

    void scannedCharacters_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QList<qint32>>("recorded");
        QTest::addColumn<QString>("left"); // what stays in the entry box

        QTest::newRow("bib and CR") << QByteArray("123\r") << QList<qint32>{123} << "";
        QTest::newRow("CR LF records once") << QByteArray("123\r\n") << QList<qint32>{123} << "";
        QTest::newRow("two bibs in one read") << QByteArray("12\r45\r") << QList<qint32>{12, 45} << "";
        QTest::newRow("ten digits keep eight") << QByteArray("1234567890\r") << QList<qint32>{12345678} << "";
        QTest::newRow("prefix letter dropped") << QByteArray("B123\r") << QList<qint32>{123} << "";
        QTest::newRow("blanks and suffix dropped") << QByteArray(" 4 2x\r") << QList<qint32>{42} << "";
        QTest::newRow("no CR records nothing") << QByteArray("123") << QList<qint32>{} << "123";
        QTest::newRow("empty lines record nothing") << QByteArray("\r\r\n\r") << QList<qint32>{} << "";
        QTest::newRow("zero stays in the box") << QByteArray("0\r7") << QList<qint32>{} << "07";
    }

    void scannedCharacters() {
        QFETCH(QByteArray, sent);
        QFETCH(QList<qint32>, recorded);
        QFETCH(QString, left);
        FakeScanner scanner;
        m_host->scanner->Open(scanner.Device());
        QVERIFY(m_host->tmrBarcode->isActive());
        QCOMPARE(m_host->tmrBarcode->interval(), 20);
        m_host->txtEnter->setText(QStringLiteral("")); // typed and scanned digits share the box
        QVERIFY(scanner.Send(sent + "9\r"));           // a last bib marks the end of the test's data
        recorded.append((left + QStringLiteral("9")).toInt());
        QTRY_COMPARE(m_host->bibs, recorded);
        QCOMPARE(m_host->txtEnter->text(), QString());
    }

    // Choosing the open port again closes and reopens it (no "in use"); a bib may arrive in two reads.
    void reopenedPortReadsBibSplitAcrossReads() {
        FakeScanner scanner;
        m_host->scanner->Open(scanner.Device());
        m_host->scanner->Open(scanner.Device());
        QVERIFY(m_host->scanner->IsOpen());
        QVERIFY(scanner.Send("12"));
        QTRY_COMPARE(m_host->txtEnter->text(), QStringLiteral("12"));
        QVERIFY(m_host->bibs.isEmpty());
        QVERIFY(scanner.Send("3\r"));
        QTRY_COMPARE(m_host->bibs, QList<qint32>{123});
    }

    void thousandBibsInOrder() {
        FakeScanner scanner;
        m_host->scanner->Open(scanner.Device());
        QList<qint32> expected;
        QByteArray sent;
        for (qint32 i = 1; i <= 1000; ++i) {
            expected.append(i * 7919 % 99991 + 1); // one to five digits, no two alike in a row
            sent += QByteArray::number(expected.last()) + "\r\n";
        }
        QVERIFY(scanner.Send(sent));
        QTRY_COMPARE_WITH_TIMEOUT(m_host->bibs.size(), 1000, 60000);
        QCOMPARE(m_host->bibs, expected);
    }

    void openFailuresAreReported() {
        QTemporaryDir dir;
        FakeScanner scanner;
        QSerialPort otherProgram;
        otherProgram.setPortName(scanner.Device());
        QVERIFY(otherProgram.open(QIODevice::ReadWrite));
        const QString missing = dir.filePath(QStringLiteral("ttyUSB7"));
        const QString notATerminal = dir.filePath(QStringLiteral("plain"));
        WriteBytes(notATerminal, "x");

        struct Case {
            std::function<void()> open;
            QString message;
        };
        const Case cases[] = {
            {[&] { m_host->scanner->Open(missing); }, Text("MKL_MSG_PORTMISSING", missing)},
            {[&] { m_host->scanner->Open(scanner.Device()); }, Text("MKL_MSG_PORTBUSY", scanner.Device())},
            {[&] { m_host->scanner->Open(notATerminal); }, Text("MKL_MSG_PORTFAILED", notATerminal)},
            {[&] { m_host->scanner->OpenPort(0, QString()); }, Text("MKL_MSG_PORTINVALID", QStringLiteral("0"))},
            {[&] { m_host->scanner->OpenPort(40000, QStringLiteral(" ")); },
             Text("MKL_MSG_PORTINVALID", QStringLiteral("40000"))},
        };
        for (const Case& failure : cases) {
            FakeScanner working;
            m_host->scanner->Open(working.Device());
            try {
                failure.open();
                QFAIL(qPrintable(QStringLiteral("no error for ") + failure.message));
            } catch (const RaisedError& error) {
                QVERIFY2(error.info().description.startsWith(failure.message), qPrintable(error.info().description));
            }
            // The port open before is closed, and the scanner stays off.
            QVERIFY(!m_host->scanner->IsOpen());
            QVERIFY(!m_host->tmrBarcode->isActive());
        }
    }

    void deniedPortNamesTheOwningGroup() {
        if (::geteuid() != 0)
            QSKIP("needs root to act as a user without rights");
        FakeScanner scanner;
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(scanner.Device()).constData(), &info), 0);
        if ((info.st_mode & S_IWOTH) != 0)
            QSKIP("this system's terminals are writable for everybody");
        const QString group = QString::fromLocal8Bit(::getgrgid(info.st_gid)->gr_name);
        QCOMPARE(DeviceGroupName(scanner.Device()), group);

        QString description;
        QCOMPARE(::seteuid(65534), 0); // nobody
        try {
            m_host->scanner->Open(scanner.Device());
        } catch (const RaisedError& error) {
            description = error.info().description;
        }
        QCOMPARE(::seteuid(0), 0);
        QVERIFY2(description.startsWith(Text("MKL_MSG_PORTDENIED", scanner.Device())), qPrintable(description));
        QVERIFY2(description.contains(QLatin1Char('"') + group + QLatin1Char('"')), qPrintable(description));
        QVERIFY(!m_host->tmrBarcode->isActive());
    }

    void vanishedPortIsReportedAndReopened() {
        // The scanner's device is a link, as /dev/serial/by-id gives them: after the cable is pulled
        // the same name comes back with another terminal behind it.
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("scanner"));
        auto first = std::make_unique<FakeScanner>();
        QVERIFY(QFile::link(first->Device(), link));
        QSignalSpy lost(m_host->scanner, &BarcodeScanner::ScannerLost);
        QSignalSpy back(m_host->scanner, &BarcodeScanner::ScannerBack);
        QSignalSpy alarm(m_host->scanner, &BarcodeScanner::ScannerAlarm);
        m_host->scanner->Open(link);

        QVERIFY(first->Send("12\r56"));
        QTRY_COMPARE(m_host->txtEnter->text(), QStringLiteral("56"));
        first->Unplug();
        QTRY_COMPARE(lost.size(), 1);
        QCOMPARE(lost.first().first().toString(), GetText(QStringLiteral("MKL_SB_SCANNERLOST")));
        QVERIFY(!m_host->scanner->IsOpen());
        QVERIFY(!m_host->tmrBarcode->isActive());
        // For the window's alarm band and the log, never a box: the operator may be typing.
        QVERIFY(m_messages->shown().isEmpty());
        QCOMPARE(alarm.size(), 1);
        QCOMPARE(alarm.first().first().toString(), Text("MKL_MSG_SCANNERLOST", link));
        QVERIFY(FileBytes(m_env->logFile()).contains(Text("MKL_MSG_SCANNERLOST", link).toLocal8Bit()));
        QCOMPARE(m_host->bibs, QList<qint32>{12});
        QCOMPARE(m_host->txtEnter->text(), QStringLiteral("56")); // kept for the operator

        FakeScanner second;
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(second.Device(), link));
        QTRY_COMPARE(back.size(), 1);
        QCOMPARE(lost.size(), 1); // reported once, though the dead port kept failing
        QVERIFY(m_host->tmrBarcode->isActive());
        m_host->txtEnter->clear();
        QVERIFY(second.Send("77\r"));
        QTRY_COMPARE(m_host->bibs, (QList<qint32>{12, 77}));
    }

    // The port is never opened by itself at start, whatever is stored; a scanner that was on when
    // the program last ended is mentioned in the status bar with the way to switch it on.
    void scannerStaysOffAtStart_data() {
        QTest::addColumn<bool>("wasOn");
        QTest::newRow("on when the program last ended") << true;
        QTest::newRow("off when the program last ended") << false;
    }
    void scannerStaysOffAtStart() {
        QFETCH(bool, wasOn);
        FakeScanner scanner;
        WriteSetting(QStringLiteral("BarcodeActive"), CheckBoxValue(wasOn));
        WriteSetting(QStringLiteral("BarcodeDevice"), scanner.Device());
        QPointer<frmMain> window = new frmMain();
        window->Form_Load();
        QVERIFY(!scanner.IsOpenAtOtherEnd());
        QVERIFY(!window->findChild<QTimer*>(QStringLiteral("tmrBarcode"))->isActive());
        const QString panel = window->findChild<QLabel*>(QStringLiteral("StatusBar_Panel2"))->text();
        QCOMPARE(panel.contains(window->findChild<QAction*>(QStringLiteral("mnuExtras_BarcodeScanner"))
                                    ->text()
                                    .remove(QLatin1Char('&'))),
                 wasOn);

        // Switched on by the operator, it is remembered as on at the end; off otherwise.
        window->findChild<BarcodeScanner*>()->Open(scanner.Device());
        QVERIFY(scanner.IsOpenAtOtherEnd());
        QVERIFY(window->close());
        QTRY_VERIFY(window.isNull());
        QVERIFY(!scanner.IsOpenAtOtherEnd());
        QCOMPARE(ReadSetting(QStringLiteral("BarcodeActive")).toString(), QStringLiteral("1"));
    }

private:
    QString Text(const char* key, const QString& port) const {
        return GetText(QLatin1String(key)).replace(QStringLiteral("[port]"), port);
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScopedLanguage> m_language; // English captions
    std::unique_ptr<ScannerTestHost> m_host;
};

QTEST_MAIN(TestBarcodeScanner)
#include "tst_gui_barcodescanner.moc"
