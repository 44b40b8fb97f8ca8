#include "recording/SecondaryWindows.h"

#include "board/LapBoardHost.h"
#include "display/frmDisplay.h"
#include "lapcounter/frmLapcounter.h"
#include "records/clsFile.h"

#include <utility>

SecondaryWindows::SecondaryWindows(const clsFile& records, LapBoardHost& board, QWidget* owner)
    : QObject(owner), m_records(records), m_board(board), m_owner(owner) {}

void SecondaryWindows::OpenLapCounter(const Names& names) {
    auto* lapCounter = new frmLapcounter(m_records, m_owner);
    Keep(lapCounter);
    lapCounter->SetNameLookup(names);
    m_lapCounter = lapCounter;
    // The board shows this window's standings, counted as its fields and its reset say.
    const auto followFields = [this, lapCounter] {
        if (m_lapCounter == lapCounter)
            m_board.FollowLapCounter(lapCounter->Standings(), lapCounter->ListInput());
    };
    followFields();
    connect(lapCounter, &frmLapcounter::CountingChanged, this, followFields);
    connect(lapCounter, &frmLapcounter::Unload, this, [this, lapCounter] {
        if (m_lapCounter != lapCounter)
            return;
        m_lapCounter = nullptr;
        // The window stored its fields; the board shows all passages with them from now on.
        m_board.LapCounterClosed();
    });
    connect(lapCounter, &frmLapcounter::HandFocusBack, this, &SecondaryWindows::KeyboardBack);
    lapCounter->Form_Load();
    lapCounter->show();
    emit KeyboardBack();
}

void SecondaryWindows::OpenDisplay(const Names& names) {
    auto* display = new frmDisplay(m_owner);
    Keep(display);
    m_display = display;
    connect(display, &frmDisplay::Unload, this, [this, display] {
        if (m_display == display)
            m_display = nullptr;
    });
    display->Form_Load();
    if (m_records.Count() > 0) {
        const qint32 last = m_records.GetRecord(m_records.Count() - 1).Bib;
        display->ShowBib(QString::number(last));
        display->ShowName(names ? names(last) : QString());
    }
    display->show();
}

void SecondaryWindows::Keep(QWidget* window) {
    m_opened.removeIf([](const QPointer<QWidget>& closed) { return closed.isNull(); });
    m_opened.append(window);
}

void SecondaryWindows::RecordsChanged() {
    if (m_lapCounter)
        m_lapCounter->RecordsChanged();
}

void SecondaryWindows::ShowPassage(qint32 bib, const QString& name) {
    if (m_display) {
        m_display->ShowBib(QString::number(bib));
        m_display->ShowName(name);
    }
}

void SecondaryWindows::SetNames(const Names& names) {
    if (m_lapCounter)
        m_lapCounter->SetNameLookup(names);
}

void SecondaryWindows::SetCaptions() {
    if (m_lapCounter)
        m_lapCounter->SetCaptions();
    if (m_display)
        m_display->SetCaptions();
}

void SecondaryWindows::CloseLapCounter() {
    if (m_lapCounter)
        m_lapCounter->close(); // its Unload drops the reference
    m_lapCounter = nullptr;
}

void SecondaryWindows::CloseAll() {
    const QList<QPointer<QWidget>> opened = std::exchange(m_opened, {});
    for (const QPointer<QWidget>& window : opened) {
        if (window)
            window->close();
    }
}
