#include "recording/SerialDeviceAccess.h"
#include "recording/SerialPortName.h"

#include <QTemporaryDir>
#include <QTest>

// The mapping from the port dialog's number or device to the name the serial port opens.
class TestSerialPortName : public QObject {
    Q_OBJECT

private slots:
    void portName() {
        struct Case {
            bool windows;
            qint32 port;
            QString device, name, location;
        };
        const QString byId = QStringLiteral("/dev/serial/by-id/usb-Scan_1-if00");
        const Case cases[] = {
            {true, 1, "", "COM1", ""},
            {true, 12, "", "COM12", ""},
            {true, 3, "  ", "COM3", ""}, // a blank device counts as none
            {false, 1, "", "/dev/ttyS0", "/dev/ttyS0"},
            {false, 12, "", "/dev/ttyS11", "/dev/ttyS11"},
            {false, 4, "/dev/ttyUSB0", "/dev/ttyUSB0", "/dev/ttyUSB0"}, // the device wins over the number
            {false, 1, " /dev/ttyACM1 ", "/dev/ttyACM1", "/dev/ttyACM1"},
            {false, 1, "ttyUSB2", "/dev/ttyUSB2", "/dev/ttyUSB2"},
            {false, 1, byId, byId, byId},
        };
        for (const Case& c : cases) {
            const PortPlatform platform = c.windows ? PortPlatform::Windows : PortPlatform::Unix;
            QCOMPARE(SerialPortName(c.port, c.device, platform), c.name);
            QCOMPARE(SerialDeviceLocation(c.name, platform), c.location);
        }
    }

    void groupOfMissingDeviceIsDialout() {
#ifdef Q_OS_WIN
        QSKIP("device files exist only on Unix systems");
#endif
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("ttyUSB9"));
        QCOMPARE(DeviceGroupName(missing), QStringLiteral("dialout"));
        QVERIFY(!IsDeviceAccessDenied(missing)); // missing is not denied: it is reported as missing
    }
};

QTEST_GUILESS_MAIN(TestSerialPortName)
#include "tst_serialportname.moc"
