#pragma once

#include "board/HttpRequestHead.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The standings as the server answers them: the JSON and its entity tag, made once per change.
struct LapBoardSnapshot {
    LapBoardSnapshot() = default;
    explicit LapBoardSnapshot(QByteArray json);
    QByteArray json;
    QByteArray etag; // quoted, as the ETag header carries it
};

// The lap board's web server: a minimal HTTP/1.1 server in the program's event loop that serves
// the page, its script and style (built in) and the standings as JSON, and nothing else.
// GET and HEAD only; every request is bounded in size, header count and time, and the number of
// clients is capped, so a faulty or hostile client costs the recording nothing but a few
// microseconds per read.
class LapBoardServer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        HttpRequestLimits request;
        int maxClients = 64;
        int requestTimeoutMs = 10000; // for a request's head to arrive
        int idleTimeoutMs = 15000;    // a kept connection without a request
        qint64 maxUnsent = 1 << 20;   // answers waiting for a client that does not read
    };
    // The latest snapshot of the standings; asked for each request of it, so it should keep its
    // result while nothing changed.
    using SnapshotSource = std::function<LapBoardSnapshot()>;

    explicit LapBoardServer(SnapshotSource snapshot, QObject* parent = nullptr);
    ~LapBoardServer() override;

    // Listens on every address at the port. False, with the reason in `error`, when it cannot.
    bool Start(quint16 port, QString* error);
    void Stop();
    bool IsRunning() const;
    quint16 Port() const;
    void SetLimits(const Limits& limits) { m_limits = limits; }

    static constexpr const char* kJsonPath = "/api/standings.json";

private:
    void AcceptClients();
    void Serve(QTcpSocket* socket);
    // Answers one complete request head; false when the connection closes after the answer.
    bool Answer(QTcpSocket* socket, const HttpRequestHead& head);
    void Finish(QTcpSocket* socket, int status);

    SnapshotSource m_snapshot;
    QTcpServer* m_server = nullptr;
    Limits m_limits;
    // A client being served: the bytes of its request not yet complete, and the time it has for
    // its request (a head still arriving) or to send another (a kept connection).
    struct Client {
        QByteArray received;
        QTimer* timeout = nullptr;
    };
    QHash<QTcpSocket*, Client> m_clients;
};
