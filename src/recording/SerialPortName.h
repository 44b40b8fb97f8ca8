#pragma once

#include <QString>

// How a scanner port chosen in the port dialog is named for the serial port: by the family's
// COM port number, or on Unix systems by a device path, since a number alone names no device there.
enum class PortPlatform { Windows, Unix };

#ifdef Q_OS_WIN
constexpr PortPlatform kThisPlatform = PortPlatform::Windows;
#else
constexpr PortPlatform kThisPlatform = PortPlatform::Unix;
#endif

// Port numbers the scanner accepts: COM1 to COM255.
constexpr qint32 kLowestPortNumber = 1;
constexpr qint32 kHighestPortNumber = 255;

bool IsValidPortNumber(qint32 port);

// The name to open. A device given (blanks trimmed) wins over the number; on Unix a bare device
// name gets "/dev/" in front. Otherwise Windows names port N "COMN" and Unix "/dev/ttyS" followed
// by N - 1, the classic numbering of the first serial ports (COM1 = /dev/ttyS0).
QString SerialPortName(qint32 port, const QString& device, PortPlatform platform = kThisPlatform);

// Where the device of a port name lives in the file system ("" on Windows, which has none).
QString SerialDeviceLocation(const QString& portName, PortPlatform platform = kThisPlatform);
