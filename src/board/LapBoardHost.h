#pragma once

#include "board/LapBoardJson.h"
#include "board/LapBoardServer.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QWidget;
class LapStandings;
class clsFile;
class frmLapBoard;
struct LapListInput;

// The lap board as the main window runs it: the web server, and what it serves of the race.
// The window tells it of every change (records, names, marks, starts, the lap counter it
// follows); a short while after a change it makes one snapshot of the standings and hands it to
// the server, which answers every client from it in its own thread and never reaches back.
class LapBoardHost : public QObject {
    Q_OBJECT
public:
    // The race beside the records: marks, start list and setup (the passages are the host's own).
    using RaceSource = std::function<RaceInput()>;

    explicit LapBoardHost(const clsFile& records, QObject* parent = nullptr);

    void SetRace(RaceSource race) { m_race = std::move(race); }
    // Listens on every address at the port; false, with the reason in `error`, when it cannot.
    bool Listen(quint16 port, QString* error);
    // Listens without asking anyone: when it cannot (port in use, not allowed), Failed says why and
    // the board stays off; recording never depends on it.
    bool Start(quint16 port);
    // Starts at the stored port when the board was on as the program last ended.
    void ResumeFromSettings();
    void Stop();
    quint16 Port() const; // 0 while the board is off
    // Extras > Lap board: a window beside the main window that switches the board on and off and
    // shows where to open it. It never takes the keyboard from the entry box for good.
    void ShowWindow(QWidget* owner);
    void SetCaptions();

    // After every change of the records, the start list, the marks or the starts.
    void RaceChanged();
    // While a lap counter window is open, the board follows its target, minimum and reset as the
    // operator confirmed them; the window tells each confirmation.
    void FollowLapCounter(const LapStandings& standings, const LapListInput& input);
    // No lap counter is open: the board counts every passage, with the fields the lap counter
    // window stored when it last closed.
    void LapCounterClosed();

signals:
    // For the status bar: the board could not start, and why.
    void Failed(const QString& text);

private:
    void Publish();
    void ChooseAddress(const QString& address);

    const clsFile& m_records;
    RaceSource m_race;
    LapBoardServer* m_server = nullptr;
    LapBoardView m_view;
    bool m_following = false; // a lap counter is open
    qint32 m_firstCountedID = 0;
    QString m_address; // the one the page's QR code shows
    QString m_qrFor;   // the address m_qrPng shows
    QByteArray m_qrPng;
    QTimer m_publishing;
    QPointer<frmLapBoard> m_window;
};
