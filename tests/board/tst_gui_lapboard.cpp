// The lap board served by the main window on loopback: what its addresses answer, that recorded
// bibs reach its JSON and a real browser's page, that its window leaves the recording going and
// shows the address chosen, and that hostile clients never hold up a scanner's recording.
#include "base/Settings.h"
#include "board/LapBoardHost.h"
#include "board/QrCodeImage.h"
#include "board/frmLapBoard.h"
#include "recording/BarcodeScanner.h"
#include "records/clsFile.h"

#include "../hardening/ScannerPty.h"
#include "GuiFixture.h"
#include "HttpExchange.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkProxy>
#include <QProcess>
#include <QSemaphore>
#include <QTcpServer>
#include <QWebSocket>

#include <memory>
#include <vector>

class TestGuiLapBoard : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_moment = QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12));
        m_clock = std::make_unique<FixedClock>(m_moment);
    }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        QFile::remove(clsFile::DatedCopyPath(QStringLiteral("race.stn"), m_moment)); // kept of the changed file
        m_clock.reset();
        m_f.reset();
    }

    // 64 connections from two addresses pipeline requests without end, and the server's thread
    // is held before its next answers: a scanned bib is on the disk before a waiting request is
    // answered. Once the server goes on, every connection is answered and the data hold the bib,
    // published meanwhile. One connection more from an address at its limit is told so in words,
    // with Retry-After.
    void abuseNeverStallsRecording() {
        ScannerPty scanner;
        QVERIFY(scanner.IsValid());
        const quint16 port = OpenWithBoard();
        m_f->window->findChild<BarcodeScanner*>()->Open(scanner.Device()); // switched on by the operator
        QCOMPARE(HttpExchange(port, "GET / HTTP/1.1\r\nX: " + QByteArray(1 << 20, 'x')).status, 431);
        const QByteArray requests = QByteArray("HEAD /api/standings.json HTTP/1.1\r\nHost: b\r\n\r\n").repeated(40);
        std::vector<std::unique_ptr<QTcpSocket>> flood;
        std::vector<int> answers(65);
        QByteArray refused;
        for (int i = 0; i < 65; ++i) {
            QTcpSocket* socket = flood.emplace_back(std::make_unique<QTcpSocket>()).get();
            socket->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i % 2)));
            connect(socket, &QTcpSocket::connected, socket, [=] { socket->write(requests); });
            connect(socket, &QTcpSocket::readyRead, socket, [=, &answers, &refused] {
                const QByteArray answer = socket->readAll();
                refused += answer.startsWith("HTTP/1.1 503") ? answer : QByteArray();
                const int count = int(answer.count("HTTP/1.1 200"));
                answers[size_t(i)] += count;
                socket->write(requests.left(requests.size() / 40 * count)); // the pipeline stays full
            });
            socket->connectToHost(QHostAddress::LocalHost, port);
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::count_if(answers.begin(), answers.end(), [](int n) { return n > 0; }) == 64,
                                 30000);
        QTRY_VERIFY(refused.contains("Retry-After: 5") && refused.contains("try again in a few seconds"));

        QSemaphore held, goOn;
        auto* pause = new QObject;
        pause->moveToThread(m_f->window->findChild<QThread*>(QStringLiteral("LapBoardThread")));
        QMetaObject::invokeMethod(pause, [&held, &goOn, pause] {
            held.release();
            goOn.acquire();
            delete pause;
        });
        QVERIFY(held.tryAcquire(1, 30000));
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        probe.write(HttpGet("/api/standings.json"));
        QTRY_VERIFY(probe.state() == QAbstractSocket::ConnectedState && probe.bytesToWrite() == 0);
        QVERIFY(scanner.Send("4711\r"));
        QTRY_VERIFY_WITH_TIMEOUT(FileBytes(m_f->path()).contains("4711"), 30000);
        QVERIFY(probe.readAll().isEmpty()); // recorded before the server answered again
        const auto* server = m_f->window->findChild<LapBoardServer*>();
        QTRY_VERIFY(server->Current()->json.contains("\"last\":[{\"bib\":4711")); // published without waiting
        const std::vector<int> before = answers;
        goOn.release();
        for (size_t i = 0; i < answers.size(); ++i)
            QTRY_VERIFY(before[i] == 0 || answers[i] > before[i]);
        QByteArray answer;
        QTRY_VERIFY((answer += probe.readAll()).contains("\"last\":[{\"bib\":4711"));
    }

    // Only the page, its script, style and data are served, and only to GET and HEAD. The lap board
    // window stays beside the main window, which records meanwhile; its QR code and the page's show
    // the address chosen, and of several addresses the operator picks one.
    void answersAndWindow() {
        const quint16 port = OpenWithBoard();
        const std::tuple<QByteArray, int, const char*, const char*> answers[] = {
            {HttpGet("/"), 200, "text/html", "board.js"},
            {HttpGet("/board.js"), 200, "javascript", "/api/standings.json"},
            {HttpGet("/board.css"), 200, "text/css", "@media"},
            {HttpGet("/api/standings.json?x=1"), 200, "application/json", "\"standings\":[]"},
            {"HEAD / HTTP/1.1\r\n\r\n", 200, "Content-Length", ""},
            {HttpGet("/../race.stn"), 404, "", ""},
            {"POST /api/standings.json HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 405, "Allow: GET, HEAD", ""},
        };
        for (const auto& [request, status, inHead, inBody] : answers) {
            const HttpReply reply = HttpExchange(port, request);
            QVERIFY2(reply.status == status && reply.head.contains(inHead) && reply.body.contains(inBody) &&
                         (!request.startsWith("HEAD") || reply.body.isEmpty()),
                     request.constData());
        }

        m_f->Trigger("mnuExtras_LapBoard");
        auto* window = m_f->window->findChild<frmLapBoard*>();
        QVERIFY(window && window->isVisible() && !window->isModal());
        m_f->Entry()->setFocus();
        m_f->Record(QStringLiteral("77"));
        QCOMPARE(m_f->window->Records().Count(), 1);
        const QString address = window->findChild<QComboBox*>(QStringLiteral("cboAddress"))->currentText();
        QCOMPARE(QrShown(window), QrCodeImage(address, 6));
        QTRY_COMPARE(
            QImage::fromData(HttpExchange(port, HttpGet("/qr.png")).body).convertToFormat(QImage::Format_RGB32),
            QrCodeImage(address, 8));

        QString chosen;
        const QStringList addresses{"http://10.0.0.7:8080/", "http://192.168.1.20:8080/"};
        frmLapBoard choice({[](quint16, QString*) { return true; }, [] {}, [] { return quint16(8080); },
                            [&](quint16) { return addresses; }, [] { return QString(); },
                            [&](const QString& address) { chosen = address; }});
        choice.show();
        auto* box = choice.findChild<QComboBox*>(QStringLiteral("cboAddress"));
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(chosen, addresses[1]);
        QCOMPARE(QrShown(&choice), QrCodeImage(addresses[1], 6));
    }

    // A real headless browser's page follows the recording in ranking order; on a phone and on a
    // TV, in German with long names, nothing is wider than the screen, the search box finds a
    // runner on the phone and the TV pages through a long list. Run as the test labelled browser.
    void browserFollowsRecording() {
        if (!qEnvironmentVariableIsSet("MARKLOG_BROWSER_TEST"))
            QSKIP("runs as the test tst_browser_lapboard");
        if (QStandardPaths::findExecutable(QStringLiteral("chromium")).isEmpty())
            QSKIP("chromium is not installed (scripts/test installs it)");
        m_clock->set(m_moment = QDateTime::currentDateTime());
        QByteArray names = "bib,name,category\r\n4711,Maximiliane Schwarzenberg-Oberhollenzer,W40\r\n";
        for (int bib = 1; bib <= 60; ++bib)
            names += QByteArray::number(bib) + ",Läufer " + QByteArray::number(bib) + (bib % 2 ? ",M\r\n" : ",W\r\n");
        WriteBytes(m_f->path() + QStringLiteral(".startlist.csv"), names);
        WriteBytes(m_f->path() + QStringLiteral(".start"),
                   ";" + m_moment.addSecs(-2520).toString(Qt::ISODateWithMs).toUtf8() + "\r\n");
        const quint16 port = OpenWithBoard(QStringLiteral("de"));
        QTemporaryDir profile;
        QProcess browser;
        browser.start(QStringLiteral("chromium"),
                      {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                       "--disable-background-networking", "--disable-component-update", "--disable-sync",
                       "--hide-scrollbars", "--user-data-dir=" + profile.path(), "--remote-debugging-address=127.0.0.1",
                       "--remote-debugging-port=0", "--remote-allow-origins=*",
                       QStringLiteral("http://127.0.0.1:%1/").arg(port)});
        QVERIFY2(browser.waitForStarted(), "chromium did not start");
        const QString portFile = profile.filePath(QStringLiteral("DevToolsActivePort"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(portFile).size() > 0, 60000);
        const quint16 devtools = quint16(FileBytes(portFile).split('\n').first().toUInt());
        QString pageSocket;
        QTRY_VERIFY_WITH_TIMEOUT(!(pageSocket = PageSocket(devtools)).isEmpty(), 30000);

        QWebSocket page;
        QHash<int, QJsonObject> replies;
        connect(&page, &QWebSocket::textMessageReceived, this, [&](const QString& message) {
            const QJsonObject reply = QJsonDocument::fromJson(message.toUtf8()).object();
            replies.insert(reply[QStringLiteral("id")].toInt(), reply[QStringLiteral("result")].toObject());
        });
        page.setProxy(QNetworkProxy::NoProxy);
        page.open(QUrl(pageSocket));
        QTRY_COMPARE_WITH_TIMEOUT(page.state(), QAbstractSocket::ConnectedState, 30000);
        int calls = 0;
        const auto call = [&](const char* method, const QJsonObject& params) {
            const int id = ++calls;
            page.sendTextMessage(QString::fromUtf8(
                QJsonDocument(QJsonObject{{"id", id}, {"method", method}, {"params", params}}).toJson()));
            return QTest::qWaitFor([&] { return replies.contains(id); }, 30000) ? replies.take(id) : QJsonObject();
        };
        const auto evaluate = [&](const QString& expression) {
            return call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}})
                .value(QStringLiteral("result"))[QStringLiteral("value")];
        };
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(QStringLiteral("document.body.textContent"))
                                     .toString()
                                     .contains(QStringLiteral("Letzte Durchgänge")),
                                 60000);
        for (int bib = 60; bib >= 1; --bib)
            m_f->Record(QString::number(bib));
        m_f->Record(QStringLiteral("4711"));
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(QStringLiteral("byId('lastBib').textContent")).toString() == "4711", 10000);
        QCOMPARE(evaluate(QStringLiteral("[...document.querySelectorAll('#standings tbody td.bib')].slice(0, 3)"
                                         ".map(cell => cell.textContent).join()")),
                 QJsonValue(QStringLiteral("60,59,58")));
        for (const auto& [width, height, name] :
             {std::tuple(360, 740, "lap-board-phone"), std::tuple(1920, 1080, "lap-board-tv")}) {
            call("Emulation.setDeviceMetricsOverride",
                 {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", width < 900}});
            QTRY_VERIFY(evaluate(QStringLiteral("innerWidth")).toInt() == width);
            QVERIFY2(evaluate(QStringLiteral("document.documentElement.scrollWidth")).toInt() <= width, name);
            QVERIFY(evaluate(QStringLiteral("[...document.querySelectorAll('th')].every(th => th.scrollWidth <= "
                                            "th.clientWidth)"))
                        .toBool());
            const QString folder = qEnvironmentVariable("MARKLOG_SCREENSHOTS");
            if (!folder.isEmpty())
                WriteBytes(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"),
                           QByteArray::fromBase64(
                               call("Page.captureScreenshot", {})[QStringLiteral("data")].toString().toLatin1()));
        }
        QVERIFY(evaluate(QStringLiteral("turnPage(), byId('standingsBox').scrollTop > 0")).toBool());
        QCOMPARE(evaluate(QStringLiteral("byId('find').value = 'schwarz', applyFind(), "
                                         "[...byId('standings').tBodies[0].rows].filter(row => !row.hidden).length")),
                 QJsonValue(1));
        page.close();
        browser.terminate(); // lets it end its own helper processes
        QVERIFY(browser.waitForFinished(30000));
    }

private:
    // The main window on an empty record file, in English, with the board switched on in the
    // settings as a user left it; its port.
    quint16 OpenWithBoard(const QString& language = QStringLiteral("en")) {
        QTcpServer probe;
        probe.listen(QHostAddress::Any, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        WriteSetting(QStringLiteral("Language"), language);
        WriteSetting(QStringLiteral("LapBoard"), CheckBoxValue(true));
        WriteSetting(QStringLiteral("LapBoardPort"), QString::number(port));
        if (!m_f->LoadRecords(QByteArray()) || m_f->window->LapBoard().Port() != port)
            qWarning("the main window or its lap board did not start");
        return port;
    }

    static QImage QrShown(QWidget* window) {
        return window->findChild<QLabel*>(QStringLiteral("picQrCode"))
            ->pixmap()
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
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

    QDateTime m_moment;
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestGuiLapBoard)
#include "tst_gui_lapboard.moc"
