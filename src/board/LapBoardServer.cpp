#include "board/LapBoardServer.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <utility>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

// A built-in file of the page; a member of the connections, so not in the file's own namespace.
struct BoardResource {
    QByteArray type;
    QByteArray body;
};

namespace {

// The built-in files, by path.
QHash<QByteArray, BoardResource> ReadResources() {
    const auto read = [](const char* file) {
        QFile resource(QString::fromLatin1(file));
        return resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray();
    };
    const QByteArray page = read(":/board/index.html");
    return {
        {"/", {"text/html; charset=utf-8", page}},
        {"/index.html", {"text/html; charset=utf-8", page}},
        {"/board.js", {"text/javascript; charset=utf-8", read(":/board/board.js")}},
        {"/board.css", {"text/css; charset=utf-8", read(":/board/board.css")}},
    };
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

QByteArray ErrorBody(int status) {
    return QByteArray::number(status) + ' ' + Reason(status) + '\n';
}

// The client may send nothing more: what it still sends is read and dropped until it closes, so
// its unread bytes never make the system reset the connection before it read its answer.
void StopSending(QTcpSocket* socket) {
#ifdef Q_OS_WIN
    ::shutdown(SOCKET(socket->socketDescriptor()), SD_SEND);
#else
    ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
#endif
}

} // namespace

// The server's side in its own thread: the listening socket and every connection.
class BoardConnections : public QObject {
public:
    explicit BoardConnections(const LapBoardServer& server) : m_server(server) {}

    bool Listen(quint16 port, const LapBoardServer::Limits& limits, QString* error, quint16* listening);
    void Close();

private:
    struct Client {
        QByteArray received; // the bytes of requests not yet answered
        QTimer* timeout = nullptr;
        QHostAddress address; // null for a client refused at once
        bool closing = false; // its last answer is written
        bool waiting = false; // has requests left for its next turn
    };

    void Accept();
    QTcpSocket* Admit(QTcpSocket* socket, const QHostAddress& address);
    void Serve(QTcpSocket* socket);
    void NextTurn();
    bool Answer(QTcpSocket* socket, const HttpRequestHead& head, const LapBoardServer::Snapshot& snapshot);
    QByteArray Response(int status, const QByteArray& type, const QByteArray& body, bool withBody, bool keepAlive,
                        const QByteArray& extraHeaders = QByteArray());
    void Finish(QTcpSocket* socket, const QByteArray& answer);
    void Gone(QTcpSocket* socket);

    const LapBoardServer& m_server;
    LapBoardServer::Limits m_limits;
    QHash<QByteArray, BoardResource> m_resources;
    QTcpServer* m_listener = nullptr;
    QHash<QTcpSocket*, Client> m_clients;
    QHash<QHostAddress, int> m_perAddress; // admitted connections
    int m_admitted = 0;
    int m_refused = 0; // connections being told 503
    QList<QPointer<QTcpSocket>> m_waiting;
    bool m_turnPosted = false;
    qint64 m_dateSecond = -1;
    QByteArray m_date;
};

bool BoardConnections::Listen(quint16 port, const LapBoardServer::Limits& limits, QString* error, quint16* listening) {
    Close();
    m_limits = limits;
    if (m_resources.isEmpty())
        m_resources = ReadResources();
    m_listener = new QTcpServer(this);
    if (!m_listener->listen(QHostAddress::Any, port)) {
        *error = m_listener->errorString();
        delete m_listener;
        m_listener = nullptr;
        return false;
    }
    *listening = m_listener->serverPort();
    connect(m_listener, &QTcpServer::newConnection, this, &BoardConnections::Accept);
    return true;
}

void BoardConnections::Close() {
    for (auto client = m_clients.begin(); client != m_clients.end(); ++client) {
        client.key()->disconnect(this);
        client.key()->abort();
        client.key()->deleteLater();
    }
    m_clients.clear();
    m_perAddress.clear();
    m_waiting.clear();
    m_admitted = m_refused = 0;
    delete m_listener;
    m_listener = nullptr;
}

void BoardConnections::Accept() {
    while (m_listener && m_listener->hasPendingConnections()) {
        QTcpSocket* socket = m_listener->nextPendingConnection();
        QHostAddress address = socket->peerAddress();
        bool isIpv4 = false;
        if (const quint32 ipv4 = address.toIPv4Address(&isIpv4); isIpv4)
            address = QHostAddress(ipv4); // the same client over IPv4 and IPv4-mapped IPv6
        const bool admitted =
            m_admitted < m_limits.maxClients && m_perAddress.value(address) < m_limits.maxClientsPerAddress;
        if (!admitted && m_refused >= m_limits.maxClients) {
            socket->abort(); // so many refused at once: not even told
            socket->deleteLater();
            continue;
        }
        Admit(socket, admitted ? address : QHostAddress());
        if (admitted)
            continue;
        ++m_refused;
        const QByteArray retry = "Retry-After: " + QByteArray::number(m_limits.retryAfterSeconds) + "\r\n";
        const LapBoardServer::Snapshot snapshot = m_server.Current();
        const QByteArray text = snapshot && !snapshot->busy.isEmpty() ? snapshot->busy : ErrorBody(503);
        Finish(socket, Response(503, "text/plain; charset=utf-8", text, true, false, retry));
    }
}

QTcpSocket* BoardConnections::Admit(QTcpSocket* socket, const QHostAddress& address) {
    if (!address.isNull()) {
        ++m_admitted;
        ++m_perAddress[address];
    }
    // Qt buffers no more than the largest head for us; the rest waits in the system.
    socket->setReadBufferSize(m_limits.request.maxHeadBytes + 1);
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    m_clients.insert(socket, Client{QByteArray(), timer, address});
    connect(timer, &QTimer::timeout, this, [this, socket] {
        // A head still arriving is answered; an idle kept connection, or one that does not take
        // its last answer, just closes.
        const Client client = m_clients.value(socket);
        if (client.received.isEmpty() || client.closing)
            socket->abort();
        else
            Finish(socket, Response(408, "text/plain; charset=utf-8", ErrorBody(408), true, false));
    });
    timer->start(m_limits.requestTimeoutMs);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { Serve(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Gone(socket); });
    return socket;
}

void BoardConnections::Gone(QTcpSocket* socket) {
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    if (client->address.isNull()) {
        --m_refused;
    } else {
        --m_admitted;
        if (--m_perAddress[client->address] <= 0)
            m_perAddress.remove(client->address);
    }
    m_clients.erase(client);
    socket->deleteLater();
}

// Answers at most requestsPerTurn requests of a connection; the rest waits for the next turn,
// after every other connection had its chance.
void BoardConnections::Serve(QTcpSocket* socket) {
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    if (client->closing) {
        socket->readAll();
        if (socket->bytesToWrite() == 0 && socket->state() == QAbstractSocket::ConnectedState)
            StopSending(socket);
        return;
    }
    LapBoardServer::Snapshot snapshot;
    for (int answered = 0; socket->state() == QAbstractSocket::ConnectedState;) {
        if (socket->bytesToWrite() >= m_limits.maxUnsent)
            return; // goes on once the client read some (bytesWritten)
        QByteArray& received = client->received;
        const qint64 room = m_limits.request.maxHeadBytes + 1 - received.size();
        if (room > 0 && socket->bytesAvailable() > 0)
            received += socket->read(room);
        if (received.isEmpty())
            return;
        const HttpRequestHead head = ParseHttpRequestHead(received, m_limits.request);
        if (head.state == HttpRequestHead::State::Incomplete) {
            if (!client->timeout->isActive())
                client->timeout->start(m_limits.requestTimeoutMs);
            return;
        }
        if (head.state == HttpRequestHead::State::Invalid) {
            Finish(socket, Response(head.status, "text/plain; charset=utf-8", ErrorBody(head.status), true, false));
            return;
        }
        if (answered == m_limits.requestsPerTurn) {
            if (!std::exchange(client->waiting, true))
                m_waiting.append(socket);
            if (!std::exchange(m_turnPosted, true))
                QMetaObject::invokeMethod(this, &BoardConnections::NextTurn, Qt::QueuedConnection);
            return;
        }
        received.remove(0, head.length);
        if (!snapshot)
            snapshot = m_server.Current();
        if (!Answer(socket, head, snapshot))
            return;
        ++answered;
        client->timeout->start(m_limits.idleTimeoutMs);
    }
}

void BoardConnections::NextTurn() {
    m_turnPosted = false;
    const QList<QPointer<QTcpSocket>> waiting = std::exchange(m_waiting, {});
    for (const QPointer<QTcpSocket>& socket : waiting) {
        if (!socket)
            continue;
        if (const auto client = m_clients.find(socket); client != m_clients.end())
            client->waiting = false;
        Serve(socket);
    }
}

bool BoardConnections::Answer(QTcpSocket* socket, const HttpRequestHead& head,
                              const LapBoardServer::Snapshot& snapshot) {
    const bool isHead = head.method == "HEAD";
    if (head.method != "GET" && !isHead) {
        Finish(socket, Response(405, "text/plain; charset=utf-8", ErrorBody(405), true, false, "Allow: GET, HEAD\r\n"));
        return false;
    }
    // A body is never read, so the connection cannot carry another request after it.
    const bool keepAlive = head.keepAlive && !head.hasBody;
    QByteArray answer;
    if (head.path == LapBoardServer::kJsonPath && snapshot) {
        const bool unchanged = head.ifNoneMatch == snapshot->etag;
        answer = Response(unchanged ? 304 : 200, "application/json; charset=utf-8", unchanged ? "" : snapshot->json,
                          !isHead, keepAlive, "ETag: " + snapshot->etag + "\r\n");
    } else if (head.path == "/qr.png" && snapshot && !snapshot->qrPng.isEmpty()) {
        answer = Response(200, "image/png", snapshot->qrPng, !isHead, keepAlive);
    } else if (const auto resource = m_resources.constFind(head.path); resource != m_resources.constEnd()) {
        answer = Response(200, resource->type, resource->body, !isHead, keepAlive);
    } else {
        answer = Response(404, "text/plain; charset=utf-8", ErrorBody(404), !isHead, keepAlive);
    }
    if (!keepAlive) {
        Finish(socket, answer);
        return false;
    }
    socket->write(answer);
    return true;
}

QByteArray BoardConnections::Response(int status, const QByteArray& type, const QByteArray& body, bool withBody,
                                      bool keepAlive, const QByteArray& extraHeaders) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (now.toSecsSinceEpoch() != m_dateSecond) {
        // The page reads the program's clock from it for the race time.
        m_dateSecond = now.toSecsSinceEpoch();
        m_date = "Date: " + QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1() +
                 "\r\n";
    }
    QByteArray response;
    response.reserve(400 + (withBody ? body.size() : 0));
    response += "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
    response += m_date;
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

// The last answer on a connection: written, then the sending side is closed and the client has a
// short time to take it.
void BoardConnections::Finish(QTcpSocket* socket, const QByteArray& answer) {
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    client->closing = true;
    client->received.clear();
    client->timeout->start(m_limits.closingTimeoutMs);
    socket->write(answer);
    socket->flush();
    Serve(socket); // closes the sending side once everything is sent
}

LapBoardSnapshot::LapBoardSnapshot(QByteArray body, QByteArray qr, QString busyText)
    : json(std::move(body)), etag('"' + QByteArray::number(qHash(json, 0x1ab0a2d), 16) + '"'), qrPng(std::move(qr)),
      busy(busyText.toUtf8() + '\n') {}

LapBoardServer::LapBoardServer(QObject* parent) : QObject(parent) {
    Q_INIT_RESOURCE(board); // the page lives in a static library
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("LapBoardThread"));
    m_connections = new BoardConnections(*this);
    m_connections->moveToThread(m_thread);
    m_thread->start();
}

LapBoardServer::~LapBoardServer() {
    Stop();
    m_thread->quit();
    m_thread->wait();
    delete m_connections; // its thread has ended
}

bool LapBoardServer::Start(quint16 port, QString* error) {
    Stop();
    bool listening = false;
    QString why;
    quint16 actual = 0;
    const Limits limits = m_limits;
    QMetaObject::invokeMethod(
        m_connections, [&] { listening = m_connections->Listen(port, limits, &why, &actual); },
        Qt::BlockingQueuedConnection);
    if (!listening && error)
        *error = why;
    m_port = listening ? actual : 0;
    return listening;
}

void LapBoardServer::Stop() {
    if (m_port == 0)
        return;
    QMetaObject::invokeMethod(
        m_connections, [this] { m_connections->Close(); }, Qt::BlockingQueuedConnection);
    m_port = 0;
}

void LapBoardServer::Publish(Snapshot snapshot) {
    const QMutexLocker lock(&m_snapshotLock);
    m_snapshot.swap(snapshot);
    // The old snapshot is released after the lock, by `snapshot` going out of scope.
}

LapBoardServer::Snapshot LapBoardServer::Current() const {
    const QMutexLocker lock(&m_snapshotLock);
    return m_snapshot;
}
