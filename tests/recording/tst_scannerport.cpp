#include "recording/ScanReader.h"
#include "recording/SerialDeviceAccess.h"
#include "recording/SerialPortName.h"

#include <QTemporaryDir>
#include <QTest>

// The serial scanner without a window: the name a chosen port opens, and the codes its bytes make.
class TestScannerPort : public QObject {
    Q_OBJECT

private slots:
    void portName() {
        struct Case {
            bool windows;
            qint32 port;
            QString device, name;
        };
        const Case cases[] = {
            {true, 12, "", "COM12"},
            {true, 3, "  ", "COM3"}, // a blank device counts as none
            {false, 12, "", "/dev/ttyS11"},
            {false, 4, " /dev/ttyUSB0 ", "/dev/ttyUSB0"}, // the device wins over the number
            {false, 1, "ttyUSB2", "/dev/ttyUSB2"},
        };
        for (const Case& c : cases) {
            const PortPlatform platform = c.windows ? PortPlatform::Windows : PortPlatform::Unix;
            QCOMPARE(SerialPortName(c.port, c.device, platform), c.name);
            QCOMPARE(SerialDeviceLocation(c.name, platform), c.windows ? QString() : c.name);
        }
#ifndef Q_OS_WIN
        // A missing device is reported as missing, not denied; its group is the usual one.
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("ttyUSB9"));
        QCOMPARE(DeviceGroupName(missing), QStringLiteral("dialout"));
        QVERIFY(!IsDeviceAccessDenied(missing));
#endif
    }

    // The codes the scanner's reads make, each read a minute after the one before: "!" marks a
    // code too long to be a bib, "@" the minute it arrived.
    void codes_data() {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QString>("codes");
        const auto row = [](const char* name, const QByteArrayList& reads, const QString& codes) {
            QTest::newRow(name) << reads << codes;
        };
        row("carriage return ends a code", {"417\r"}, "417@0");
        row("line feed, letters and prefixes are noise", {"B4\nA1x\r\n"}, "41@0");
        row("completed by the next read, timed by its end", {"12", "3\r"}, "123@1");
        row("several in one read, in order", {"12\r45\r", "7\r"}, "12@0 45@0 7@1");
        row("no carriage return, no code", {"417"}, "");
        row("empty codes are none", {"\r\r"}, "");
        row("eight digits are a bib", {"12345678\r"}, "12345678@0");
        row("a ninth digit makes it too long, never cut short", {"123456789\r"}, "!123456789@0");
        row("a very long code shows its start", {QByteArray(30, '7') + "\r"}, "!" + QString(24, '7') + u'…' + "@0");
        row("zero byte and high bytes",
            {QByteArray("1\0\xff"
                        "2\r",
                        5)},
            "12@0");
    }
    void codes() {
        QFETCH(QByteArrayList, reads);
        const QDateTime start(QDate(2024, 5, 4), QTime(9, 0));
        ScanReader reader;
        for (qsizetype i = 0; i < reads.size(); ++i)
            reader.Take(reads[i], start.addSecs(60 * i));
        QStringList codes;
        while (const std::optional<ScannedCode> code = reader.Next())
            codes << (code->overlong ? "!" : "") + code->digits + '@' +
                         QString::number(start.secsTo(code->arrived) / 60);
        QTEST(codes.join(' '), "codes");
    }
};

QTEST_GUILESS_MAIN(TestScannerPort)
#include "tst_scannerport.moc"
