#include "board/LapBoardServer.h"

#include <QFile>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

struct Resource {
    const char* file;
    const char* type;
};

// The built-in files, by path.
const QHash<QByteArray, Resource>& Resources() {
    static const QHash<QByteArray, Resource> resources{
        {"/", {":/board/index.html", "text/html; charset=utf-8"}},
        {"/index.html", {":/board/index.html", "text/html; charset=utf-8"}},
        {"/board.js", {":/board/board.js", "text/javascript; charset=utf-8"}},
        {"/board.css", {":/board/board.css", "text/css; charset=utf-8"}},
    };
    return resources;
}

QByteArray ResourceBytes(const char* file) {
    static QHash<QByteArray, QByteArray> cache;
    auto found = cache.find(file);
    if (found == cache.end()) {
        QFile resource(QString::fromLatin1(file));
        found = cache.insert(file, resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray());
    }
    return *found;
}

QByteArray Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

QByteArray Response(int status, const QByteArray& type, const QByteArray& body, bool withBody, bool keepAlive,
                    const QByteArray& extraHeaders = QByteArray()) {
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
    if (!type.isEmpty())
        response += "Content-Type: " + type + "\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response += "Cache-Control: no-cache\r\n"
                "X-Content-Type-Options: nosniff\r\n"
                "Referrer-Policy: no-referrer\r\n"
                "Content-Security-Policy: default-src 'self'; img-src 'self' data:; frame-ancestors 'none'\r\n";
    response += extraHeaders;
    response += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (withBody)
        response += body;
    return response;
}

QByteArray ErrorResponse(int status) {
    const QByteArray body = QByteArray::number(status) + ' ' + Reason(status) + '\n';
    return Response(status, "text/plain; charset=utf-8", body, true, false,
                    status == 405 ? QByteArray("Allow: GET, HEAD\r\n") : QByteArray());
}

} // namespace

LapBoardSnapshot::LapBoardSnapshot(QByteArray body)
    : json(std::move(body)), etag('"' + QByteArray::number(qHash(json), 16) + '"') {}

LapBoardServer::LapBoardServer(SnapshotSource snapshot, QObject* parent)
    : QObject(parent), m_snapshot(std::move(snapshot)) {
    Q_INIT_RESOURCE(board); // the page lives in a static library
}

LapBoardServer::~LapBoardServer() {
    Stop();
}

bool LapBoardServer::Start(quint16 port, QString* error) {
    Stop();
    m_server = new QTcpServer(this);
    if (!m_server->listen(QHostAddress::Any, port)) {
        if (error)
            *error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QTcpServer::newConnection, this, &LapBoardServer::AcceptClients);
    return true;
}

void LapBoardServer::Stop() {
    if (!m_server)
        return;
    // The clients are the server's children and go with it.
    delete m_server;
    m_server = nullptr;
    m_clients.clear();
}

bool LapBoardServer::IsRunning() const {
    return m_server && m_server->isListening();
}

quint16 LapBoardServer::Port() const {
    return m_server ? m_server->serverPort() : 0;
}

void LapBoardServer::AcceptClients() {
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket* socket = m_server->nextPendingConnection();
        if (m_clients.size() >= m_limits.maxClients) {
            // Told so in one short write; the kernel takes it without waiting for the client.
            socket->write(ErrorResponse(503));
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(1000, socket, [socket] { socket->abort(); });
            continue;
        }
        // Qt buffers no more than the largest head for us; the rest waits in the kernel.
        socket->setReadBufferSize(m_limits.request.maxHeadBytes + 1);
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        m_clients.insert(socket, Client{QByteArray(), timer});
        connect(timer, &QTimer::timeout, socket, [this, socket] {
            // A head still arriving is answered; an idle kept connection just closes.
            if (m_clients.value(socket).received.isEmpty())
                socket->abort();
            else
                Finish(socket, 408);
        });
        timer->start(m_limits.requestTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { Serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_clients.remove(socket);
            socket->deleteLater();
        });
    }
}

void LapBoardServer::Serve(QTcpSocket* socket) {
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < m_limits.maxUnsent) {
        const auto client = m_clients.find(socket);
        if (client == m_clients.end())
            return;
        QByteArray& received = client->received;
        QTimer* timer = client->timeout;
        const qint64 room = m_limits.request.maxHeadBytes + 1 - received.size();
        if (room > 0 && socket->bytesAvailable() > 0)
            received += socket->read(room);
        if (received.isEmpty())
            return;
        const HttpRequestHead head = ParseHttpRequestHead(received, m_limits.request);
        if (head.state == HttpRequestHead::State::Incomplete) {
            if (!timer->isActive())
                timer->start(m_limits.requestTimeoutMs);
            return;
        }
        if (head.state == HttpRequestHead::State::Invalid) {
            Finish(socket, head.status);
            return;
        }
        received.remove(0, head.length);
        if (!Answer(socket, head))
            return;
        timer->start(m_limits.idleTimeoutMs);
    }
}

bool LapBoardServer::Answer(QTcpSocket* socket, const HttpRequestHead& head) {
    const bool isHead = head.method == "HEAD";
    if (head.method != "GET" && !isHead) {
        Finish(socket, 405);
        return false;
    }
    // A body is never read, so the connection cannot carry another request after it.
    const bool keepAlive = head.keepAlive && !head.hasBody;
    int status = 200;
    QByteArray type;
    QByteArray body;
    QByteArray extra;
    if (head.path == kJsonPath) {
        const LapBoardSnapshot snapshot = m_snapshot ? m_snapshot() : LapBoardSnapshot(QByteArray());
        body = snapshot.json;
        type = "application/json; charset=utf-8";
        extra = "ETag: " + snapshot.etag + "\r\n";
        if (head.ifNoneMatch == snapshot.etag) {
            status = 304;
            body.clear();
        }
    } else if (Resources().contains(head.path)) {
        const Resource resource = Resources().value(head.path);
        type = resource.type;
        body = ResourceBytes(resource.file);
    } else {
        status = 404;
        type = "text/plain; charset=utf-8";
        body = "404 Not Found\n";
    }
    socket->write(Response(status, type, body, !isHead && status != 304, keepAlive, extra));
    if (!keepAlive) {
        socket->disconnectFromHost();
        return false;
    }
    return true;
}

void LapBoardServer::Finish(QTcpSocket* socket, int status) {
    if (const auto client = m_clients.find(socket); client != m_clients.end())
        client->received.clear();
    socket->write(ErrorResponse(status));
    socket->disconnectFromHost();
    // A client that reads nothing cannot keep the connection by filling its window.
    QTimer::singleShot(m_limits.idleTimeoutMs, socket, [socket] { socket->abort(); });
}
