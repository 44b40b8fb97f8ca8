#pragma once

#include <QTcpSocket>
#include <QTest>

// One HTTP request on a new loopback connection, the event loop running meanwhile; the reply once
// its head and as much body as it announced are in (status 0 while nothing answers).
struct HttpReply {
    int status = 0;
    QByteArray head;
    QByteArray body;
};

inline HttpReply HttpExchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor(
            [&] {
                return socket.state() != QAbstractSocket::ConnectingState &&
                       socket.state() != QAbstractSocket::HostLookupState;
            },
            10000) ||
        socket.state() != QAbstractSocket::ConnectedState)
        return {};
    socket.write(request);
    QByteArray bytes;
    HttpReply reply;
    const bool whole = QTest::qWaitFor(
        [&] {
            bytes += socket.readAll();
            const qsizetype end = bytes.indexOf("\r\n\r\n");
            reply = {bytes.mid(9, 3).toInt(), bytes.left(end), end < 0 ? QByteArray() : bytes.mid(end + 4)};
            const QByteArray head = reply.head.toLower();
            const qsizetype at = head.indexOf("content-length:");
            const qsizetype length =
                at < 0 ? 0 : head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
            return (end >= 0 && (request.startsWith("HEAD") || reply.body.size() >= length)) ||
                   socket.state() == QAbstractSocket::UnconnectedState;
        },
        10000);
    return whole ? reply : HttpReply{};
}

inline QByteArray HttpGet(const QByteArray& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}
