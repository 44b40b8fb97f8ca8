#pragma once

#include <QString>

// Why a serial device that exists cannot be opened. Both answer for the calling process's
// effective user; on Windows, which has no device files, they answer false and "".

// True when the device file exists but the user may not read and write it.
bool IsDeviceAccessDenied(const QString& location);

// The name of the group that owns the device file: the group a user must join to use the port.
// "dialout", the usual owner of serial devices, when the file or its group cannot be looked up.
QString DeviceGroupName(const QString& location);
