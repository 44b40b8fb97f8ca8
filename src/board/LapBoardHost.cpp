#include "board/LapBoardHost.h"

#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "base/NumericValue.h"
#include "base/Settings.h"
#include "board/frmLapBoard.h"
#include "lang/clsLanguage.h"
#include "lapcounter/LapCounting.h"
#include "records/clsFile.h"

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

// What the lap counter window stored when it last closed: the board's view while it is closed.
LapBoardView StoredLapCounterView() {
    return LapBoardView{FieldNumber(ReadSetting(QStringLiteral("LC_Laps")).toString()),
                        FieldNumber(ReadSetting(QStringLiteral("LC_LapsMin")).toString()),
                        IsCheckedValue(ReadSetting(QStringLiteral("LC_Descending")))};
}

QString CurrentLanguage() {
    return gLanguage ? gLanguage->CurrentLanguage() : QString();
}

LapBoardTexts BoardTexts() {
    LapBoardTexts texts;
    texts.language = CurrentLanguage();
    const std::pair<QString LapBoardTexts::*, const char*> keys[] = {
        {&LapBoardTexts::title, "MKL_LB_CAPTION"},       {&LapBoardTexts::bib, "MKL_LC_BIB"},
        {&LapBoardTexts::name, "MKL_LB_NAME"},           {&LapBoardTexts::laps, "MKL_LC_LAPS"},
        {&LapBoardTexts::remaining, "MKL_LC_REMAINING"}, {&LapBoardTexts::lastPassages, "MKL_LB_LASTPASSAGES"},
        {&LapBoardTexts::lastBib, "MKL_LB_LASTBIB"},     {&LapBoardTexts::lastLap, "MKL_LB_LASTLAP"},
        {&LapBoardTexts::finished, "MKL_LB_FINISHED"},   {&LapBoardTexts::data, "MKL_LB_DATA"},
        {&LapBoardTexts::more, "MKL_LB_MORE"},           {&LapBoardTexts::waiting, "MKL_LB_WAITING"},
        {&LapBoardTexts::offline, "MKL_LB_OFFLINE"},
    };
    for (const auto& [text, key] : keys)
        texts.*text = GetText(QLatin1String(key));
    return texts;
}

} // namespace

LapBoardHost::LapBoardHost(const clsFile& records, QObject* parent)
    : QObject(parent), m_records(records), m_ownStandings(records) {}

bool LapBoardHost::Listen(quint16 port, QString* error) {
    if (!m_server)
        m_server = new LapBoardServer([this] { return Snapshot(); }, this);
    if (!m_followed)
        m_view = StoredLapCounterView();
    return m_server->Start(port, error);
}

bool LapBoardHost::Start(quint16 port) {
    QString error;
    if (Listen(port, &error))
        return true;
    emit Failed(GetText(QStringLiteral("MKL_LB_PORTFAILED"), {{QStringLiteral("[port]"), QString::number(port)}}) +
                QStringLiteral(" (") + error + QLatin1Char(')'));
    return false;
}

void LapBoardHost::ResumeFromSettings() {
    if (IsCheckedValue(ReadSetting(QStringLiteral("LapBoard"))))
        Start(frmLapBoard::StoredPort());
}

void LapBoardHost::Stop() {
    if (m_server)
        m_server->Stop();
}

quint16 LapBoardHost::Port() const {
    return m_server && m_server->IsRunning() ? m_server->Port() : 0;
}

void LapBoardHost::ShowDialog(QWidget* owner) {
    frmLapBoard::Board board;
    board.start = [this](quint16 port, QString* error) { return Listen(port, error); };
    board.stop = [this] { Stop(); };
    board.runningPort = [this] { return Port(); };
    frmLapBoard dialog(std::move(board), owner);
    const ModalScope modal;
    dialog.exec();
}

void LapBoardHost::RecordsChanged() {
    if (Port() != 0)
        Standings().Sync();
}

void LapBoardHost::SetNames(BibNameLookup names) {
    m_names = std::move(names);
    m_snapshot = LapBoardSnapshot();
}

void LapBoardHost::FollowLapCounter(LapStandings& standings, const LapListInput& input) {
    m_followed = &standings;
    m_view = LapBoardView{FieldNumber(input.targetText), FieldNumber(input.minimumText), input.descending};
}

void LapBoardHost::LapCounterClosed() {
    m_followed = nullptr;
    m_view = StoredLapCounterView();
}

LapStandings& LapBoardHost::Standings() {
    return m_followed ? *m_followed : m_ownStandings;
}

LapBoardSnapshot LapBoardHost::Snapshot() {
    LapStandings& standings = Standings();
    standings.Sync();
    const SnapshotKey key{&standings,     standings.Revision(), m_records.Revision(), m_view.target,
                          m_view.minimum, m_view.descending,    CurrentLanguage()};
    if (m_snapshot.json.isEmpty() || !(key == m_key)) {
        m_snapshot = LapBoardSnapshot(LapBoardJson(standings, m_records, m_view, BoardTexts(), m_names));
        m_key = key;
    }
    return m_snapshot;
}
