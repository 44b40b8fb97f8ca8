#include "board/LapBoardHost.h"

#include "base/Clock.h"
#include "base/ErrorInfo.h"
#include "base/NumericValue.h"
#include "base/Settings.h"
#include "board/BoardAddresses.h"
#include "board/QrCodeImage.h"
#include "board/frmLapBoard.h"
#include "lang/clsLanguage.h"
#include "lapcounter/LapCounting.h"
#include "lapcounter/LapStandings.h"
#include "records/clsFile.h"
#include "results/RaceFiles.h"

#include <QBuffer>
#include <QUrl>

namespace {

// How long a change waits for the next: a rush of passages makes one snapshot, not one each.
constexpr int kPublishDelayMs = 200;

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
                        FieldNumber(ReadSetting(QStringLiteral("LC_LapsMin")).toString())};
}

LapBoardTexts BoardTexts() {
    LapBoardTexts texts;
    texts.language = gLanguage ? gLanguage->CurrentLanguage() : QString();
    const std::pair<QString LapBoardTexts::*, const char*> keys[] = {
        {&LapBoardTexts::title, "MKL_LB_CAPTION"},
        {&LapBoardTexts::place, "MKL_LB_PLACE"},
        {&LapBoardTexts::bib, "MKL_LB_BIB"},
        {&LapBoardTexts::name, "MKL_LB_NAME"},
        {&LapBoardTexts::laps, "MKL_LC_LAPS"},
        {&LapBoardTexts::remaining, "MKL_LB_REMAINING"},
        {&LapBoardTexts::time, "MKL_LB_TIME"},
        {&LapBoardTexts::categoryPlace, "MKL_LB_CATEGORYPLACE"},
        {&LapBoardTexts::lastPassages, "MKL_LB_LASTPASSAGES"},
        {&LapBoardTexts::lastBib, "MKL_LB_LASTBIB"},
        {&LapBoardTexts::lapNumber, "MKL_LB_LAPNUMBER"},
        {&LapBoardTexts::lastLap, "MKL_LB_LASTLAP"},
        {&LapBoardTexts::finished, "MKL_LB_FINISHED"},
        {&LapBoardTexts::updated, "MKL_LB_UPDATED"},
        {&LapBoardTexts::raceTime, "MKL_LB_RACETIME"},
        {&LapBoardTexts::find, "MKL_LB_FIND"},
        {&LapBoardTexts::qrCode, "MKL_LB_QRCODE"},
        {&LapBoardTexts::data, "MKL_LB_DATA"},
        {&LapBoardTexts::more, "MKL_LB_MORE"},
        {&LapBoardTexts::waiting, "MKL_LB_WAITING"},
        {&LapBoardTexts::offline, "MKL_LB_OFFLINE"},
    };
    for (const auto& [text, key] : keys)
        texts.*text = GetText(QLatin1String(key));
    return texts;
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

LapBoardHost::LapBoardHost(const clsFile& records, QObject* parent)
    : QObject(parent), m_records(records), m_server(new LapBoardServer(this)) {
    m_publishing.setSingleShot(true);
    m_publishing.setInterval(kPublishDelayMs);
    connect(&m_publishing, &QTimer::timeout, this, &LapBoardHost::Publish);
}

bool LapBoardHost::Listen(quint16 port, QString* error) {
    if (!m_server->Start(port, error))
        return false;
    if (!m_following)
        m_view = StoredLapCounterView();
    if (m_address.isEmpty() || QUrl(m_address).port() != port)
        m_address = BoardAddresses(port).value(0);
    Publish(); // the first client finds the standings
    return true;
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
    m_server->Stop();
    m_publishing.stop();
}

quint16 LapBoardHost::Port() const {
    return m_server->Port();
}

void LapBoardHost::ShowWindow(QWidget* owner) {
    if (!m_window) {
        frmLapBoard::Board board;
        board.start = [this](quint16 port, QString* error) { return Listen(port, error); };
        board.stop = [this] { Stop(); };
        board.runningPort = [this] { return Port(); };
        board.addresses = &BoardAddresses;
        board.chosenAddress = [this] { return m_address; };
        board.chooseAddress = [this](const QString& address) { ChooseAddress(address); };
        m_window = new frmLapBoard(std::move(board), owner);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_window->show();
    m_window->raise();
}

void LapBoardHost::SetCaptions() {
    if (m_window)
        m_window->SetCaptions();
    RaceChanged();
}

void LapBoardHost::ChooseAddress(const QString& address) {
    m_address = address;
    RaceChanged();
}

void LapBoardHost::RaceChanged() {
    if (Port() != 0 && !m_publishing.isActive())
        m_publishing.start();
}

void LapBoardHost::FollowLapCounter(const LapStandings& standings, const LapListInput& input) {
    m_following = true;
    m_view = LapBoardView{FieldNumber(input.targetText), FieldNumber(input.minimumText)};
    m_firstCountedID = standings.FirstCountedID();
    RaceChanged();
}

void LapBoardHost::LapCounterClosed() {
    m_following = false;
    m_view = StoredLapCounterView();
    m_firstCountedID = 0;
    RaceChanged();
}

void LapBoardHost::Publish() {
    if (Port() == 0)
        return;
    RaceInput race = m_race ? m_race() : RaceInput();
    race.passages = PassagesOf(m_records);
    // Passages before the lap counter's reset do not count; they keep their places for the marks.
    for (qint32 i = 0; i < race.passages.size() && m_firstCountedID > 0; ++i) {
        if (m_records.GetRecord(i).ID < m_firstCountedID)
            race.passages[i].bib = 0;
    }
    if (m_qrFor != m_address) {
        m_qrFor = m_address;
        m_qrPng = Png(QrCodeImage(m_address, 8));
    }
    m_server->Publish(std::make_shared<const LapBoardSnapshot>(LapBoardJson(race, m_view, BoardTexts(), Now()), m_qrPng,
                                                               GetText(QStringLiteral("MKL_LB_BUSY"))));
}
