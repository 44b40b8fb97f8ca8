#include "recording/SerialPortName.h"

bool IsValidPortNumber(qint32 port) {
    return port >= kLowestPortNumber && port <= kHighestPortNumber;
}

QString SerialPortName(qint32 port, const QString& device, PortPlatform platform) {
    const QString trimmed = device.trimmed();
    if (!trimmed.isEmpty())
        return platform == PortPlatform::Unix ? SerialDeviceLocation(trimmed, platform) : trimmed;
    if (platform == PortPlatform::Windows)
        return QStringLiteral("COM%1").arg(port);
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

QString SerialDeviceLocation(const QString& portName, PortPlatform platform) {
    if (platform == PortPlatform::Windows)
        return QString();
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
