#include "app/FileHandoff.h"

#include "recording/frmMain.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

namespace {
const QByteArray kTaken = QByteArrayLiteral("taken\n");
constexpr int kWaitMs = 3000; // a running copy answers at once; a hanging one is not waited for
} // namespace

QString HandoffServerName() {
    const QByteArray home = QDir::homePath().toUtf8();
    return QStringLiteral("marklog-") +
           QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha256).toHex().left(16));
}

// The running copy answers "taken" or "declined"; a file taken is opened there only once this copy
// has said it got the answer, so a copy that gave up waiting never leaves its file opened twice.
bool HandFileToRunningCopy(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(HandoffServerName());
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(path.toUtf8() + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kWaitMs))
            return false;
    }
    if (socket.readLine() != kTaken)
        return false;
    socket.write(kTaken);
    return socket.waitForBytesWritten(kWaitMs);
}

FileHandoff::FileHandoff(frmMain* window) : QObject(window), m_window(window), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = HandoffServerName();
    if (!m_server->listen(name)) {
        // A name a crashed copy left answers nobody and is taken over; one a running copy holds is its own.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(kWaitMs))
            return;
        QLocalServer::removeServer(name);
        m_server->listen(name);
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            auto taken = std::make_shared<QString>(); // the file this connection's copy handed over
            connect(socket, &QLocalSocket::readyRead, this, [this, socket, taken] { Answer(socket, *taken); });
            Answer(socket, *taken); // what came with the connection
        }
    });
}

void FileHandoff::Answer(QLocalSocket* socket, QString& taken) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine();
        if (!taken.isEmpty()) {
            // The other copy knows: the file's questions and boxes belong to this copy now.
            if (line == kTaken)
                QTimer::singleShot(0, this, [this, taken] {
                    m_window->OpenRecordFile(taken);
                    m_window->raise();
                    m_window->activateWindow();
                });
            socket->disconnectFromServer();
            return;
        }
        const QString path = QString::fromUtf8(line.chopped(1));
        const bool take = !path.isEmpty() && !m_taking && m_window->Records().FileName().isEmpty() &&
                          !QApplication::activeModalWidget();
        socket->write(take ? kTaken : QByteArrayLiteral("declined\n"));
        socket->flush();
        if (!take) {
            socket->disconnectFromServer();
            return;
        }
        m_taking = true;
        taken = path;
        connect(socket, &QLocalSocket::disconnected, this, [this] { m_taking = false; });
    }
}
