#include "support/ShortenPath.h"

#include <QTest>

class TestShortenPath : public QObject {
    Q_OBJECT

private slots:
    void shortensLongPaths_data();
    void shortensLongPaths();
    void platformSeparators();
};

void TestShortenPath::shortensLongPaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("separators");
    QTest::addColumn<QString>("expected");
    const QString back = QStringLiteral("\\");
    const QString longName = QString(40, QLatin1Char('a')) + QStringLiteral(".stn");

    QTest::newRow("49 characters") << QStringLiteral("C:\\Users\\Operator\\Documents\\Races\\2021\\finish.stn") << back
                                   << QStringLiteral("C:\\...\\Races\\2021\\finish.stn");
    QTest::newRow("48 characters, network") << QStringLiteral("\\\\server\\share\\events\\2021\\spring-run\\finish.stn")
                                            << back << QStringLiteral("\\\\...\\2021\\spring-run\\finish.stn");
    QTest::newRow("34 characters stay") << QStringLiteral("C:\\Races\\2021\\spring-run\\finis.stn") << back
                                        << QStringLiteral("C:\\Races\\2021\\spring-run\\finis.stn");
    QTest::newRow("35 characters stay") << QStringLiteral("C:\\Races\\2021\\spring-run\\finish.stn") << back
                                        << QStringLiteral("C:\\Races\\2021\\spring-run\\finish.stn");
    // From 36 characters on the path is cut, even where that makes it no shorter.
    QTest::newRow("36 characters") << QStringLiteral("C:\\Races\\2021\\spring-run\\finish1.stn") << back
                                   << QStringLiteral("C:\\...\\2021\\spring-run\\finish1.stn");
    QTest::newRow("no separator near the end")
        << QStringLiteral("C:\\Data\\") + longName << back << QStringLiteral("C:\\...\\") + longName;
    QTest::newRow("no separator at all") << longName << back << longName;
    QTest::newRow("Windows, both separators")
        << QStringLiteral("C:/Users/Operator\\Documents/Races\\2021/finish.stn") << QStringLiteral("\\/")
        << QStringLiteral("C:/.../Races\\2021/finish.stn");
    QTest::newRow("Linux path") << QStringLiteral("/home/operator/Documents/Races/2021/finish.stn")
                                << QStringLiteral("/") << QStringLiteral("/.../Races/2021/finish.stn");
    QTest::newRow("Linux network path") << QStringLiteral("//server/share/events/2021/spring-run/finish.stn")
                                        << QStringLiteral("/") << QStringLiteral("//.../2021/spring-run/finish.stn");
    // A backslash is an ordinary character of a Linux file name.
    QTest::newRow("Linux, backslash in a name")
        << QStringLiteral("/home/operator/events/2021/spring\\relay-and-more\\finish.stn") << QStringLiteral("/")
        << QStringLiteral("/.../spring\\relay-and-more\\finish.stn");
}

void TestShortenPath::shortensLongPaths() {
    QFETCH(QString, path);
    QFETCH(QString, separators);
    QFETCH(QString, expected);
    QCOMPARE(ShortenPath(path, separators), expected);
}

void TestShortenPath::platformSeparators() {
    const QString path = QStringLiteral("/home/operator/Documents/Races/2021/finish.stn");
    QCOMPARE(ShortenPath(path), ShortenPath(path, PathSeparators()));
#ifdef Q_OS_WIN
    QCOMPARE(PathSeparators(), QStringLiteral("\\/"));
#else
    QCOMPARE(PathSeparators(), QStringLiteral("/"));
    QCOMPARE(ShortenPath(path), QStringLiteral("/.../Races/2021/finish.stn"));
#endif
}

QTEST_APPLESS_MAIN(TestShortenPath)
#include "tst_shortenpath.moc"
