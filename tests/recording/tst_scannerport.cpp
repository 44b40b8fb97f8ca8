#include "recording/ScanDecoding.h"
#include "recording/SerialDeviceAccess.h"
#include "recording/SerialPortName.h"

#include <QTemporaryDir>
#include <QTest>

// The serial scanner without a window: the name a chosen port opens, and what its bytes type.
class TestScannerPort : public QObject {
    Q_OBJECT

private slots:
    void portName() {
        struct Case {
            bool windows;
            qint32 port;
            QString device, name;
        };
        const QString byId = QStringLiteral("/dev/serial/by-id/usb-Scan_1-if00");
        const Case cases[] = {
            {true, 1, "", "COM1"},
            {true, 12, "", "COM12"},
            {true, 3, "  ", "COM3"}, // a blank device counts as none
            {false, 1, "", "/dev/ttyS0"},
            {false, 12, "", "/dev/ttyS11"},
            {false, 4, "/dev/ttyUSB0", "/dev/ttyUSB0"}, // the device wins over the number
            {false, 1, " /dev/ttyACM1 ", "/dev/ttyACM1"},
            {false, 1, "ttyUSB2", "/dev/ttyUSB2"},
            {false, 1, byId, byId},
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

    // The box's text and the Enters after the bytes, each Enter emptying the box as the record
    // button does.
    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("enters");
        QTest::newRow("digits") << QByteArray("417") << "417" << 0;
        QTest::newRow("carriage return ends a bib") << QByteArray("41\r7") << "7" << 1;
        QTest::newRow("line feed and letters are noise") << QByteArray("4\nA1x") << "41" << 0;
        QTest::newRow("digits beyond eight dropped") << QByteArray("1234567890") << "12345678" << 0;
        QTest::newRow("zero byte and high bytes") << QByteArray("1\0\xff"
                                                                "2",
                                                                4)
                                                  << "12" << 0;
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QString box;
        int pressed = 0;
        for (const char byte : bytes)
            if (DecodeScanByte(byte, box) == ScanEffect::Enter) {
                ++pressed;
                box.clear();
            }
        QCOMPARE(box, text);
        QTEST(pressed, "enters");
    }
};

QTEST_GUILESS_MAIN(TestScannerPort)
#include "tst_scannerport.moc"
