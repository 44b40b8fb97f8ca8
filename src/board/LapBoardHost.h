#pragma once

#include "board/LapBoardJson.h"
#include "board/LapBoardServer.h"
#include "lapcounter/LapStandings.h"

#include <QObject>

class QWidget;
struct LapListInput;

// The lap board as the main window runs it: the web server, and what it serves of the records.
// The window tells it of every change (records, names, the lap counter it follows); the server
// answers from the latest snapshot of the standings, made at most once per change however many
// clients ask, and never reaches back into the window.
class LapBoardHost : public QObject {
    Q_OBJECT
public:
    explicit LapBoardHost(const clsFile& records, QObject* parent = nullptr);

    // Listens on every address at the port; false, with the reason in `error`, when it cannot.
    bool Listen(quint16 port, QString* error);
    // Listens without asking anyone: when it cannot (port in use, not allowed), Failed says why and
    // the board stays off; recording never depends on it.
    bool Start(quint16 port);
    // Starts at the stored port when the board was on as the program last ended.
    void ResumeFromSettings();
    void Stop();
    quint16 Port() const; // 0 while the board is off
    // Extras > Lap board: switches the board on and off and shows where to open it.
    void ShowDialog(QWidget* owner);

    // After every change of the records: the standings follow while the board is on, so a passage
    // costs O(log n).
    void RecordsChanged();
    // The names the board shows beside the bibs (none by default).
    void SetNames(BibNameLookup names);
    // While a lap counter window is open, the board shows its standings with its target, minimum
    // and order; the window tells each change of its fields.
    void FollowLapCounter(LapStandings& standings, const LapListInput& input);
    // No lap counter is open: the board counts every passage, with the fields the lap counter
    // window stored when it last closed.
    void LapCounterClosed();

signals:
    // For the status bar: the board could not start, and why.
    void Failed(const QString& text);

private:
    LapBoardSnapshot Snapshot();
    LapStandings& Standings();

    const clsFile& m_records;
    LapBoardServer* m_server = nullptr;
    LapStandings m_ownStandings;        // while no lap counter is open
    LapStandings* m_followed = nullptr; // the open lap counter's
    LapBoardView m_view;
    BibNameLookup m_names;
    // What the snapshot was made of: a change of any of it makes a new one.
    struct SnapshotKey {
        const LapStandings* standings = nullptr;
        quint64 standingsRevision = 0;
        quint64 recordsRevision = 0;
        double target = 0;
        double minimum = 0;
        bool descending = false;
        QString language;
        bool operator==(const SnapshotKey& o) const {
            return standings == o.standings && standingsRevision == o.standingsRevision &&
                   recordsRevision == o.recordsRevision && target == o.target && minimum == o.minimum &&
                   descending == o.descending && language == o.language;
        }
    } m_key;
    LapBoardSnapshot m_snapshot;
};
