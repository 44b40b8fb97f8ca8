#include "board/BoardAddresses.h"

#include <QNetworkInterface>

QStringList BoardAddresses(quint16 port) {
    QStringList addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                addresses.append(QStringLiteral("http://%1:%2/").arg(entry.ip().toString()).arg(port));
        }
    }
    if (addresses.isEmpty())
        addresses.append(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    return addresses;
}
