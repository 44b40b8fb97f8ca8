#pragma once

#include "board/HttpRequestHead.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>

#include <memory>

class QThread;
class BoardConnections;

// What the server answers of the race, made once per change by the window and never changed
// afterwards, so the server's thread reads it without asking the window.
struct LapBoardSnapshot {
    LapBoardSnapshot() = default;
    LapBoardSnapshot(QByteArray json, QByteArray qrPng, QString busy);
    QByteArray json;
    QByteArray etag;  // quoted, as the ETag header carries it
    QByteArray qrPng; // the QR code of the page's address; empty without one
    QByteArray busy;  // the text of the answer to a client over the limits, in the operator's language
};

// The lap board's web server: a minimal HTTP/1.1 server that serves the page, its script and
// style (built in), the QR code and the standings as JSON, and nothing else. GET and HEAD only.
// It runs in a thread of its own and answers from the snapshot published last, so no client can
// hold up the recording: the window publishes without waiting, and the server never calls back.
// Every request is bounded in size, header count and time; each connection gets a bounded share
// of work per turn of the server's event loop, so a pipelining client cannot starve the others;
// the connections are limited per client address and in all, and a client over the limits gets
// a readable 503 with Retry-After.
class LapBoardServer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        HttpRequestLimits request;
        int maxClients = 256;
        int maxClientsPerAddress = 32;
        int requestsPerTurn = 4;      // answered per connection before the others have their turn
        int requestTimeoutMs = 10000; // for a request's head to arrive
        int idleTimeoutMs = 15000;    // a kept connection without a request
        int closingTimeoutMs = 2000;  // for a client to take its last answer and close
        int retryAfterSeconds = 5;
        qint64 maxUnsent = 256 * 1024; // answers waiting for a client that does not read
    };
    using Snapshot = std::shared_ptr<const LapBoardSnapshot>;

    explicit LapBoardServer(QObject* parent = nullptr);
    ~LapBoardServer() override;

    // Listens on every address at the port. False, with the reason in `error`, when it cannot.
    bool Start(quint16 port, QString* error);
    void Stop();
    bool IsRunning() const { return m_port != 0; }
    quint16 Port() const { return m_port; }
    // The snapshot every answer from now on is made from. Never waits for the server.
    void Publish(Snapshot snapshot);
    Snapshot Current() const;

    static constexpr const char* kJsonPath = "/api/standings.json";

private:
    QThread* m_thread = nullptr;
    BoardConnections* m_connections = nullptr; // lives in m_thread
    const Limits m_limits;
    quint16 m_port = 0;
    mutable QMutex m_snapshotLock; // held only to exchange the pointer
    Snapshot m_snapshot;
};
