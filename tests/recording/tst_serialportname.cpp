#include "recording/SerialDeviceAccess.h"
#include "recording/SerialPortName.h"

#include <QTemporaryDir>
#include <QTest>

// The mapping from the port dialog's number or device to the name the serial port opens.
class TestSerialPortName : public QObject {
    Q_OBJECT

private slots:
    void portName_data();
    void portName();
    void groupOfMissingDeviceIsDialout();
};

void TestSerialPortName::portName_data() {
    QTest::addColumn<bool>("windows");
    QTest::addColumn<qint32>("port");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("location");

    QTest::newRow("windows 1") << true << 1 << ""
                               << "COM1"
                               << "";
    QTest::newRow("windows 12") << true << 12 << ""
                                << "COM12"
                                << "";
    QTest::newRow("windows blank device") << true << 3 << "  "
                                          << "COM3"
                                          << "";
    QTest::newRow("unix 1 is ttyS0") << false << 1 << ""
                                     << "/dev/ttyS0"
                                     << "/dev/ttyS0";
    QTest::newRow("unix 12") << false << 12 << ""
                             << "/dev/ttyS11"
                             << "/dev/ttyS11";
    QTest::newRow("unix device wins") << false << 4 << "/dev/ttyUSB0"
                                      << "/dev/ttyUSB0"
                                      << "/dev/ttyUSB0";
    QTest::newRow("unix device trimmed") << false << 1 << " /dev/ttyACM1 "
                                         << "/dev/ttyACM1"
                                         << "/dev/ttyACM1";
    QTest::newRow("unix bare name") << false << 1 << "ttyUSB2"
                                    << "/dev/ttyUSB2"
                                    << "/dev/ttyUSB2";
    QTest::newRow("unix stable name") << false << 1 << "/dev/serial/by-id/usb-Scan_1-if00"
                                      << "/dev/serial/by-id/usb-Scan_1-if00"
                                      << "/dev/serial/by-id/usb-Scan_1-if00";
}

void TestSerialPortName::portName() {
    QFETCH(bool, windows);
    QFETCH(qint32, port);
    QFETCH(QString, device);
    QFETCH(QString, name);
    QFETCH(QString, location);
    const PortPlatform platform = windows ? PortPlatform::Windows : PortPlatform::Unix;
    QCOMPARE(SerialPortName(port, device, platform), name);
    QCOMPARE(SerialDeviceLocation(name, platform), location);
}

void TestSerialPortName::groupOfMissingDeviceIsDialout() {
#ifdef Q_OS_WIN
    QSKIP("device files exist only on Unix systems");
#endif
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyUSB9"));
    QCOMPARE(DeviceGroupName(missing), QStringLiteral("dialout"));
    QVERIFY(!IsDeviceAccessDenied(missing)); // missing is not denied: it is reported as missing
}

QTEST_GUILESS_MAIN(TestSerialPortName)
#include "tst_serialportname.moc"
