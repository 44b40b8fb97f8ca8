#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class frmMain;

// A record file opened from the file manager while Marklog already runs with no file goes to that
// copy, so one window records instead of two. The copies of one user find each other by a local
// socket named after the user's home folder; a copy with a file open declines, and the copy just
// started opens the file itself (and is told who holds it when that is the same file).

QString HandoffServerName();

// Asks a running copy to open the record file at an absolute path; true when it took it, so this
// copy need not start.
bool HandFileToRunningCopy(const QString& path);

// Listens, while `window` lives, for files handed over; takes one only while no file is open and
// no box or dialog waits for an answer.
class FileHandoff : public QObject {
    Q_OBJECT
public:
    explicit FileHandoff(frmMain* window);

private:
    // Answers the path a starting copy sends; opens it once that copy acknowledged the answer.
    void Answer(QLocalSocket* socket, QString& taken);

    frmMain* m_window;
    QLocalServer* m_server;
    bool m_taking = false; // a file is being taken
};
