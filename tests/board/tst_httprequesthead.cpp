// The lap board's request reader: what it takes from a client's bytes, and which error it
// answers to bytes that are no request it serves, within its limits.
#include "board/HttpRequestHead.h"

#include <QtTest>

using State = HttpRequestHead::State;

class TestHttpRequestHead : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("status");      // Invalid
        QTest::addColumn<QByteArray>("path"); // Complete
        QTest::addColumn<bool>("keepAlive");
        QTest::addColumn<bool>("hasBody");
        const auto row = [](const char* name, const QByteArray& received, State state, int status = 0,
                            const QByteArray& path = {}, bool keepAlive = true, bool hasBody = false) {
            QTest::newRow(name) << received << int(state) << status << path << keepAlive << hasBody;
        };
        row("get", "GET /api/standings.json HTTP/1.1\r\nHost: board\r\n\r\n", State::Complete, 0,
            "/api/standings.json");
        row("query dropped, bare line feeds", "GET /?lang=de HTTP/1.1\nHost: b\n\n", State::Complete, 0, "/");
        row("close asked", "HEAD / HTTP/1.1\r\nConnection: Close\r\n\r\n", State::Complete, 0, "/", false);
        row("HTTP/1.0 closes", "GET / HTTP/1.0\r\n\r\n", State::Complete, 0, "/", false);
        row("body announced", "POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", State::Complete, 0, "/", true, true);
        row("chunked body", "PUT / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", State::Complete, 0, "/", true,
            true);
        row("head not ended", "GET / HTTP/1.1\r\nHost: b\r\n", State::Incomplete);
        row("binary greeting", QByteArray("\x16\x03\x01\x02\x00", 5), State::Invalid, 400);
        row("two parts", "GET /\r\n\r\n", State::Invalid, 400);
        row("lower-case method", "get / HTTP/1.1\r\n\r\n", State::Invalid, 400);
        row("absolute target", "GET HTTP://x:8080/api/standings.json?a HTTP/1.1\r\n\r\n", State::Complete, 0,
            "/api/standings.json");
        row("absolute target, bare authority", "GET http://x?a HTTP/1.1\r\n\r\n", State::Complete, 0, "/");
        row("empty lines before", "\r\n\nHEAD / HTTP/1.1\r\n\r\n", State::Complete, 0, "/");
        row("cut after carriage return", "GET / HTTP/1.1\r", State::Incomplete);
        row("other scheme", "GET ftp://x/ HTTP/1.1\r\n\r\n", State::Invalid, 400);
        row("folded header", "GET / HTTP/1.1\r\nA: 1\r\n  2\r\n\r\n", State::Invalid, 400);
        row("header without colon", "GET / HTTP/1.1\r\nHost\r\n\r\n", State::Invalid, 400);
        row("control character in value", "GET / HTTP/1.1\r\nA: \x01\r\n\r\n", State::Invalid, 400);
        row("other version", "GET / HTTP/2.0\r\n\r\n", State::Invalid, 505);
        row("request line too long", "GET /" + QByteArray(3000, 'a'), State::Invalid, 414);
        row("too many fields", "GET / HTTP/1.1\r\n" + QByteArray("A: 1\r\n").repeated(49) + "\r\n", State::Invalid,
            431);
        row("head too large", "GET / HTTP/1.1\r\nA: " + QByteArray(9000, 'a'), State::Invalid, 431);
    }

    void parse() {
        QFETCH(QByteArray, received);
        QFETCH(bool, hasBody);
        const HttpRequestHead head = ParseHttpRequestHead(received);
        QTEST(int(head.state), "state");
        QTEST(head.status, "status");
        if (head.state != State::Complete)
            return;
        QTEST(head.path, "path");
        QTEST(head.keepAlive, "keepAlive");
        QCOMPARE(head.hasBody, hasBody);
        QCOMPARE(received.mid(head.length), hasBody && received.endsWith("hello") ? QByteArray("hello") : QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestHttpRequestHead)
#include "tst_httprequesthead.moc"
