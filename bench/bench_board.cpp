// Lap board benchmark: the standings JSON for 2,000 bibs beside copying the same bytes (its
// floor), and the recording latency of the main window (offscreen, a bib typed and recorded,
// events processed) without clients and with 50 clients polling the JSON once a second from
// another process.
//   bench_board            the benchmark
//   bench_board clients P  50 clients polling port P until killed (started by the benchmark)

#include "BenchCommon.h"
#include "base/MessageBox.h"
#include "base/Settings.h"
#include "board/LapBoardHost.h"
#include "board/LapBoardJson.h"
#include "lapcounter/LapStandings.h"
#include "recording/frmMain.h"
#include "records/StnFormat.h"
#include "records/clsFile.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <random>
#include <vector>

namespace {

void WriteStn(const QString& path, int passages, int bibs) {
    std::mt19937 random(11);
    std::uniform_int_distribution<qint32> bib(1, bibs);
    QVector<tBib> list(passages);
    for (tBib& record : list)
        record.Bib = bib(random);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(FormatStn(list));
}

void BenchJson(const QString& folder) {
    const QString path = folder + QStringLiteral("/json.stn");
    WriteStn(path, 100000, 2000);
    clsFile records;
    records.OpenFile(path);
    LapStandings standings(records);
    standings.Sync();
    LapBoardTexts texts;
    texts.title = QStringLiteral("Lap board");
    std::vector<double> json, copy;
    QByteArray bytes;
    for (int run = 0; run < 50; ++run) {
        QElapsedTimer timer;
        timer.start();
        bytes = LapBoardJson(standings, records, LapBoardView{60, 0, true}, texts, {});
        json.push_back(MillisecondsSince(timer));
        timer.restart();
        QByteArray copied(bytes.constData(), bytes.size());
        copy.push_back(MillisecondsSince(timer));
    }
    Print(QStringLiteral("board_json_2000_bibs"), Median(json), "ms");
    Print(QStringLiteral("board_json_floor_copy_2000_bibs"), Median(copy), "ms");
    Print(QStringLiteral("board_json_bytes_2000_bibs"), bytes.size(), "bytes");
}

// Typed bibs recorded one by one: from the first key to the events processed after Enter.
std::vector<double> RecordingLatency(frmMain* window, int bibs) {
    auto* entry = window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
    std::vector<double> latency;
    for (int i = 0; i < bibs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClicks(entry, QString::number(100 + i % 500));
        QTest::keyClick(entry, Qt::Key_Return);
        QCoreApplication::processEvents();
        latency.push_back(MillisecondsSince(timer));
        QTest::qWait(20); // bibs arrive apart, as at a finish line; the clients poll meanwhile
    }
    return latency;
}

double Percentile95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * 95 / 100];
}

int Clients(quint16 port) {
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 50; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = socket.get();
        QObject::connect(raw, &QTcpSocket::readyRead, raw, [raw] { raw->readAll(); });
        auto* poll = new QTimer(raw);
        QObject::connect(poll, &QTimer::timeout, raw, [raw, port] {
            if (raw->state() == QAbstractSocket::UnconnectedState)
                raw->connectToHost(QHostAddress::LocalHost, port);
            raw->write("GET /api/standings.json HTTP/1.1\r\nHost: b\r\n\r\n");
        });
        QTimer::singleShot(i * 20, poll, [poll] { poll->start(1000); }); // spread over the second
        clients.push_back(std::move(socket));
    }
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == "clients") {
        QCoreApplication application(argc, argv);
        return Clients(quint16(QByteArray(argv[2]).toUInt()));
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    QApplication application(argc, argv);
    SetMessagePresenter([](const MessageRequest& request) {
        std::printf("message: %s\n", qPrintable(request.text));
        return MsgAnswer::Ok;
    });
    BenchJson(folder.path());

    const QString path = folder.path() + QStringLiteral("/race.stn");
    WriteStn(path, 20000, 2000);
    auto* window = new frmMain(path);
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        std::printf("the window did not show\n");
    const quint16 port = 18000 + quint16(QCoreApplication::applicationPid() % 1000);
    if (!window->LapBoard().Start(port))
        std::printf("the board did not start on %u\n", port);
    RecordingLatency(window, 20); // warm up
    const std::vector<double> alone = RecordingLatency(window, 200);
    QProcess clients;
    clients.start(QCoreApplication::applicationFilePath(), {QStringLiteral("clients"), QString::number(port)});
    QTest::qWait(2000); // every client connected and polling
    const std::vector<double> polled = RecordingLatency(window, 200);
    clients.kill();
    clients.waitForFinished();
    Print(QStringLiteral("board_recording_latency_median_no_clients"), Median(alone), "ms");
    Print(QStringLiteral("board_recording_latency_median_50_clients"), Median(polled), "ms");
    Print(QStringLiteral("board_recording_latency_p95_no_clients"), Percentile95(alone), "ms");
    Print(QStringLiteral("board_recording_latency_p95_50_clients"), Percentile95(polled), "ms");
    window->close();
    return 0;
}
