#pragma once

#include <QStringList>

// The addresses under which other devices reach the lap board at a port: one per IPv4 address
// of a running network interface other than loopback, else the loopback address.
QStringList BoardAddresses(quint16 port);
