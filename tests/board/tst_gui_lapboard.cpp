// The lap board served by the main window on loopback: what its addresses answer, that recorded
// bibs reach its JSON and a real browser's page, and that faulty or hostile clients get their
// answers while a scanner keeps recording.
#include "app/Clock.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/BarcodeScanner.h"
#include "records/clsFile.h"

#include "../hardening/ScannerPty.h"
#include "../hardening/WindowDriver.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QPointer>
#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

struct Reply {
    int status = 0;
    QByteArray head;
    QByteArray body;
};

// Whether the bytes hold a whole response: its head and as much body as it announced.
bool WholeResponse(const QByteArray& bytes, bool headOnly) {
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray head = bytes.left(end).toLower();
    const qsizetype at = head.indexOf("content-length:");
    const qsizetype length = at < 0 ? 0 : head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
    return headOnly || bytes.size() - end - 4 >= length;
}

Reply Split(const QByteArray& bytes) {
    Reply reply;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    reply.head = bytes.left(end);
    reply.body = end < 0 ? QByteArray() : bytes.mid(end + 4);
    reply.status = bytes.mid(9, 3).toInt();
    return reply;
}

// One request on a new connection, the event loop running meanwhile (the server shares it).
Reply Exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 10000))
        return {};
    socket.write(request);
    QByteArray bytes;
    const bool whole = QTest::qWaitFor(
        [&] {
            bytes += socket.readAll();
            return WholeResponse(bytes, request.startsWith("HEAD")) ||
                   socket.state() == QAbstractSocket::UnconnectedState;
        },
        10000);
    return whole ? Split(bytes) : Reply{};
}

QByteArray Get(const QByteArray& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

QJsonObject Standings(quint16 port) {
    return QJsonDocument::fromJson(Exchange(port, Get("/api/standings.json")).body).object();
}

QList<qint32> Bibs(const QJsonArray& rows) {
    QList<qint32> bibs;
    for (const QJsonValue& row : rows)
        bibs.append(row.toObject().value(QStringLiteral("bib")).toInt());
    return bibs;
}

} // namespace

class TestGuiLapBoard : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12)));
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        if (m_window) {
            m_window->close();
            QTRY_VERIFY(m_window.isNull());
        }
        QFile::remove(clsFile::DatedCopyPath(QStringLiteral("race.stn"), Now()));
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_dir.reset();
        m_clock.reset();
        m_messages.reset();
        m_language.reset();
        m_env.reset();
    }

    void answers_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("inHead");
        QTest::addColumn<QByteArray>("inBody");
        QTest::newRow("page") << Get("/") << 200 << QByteArray("text/html") << QByteArray("board.js");
        QTest::newRow("script") << Get("/board.js") << 200 << QByteArray("javascript") << QByteArray(JsonPath());
        QTest::newRow("style") << Get("/board.css") << 200 << QByteArray("text/css") << QByteArray("@media");
        QTest::newRow("data") << Get("/api/standings.json?x=1") << 200 << QByteArray("application/json")
                              << QByteArray("\"standings\":[]");
        QTest::newRow("head only") << QByteArray("HEAD / HTTP/1.1\r\n\r\n") << 200 << QByteArray("Content-Length")
                                   << QByteArray();
        QTest::newRow("record file") << Get("/race.stn") << 404 << QByteArray() << QByteArray();
        QTest::newRow("outside") << Get("/../../etc/passwd") << 404 << QByteArray() << QByteArray();
        QTest::newRow("post") << QByteArray("POST /api/standings.json HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}") << 405
                              << QByteArray("Allow: GET, HEAD") << QByteArray();
        QTest::newRow("delete") << QByteArray("DELETE / HTTP/1.1\r\n\r\n") << 405 << QByteArray() << QByteArray();
        QTest::newRow("malformed") << QByteArray("\x16\x03\x01 hello\r\n\r\n") << 400 << QByteArray() << QByteArray();
        QTest::newRow("oversized") << "GET / HTTP/1.1\r\nX: " + QByteArray(200000, 'x') << 431 << QByteArray()
                                   << QByteArray();
    }

    void answers() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, inHead);
        QFETCH(QByteArray, inBody);
        const quint16 port = OpenWithBoard();
        const Reply reply = Exchange(port, request);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.head.contains(inHead), reply.head.constData());
        QVERIFY(reply.body.contains(inBody));
        if (request.startsWith("HEAD"))
            QVERIFY(reply.body.isEmpty());
    }

    // The newest passage leads the last passages, the list follows the lap counter's order.
    void recordedBibsReachTheData() {
        const quint16 port = OpenWithBoard();
        for (const char* bib : {"42", "7", "42"})
            WindowDriver::Record(m_window, QLatin1String(bib));
        QTRY_COMPARE(m_window->RecordFile.Count(), 3);
        const QJsonObject data = Standings(port);
        QCOMPARE(Bibs(data.value(QStringLiteral("standings")).toArray()), (QList<qint32>{7, 42}));
        QCOMPARE(Bibs(data.value(QStringLiteral("last")).toArray()), (QList<qint32>{42, 7, 42}));
        QCOMPARE(data.value(QStringLiteral("texts")).toObject().value(QStringLiteral("bib")).toString(),
                 QStringLiteral("Bib"));
    }

    // Connections that never finish their request, one that sends too much, and more clients
    // than the board takes: each is answered or waits on its own, and every scanned bib is
    // recorded meanwhile.
    void abuseNeverStallsRecording() {
        ScannerPty scanner;
        QVERIFY(scanner.IsValid());
        const quint16 port = OpenWithBoard();
        m_window->findChild<BarcodeScanner*>()->Open(scanner.Device()); // switched on by the operator
        QVERIFY(m_window->findChild<QSerialPort*>(QStringLiteral("MSComm"))->isOpen());

        QCOMPARE(Exchange(port, "GET / HTTP/1.1\r\nX: " + QByteArray(1 << 20, 'x')).status, 431);
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
        QTRY_COMPARE_WITH_TIMEOUT(m_window->RecordFile.Count(), 200, 60000);

        int refused = 0;
        int waiting = 0;
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

    // A real browser's page follows the recording.
    void browserShowsRecordedBib() {
        const QString chromium = QStringLiteral("/usr/bin/chromium");
        if (!QFileInfo::exists(chromium))
            QSKIP("chromium is not installed");
        const quint16 port = OpenWithBoard();
        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium,
                      {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                       QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                       QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                       QStringLiteral("--disable-sync"), QStringLiteral("--user-data-dir=") + profile.path(),
                       QStringLiteral("--remote-debugging-address=127.0.0.1"),
                       QStringLiteral("--remote-debugging-port=0"), QStringLiteral("--remote-allow-origins=*"),
                       QStringLiteral("http://127.0.0.1:%1/").arg(port)});
        const QString portFile = profile.filePath(QStringLiteral("DevToolsActivePort"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(portFile).size() > 0, 60000);
        const quint16 devtools = quint16(FileBytes(portFile).split('\n').first().toUInt());
        QString pageSocket;
        QTRY_VERIFY_WITH_TIMEOUT(!(pageSocket = PageSocket(devtools)).isEmpty(), 30000);

        QWebSocket page;
        QString pageContent;
        int answered = 0;
        connect(&page, &QWebSocket::textMessageReceived, this, [&](const QString& message) {
            const QJsonObject reply = QJsonDocument::fromJson(message.toUtf8()).object();
            pageContent = reply.value(QStringLiteral("result"))
                              .toObject()
                              .value(QStringLiteral("result"))
                              .toObject()
                              .value(QStringLiteral("value"))
                              .toString();
            ++answered;
        });
        page.setProxy(QNetworkProxy::NoProxy);
        page.open(QUrl(pageSocket));
        QTRY_COMPARE_WITH_TIMEOUT(page.state(), QAbstractSocket::ConnectedState, 30000);
        int asked = 0;
        const auto pageText = [&] {
            if (answered == asked)
                page.sendTextMessage(
                    QStringLiteral("{\"id\":%1,\"method\":\"Runtime.evaluate\",\"params\":{"
                                   "\"expression\":\"document.body.textContent\",\"returnByValue\":true}}")
                        .arg(++asked));
            return pageContent;
        };
        QTRY_VERIFY_WITH_TIMEOUT(pageText().contains(QStringLiteral("Last passages")), 60000);
        QVERIFY(!pageText().contains(QStringLiteral("4711")));

        WindowDriver::Record(m_window, QStringLiteral("4711"));
        QCOMPARE(m_window->RecordFile.Count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(pageText().contains(QStringLiteral("4711")), 2000);
        page.close();
        browser.terminate(); // lets it end its own helper processes
        QVERIFY(browser.waitForFinished(30000));
    }

private:
    static const char* JsonPath() { return "/api/standings.json"; }

    // The main window on an empty record file, in English, with the board switched on in the
    // settings as a user left it; its port.
    quint16 OpenWithBoard() {
        const quint16 port = FreePort();
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        WriteSetting(QStringLiteral("LapBoard"), CheckBoxValue(true));
        WriteSetting(QStringLiteral("LapBoardPort"), QString::number(port));
        const QString path = m_dir->filePath(QStringLiteral("race.stn"));
        WriteBytes(path, QByteArray());
        m_window = new frmMain(path);
        if (!WindowDriver::Show(m_window))
            qWarning("the main window did not become active");
        if (m_window->LapBoardPort() != port)
            qWarning("the lap board did not start");
        return port;
    }

    // The address of the debugging socket of the browser's page.
    static QString PageSocket(quint16 devtools) {
        const QJsonArray targets = QJsonDocument::fromJson(Exchange(devtools, Get("/json/list")).body).array();
        for (const QJsonValue& target : targets) {
            if (target.toObject().value(QStringLiteral("type")).toString() != QStringLiteral("page"))
                continue;
            // Named after the Host field sent, which held no port.
            QUrl socket(target.toObject().value(QStringLiteral("webSocketDebuggerUrl")).toString());
            socket.setPort(devtools);
            return socket.toString();
        }
        return QString();
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<frmMain> m_window;
};

QTEST_MAIN(TestGuiLapBoard)
#include "tst_gui_lapboard.moc"
