// The lap board: the web page of the standings that the program serves on the local network.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/NumericValue.h"
#include "base/Settings.h"
#include "board/LapBoardServer.h"
#include "board/frmLapBoard.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/FocusCatcher.h"
#include "recording/MainStatusBar.h"

#include <QLineEdit>

namespace {

// A lap counter field's number for the board. A faulty field shows as 0 here; the lap counter
// reports it where the operator typed it.
double FieldNumber(const QString& text) {
    try {
        return NumericValue(text);
    } catch (const RaisedError&) {
        return 0;
    }
}

LapBoardView ViewOf(const LapListInput& input) {
    return LapBoardView{FieldNumber(input.targetText), FieldNumber(input.minimumText), input.descending};
}

// What the lap counter window stored when it last closed: the board's view while it is closed.
LapBoardView StoredLapCounterView() {
    return LapBoardView{FieldNumber(ReadSetting(QStringLiteral("LC_Laps")).toString()),
                        FieldNumber(ReadSetting(QStringLiteral("LC_LapsMin")).toString()),
                        IsCheckedValue(ReadSetting(QStringLiteral("LC_Descending")))};
}

LapBoardTexts BoardTexts() {
    LapBoardTexts texts;
    texts.language = gLanguage ? gLanguage->CurrentLanguage() : QString();
    texts.title = GetText(QStringLiteral("MKL_LB_CAPTION"));
    texts.bib = GetText(QStringLiteral("MKL_LC_BIB"));
    texts.name = GetText(QStringLiteral("MKL_LB_NAME"));
    texts.laps = GetText(QStringLiteral("MKL_LC_LAPS"));
    texts.remaining = GetText(QStringLiteral("MKL_LC_REMAINING"));
    texts.lastPassages = GetText(QStringLiteral("MKL_LB_LASTPASSAGES"));
    texts.lastBib = GetText(QStringLiteral("MKL_LB_LASTBIB"));
    texts.lastLap = GetText(QStringLiteral("MKL_LB_LASTLAP"));
    texts.finished = GetText(QStringLiteral("MKL_LB_FINISHED"));
    texts.data = GetText(QStringLiteral("MKL_LB_DATA"));
    texts.more = GetText(QStringLiteral("MKL_LB_MORE"));
    texts.waiting = GetText(QStringLiteral("MKL_LB_WAITING"));
    texts.offline = GetText(QStringLiteral("MKL_LB_OFFLINE"));
    return texts;
}

} // namespace

bool frmMain::StartLapBoard(quint16 port) {
    QString error;
    if (ListenLapBoard(port, &error))
        return true;
    // Started without the dialog (command line, saved setting): told in the window, never in a box.
    QString text = GetText(QStringLiteral("MKL_LB_PORTFAILED"));
    text.replace(QStringLiteral("[port]"), QString::number(port));
    StatusBar->SetPanelText(2, text + QStringLiteral(" (") + error + QLatin1Char(')'));
    return false;
}

void frmMain::StopLapBoard() {
    if (m_board)
        m_board->Stop();
}

quint16 frmMain::LapBoardPort() const {
    return m_board && m_board->IsRunning() ? m_board->Port() : 0;
}

void frmMain::SetBibNameLookup(BibNameLookup names) {
    m_bibNames = std::move(names);
    m_boardJson.clear();
}

bool frmMain::ListenLapBoard(quint16 port, QString* error) {
    if (!m_board)
        m_board = new LapBoardServer([this] { return LapBoardJson(); }, this);
    ReadBoardView();
    return m_board->Start(port, error);
}

void frmMain::ReadBoardView() {
    m_boardView = StoredLapCounterView();
}

// The board shows the standings of the lap counter window while one is open, with its target,
// minimum and order; else every passage, as the lap counter would count them when opened.
QByteArray frmMain::LapBoardJson() {
    LapStandings& standings = m_lapCounter ? m_lapCounter->Standings() : m_boardStandings;
    standings.Sync();
    const LapBoardView view = m_lapCounter ? ViewOf(m_lapCounter->ListInput()) : m_boardView;
    const QString language = gLanguage ? gLanguage->CurrentLanguage() : QString();
    const BoardJsonKey key{
        &standings, standings.Revision(), RecordFile.Revision(), view.target, view.minimum, view.descending, language};
    if (m_boardJson.isEmpty() || !(key == m_boardJsonKey)) {
        m_boardJson = ::LapBoardJson(standings, RecordFile, view, BoardTexts(), m_bibNames);
        m_boardJsonKey = key;
    }
    return m_boardJson;
}

void frmMain::KeepBoardInStep() {
    if (!m_board || !m_board->IsRunning())
        return;
    (m_lapCounter ? m_lapCounter->Standings() : m_boardStandings).Sync();
}

void frmMain::mnuExtras_LapBoard_Click() {
    ReportingErrors([this] {
        frmLapBoard::Board board;
        board.start = [this](quint16 port, QString* error) { return ListenLapBoard(port, error); };
        board.stop = [this] { StopLapBoard(); };
        board.runningPort = [this] { return LapBoardPort(); };
        m_focusCatcher->WithoutCatching([this, &board] {
            frmLapBoard dialog(std::move(board), this);
            dialog.exec();
        });
        if (txtEnter->isVisible())
            txtEnter->setFocus();
    });
}

void frmMain::ResumeLapBoardFromSettings() {
    if (IsCheckedValue(ReadSetting(QStringLiteral("LapBoard"))))
        StartLapBoard(frmLapBoard::StoredPort());
}
