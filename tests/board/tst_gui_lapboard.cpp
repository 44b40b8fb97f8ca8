// The lap board served by the main window on loopback: what its addresses answer, that recorded
// bibs reach its JSON and a real browser's page, and that faulty or hostile clients get their
// answers while a scanner keeps recording.
#include "base/Settings.h"
#include "board/LapBoardHost.h"
#include "recording/BarcodeScanner.h"
#include "records/clsFile.h"

#include "../hardening/ScannerPty.h"
#include "GuiFixture.h"
#include "HttpExchange.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QWebSocket>

#include <memory>
#include <vector>

namespace {

QJsonObject Standings(quint16 port) {
    return QJsonDocument::fromJson(HttpExchange(port, HttpGet("/api/standings.json")).body).object();
}

QList<qint32> Bibs(const QJsonObject& data, const char* list) {
    QList<qint32> bibs;
    for (const QJsonValue& row : data.value(QLatin1String(list)).toArray())
        bibs.append(row.toObject().value(QStringLiteral("bib")).toInt());
    return bibs;
}

} // namespace

class TestGuiLapBoard : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_clock = std::make_unique<FixedClock>(kMoment);
    }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        QFile::remove(clsFile::DatedCopyPath(QStringLiteral("race.stn"), kMoment)); // kept of the changed file
        m_clock.reset();
        m_f.reset();
    }

    // Only the page, its script, style and data are served, and only to GET and HEAD.
    void answers_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("inHead");
        QTest::addColumn<QByteArray>("inBody");
        const auto row = [](const char* name, const QByteArray& request, int status, const char* inHead = "",
                            const char* inBody = "") {
            QTest::newRow(name) << request << status << QByteArray(inHead) << QByteArray(inBody);
        };
        row("page", HttpGet("/"), 200, "text/html", "board.js");
        row("script", HttpGet("/board.js"), 200, "javascript", "/api/standings.json");
        row("style", HttpGet("/board.css"), 200, "text/css", "@media");
        row("data", HttpGet("/api/standings.json?x=1"), 200, "application/json", "\"standings\":[]");
        row("head only", "HEAD / HTTP/1.1\r\n\r\n", 200, "Content-Length");
        row("record file", HttpGet("/race.stn"), 404);
        row("outside", HttpGet("/../../etc/passwd"), 404);
        row("post", "POST /api/standings.json HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 405, "Allow: GET, HEAD");
        row("malformed", "\x16\x03\x01 hello\r\n\r\n", 400);
    }
    void answers() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, inHead);
        QFETCH(QByteArray, inBody);
        const HttpReply reply = HttpExchange(OpenWithBoard(), request);
        QTEST(reply.status, "status");
        QVERIFY2(reply.head.contains(inHead), reply.head.constData());
        QVERIFY(reply.body.contains(inBody));
        QVERIFY(!request.startsWith("HEAD") || reply.body.isEmpty());
    }

    // A request too large, connections that never finish their request, and more clients than the
    // board takes: each is answered or waits on its own, and every scanned bib is recorded meanwhile.
    void abuseNeverStallsRecording() {
        ScannerPty scanner;
        QVERIFY(scanner.IsValid());
        const quint16 port = OpenWithBoard();
        m_f->window->findChild<BarcodeScanner*>()->Open(scanner.Device()); // switched on by the operator
        QVERIFY(m_f->window->findChild<QSerialPort*>(QStringLiteral("MSComm"))->isOpen());

        QCOMPARE(HttpExchange(port, "GET / HTTP/1.1\r\nX: " + QByteArray(1 << 20, 'x')).status, 431);
        std::vector<std::unique_ptr<QTcpSocket>> slow;
        for (int i = 0; i < 70; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            slow.back()->connectToHost(QHostAddress::LocalHost, port);
        }
        QTRY_VERIFY(std::none_of(slow.begin(), slow.end(), [](const auto& s) {
            return s->state() == QAbstractSocket::HostLookupState || s->state() == QAbstractSocket::ConnectingState;
        }));
        for (auto& socket : slow) {
            if (socket->state() == QAbstractSocket::ConnectedState)
                socket->write("GET / HTTP/1.1\r\nHost: b"); // and never the end of it
        }
        QByteArray scanned;
        for (int bib = 1001; bib <= 1200; ++bib)
            scanned += QByteArray::number(bib) + '\r';
        QVERIFY(scanner.Send(scanned));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->window->Records().Count(), 200, 60000);

        int refused = 0, waiting = 0;
        for (auto& socket : slow) {
            const QByteArray answer = socket->readAll();
            refused += answer.startsWith("HTTP/1.1 503") ? 1 : 0;
            waiting += answer.isEmpty() && socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
        }
        QCOMPARE(waiting, 64);
        QCOMPARE(refused, 6);
        slow.clear();
        QTRY_COMPARE(Standings(port).value(QStringLiteral("total")).toInt(), 200);
    }

    // A real headless browser's page follows the recording; the data list the bibs in the lap
    // counter's order and the newest passage first.
    void browserFollowsRecording() {
        const quint16 port = OpenWithBoard();
        QTemporaryDir profile;
        QProcess browser;
        browser.start(QStringLiteral("chromium"),
                      {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                       "--disable-background-networking", "--disable-component-update", "--disable-sync",
                       "--user-data-dir=" + profile.path(), "--remote-debugging-address=127.0.0.1",
                       "--remote-debugging-port=0", "--remote-allow-origins=*",
                       QStringLiteral("http://127.0.0.1:%1/").arg(port)});
        QVERIFY2(browser.waitForStarted(), "chromium did not start: scripts/deps.sh installs it");
        const QString portFile = profile.filePath(QStringLiteral("DevToolsActivePort"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(portFile).size() > 0, 60000);
        const quint16 devtools = quint16(FileBytes(portFile).split('\n').first().toUInt());
        QString pageSocket;
        QTRY_VERIFY_WITH_TIMEOUT(!(pageSocket = PageSocket(devtools)).isEmpty(), 30000);

        QWebSocket page;
        QString pageContent;
        int answered = 0, asked = 0;
        connect(&page, &QWebSocket::textMessageReceived, this, [&](const QString& message) {
            const QJsonObject reply = QJsonDocument::fromJson(message.toUtf8()).object();
            pageContent = reply[QStringLiteral("result")][QStringLiteral("result")][QStringLiteral("value")].toString();
            ++answered;
        });
        page.setProxy(QNetworkProxy::NoProxy);
        page.open(QUrl(pageSocket));
        QTRY_COMPARE_WITH_TIMEOUT(page.state(), QAbstractSocket::ConnectedState, 30000);
        const auto pageText = [&] {
            if (answered == asked)
                page.sendTextMessage(QStringLiteral("{\"id\":%1,\"method\":\"Runtime.evaluate\",\"params\":{"
                                                    "\"expression\":\"document.body.textContent\","
                                                    "\"returnByValue\":true}}")
                                         .arg(++asked));
            return pageContent;
        };
        QTRY_VERIFY_WITH_TIMEOUT(pageText().contains(QStringLiteral("Last passages")), 60000);
        QVERIFY(!pageText().contains(QStringLiteral("4711")));
        for (const char* bib : {"4711", "815", "4711"})
            m_f->Record(QLatin1String(bib));
        const QJsonObject data = Standings(port);
        QCOMPARE(Bibs(data, "standings"), (QList<qint32>{815, 4711}));
        QCOMPARE(Bibs(data, "last"), (QList<qint32>{4711, 815, 4711}));
        QTRY_VERIFY_WITH_TIMEOUT(pageText().contains(QStringLiteral("4711")), 2000);
        page.close();
        browser.terminate(); // lets it end its own helper processes
        QVERIFY(browser.waitForFinished(30000));
    }

private:
    // The main window on an empty record file, in English, with the board switched on in the
    // settings as a user left it; its port.
    quint16 OpenWithBoard() {
        QTcpServer probe;
        probe.listen(QHostAddress::Any, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        WriteSetting(QStringLiteral("LapBoard"), CheckBoxValue(true));
        WriteSetting(QStringLiteral("LapBoardPort"), QString::number(port));
        if (!m_f->LoadRecords(QByteArray()) || m_f->window->LapBoard().Port() != port)
            qWarning("the main window or its lap board did not start");
        return port;
    }

    // The address of the debugging socket of the browser's page, named after the Host field sent,
    // which held no port.
    static QString PageSocket(quint16 devtools) {
        for (const QJsonValue& target :
             QJsonDocument::fromJson(HttpExchange(devtools, HttpGet("/json/list")).body).array()) {
            QUrl socket(target[QStringLiteral("webSocketDebuggerUrl")].toString());
            socket.setPort(devtools);
            if (target[QStringLiteral("type")].toString() == QLatin1String("page"))
                return socket.toString();
        }
        return QString();
    }

    const QDateTime kMoment{QDate(2021, 5, 2), QTime(15, 30, 12)};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestGuiLapBoard)
#include "tst_gui_lapboard.moc"
