#include "support/ShortenPath.h"

#include <QTest>

class TestShortenPath : public QObject {
    Q_OBJECT

private slots:
    void shortensLongPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("separators");
        QTest::addColumn<QString>("expected");
        const QString back = QStringLiteral("\\");
        const QString longName = QString(40, QLatin1Char('a')) + QStringLiteral(".stn");
        QTest::newRow("49 characters") << "C:\\Users\\Operator\\Documents\\Races\\2021\\finish.stn" << back
                                       << "C:\\...\\Races\\2021\\finish.stn";
        QTest::newRow("48 characters, network") << "\\\\server\\share\\events\\2021\\spring-run\\finish.stn" << back
                                                << "\\\\...\\2021\\spring-run\\finish.stn";
        QTest::newRow("35 characters stay")
            << "C:\\Races\\2021\\spring-run\\finish.stn" << back << "C:\\Races\\2021\\spring-run\\finish.stn";
        // From 36 characters on the path is cut, even where that makes it no shorter.
        QTest::newRow("36 characters") << "C:\\Races\\2021\\spring-run\\finish1.stn" << back
                                       << "C:\\...\\2021\\spring-run\\finish1.stn";
        QTest::newRow("no separator near the end") << "C:\\Data\\" + longName << back << "C:\\...\\" + longName;
        QTest::newRow("no separator at all") << longName << back << longName;
        QTest::newRow("Windows, both separators") << "C:/Users/Operator\\Documents/Races\\2021/finish.stn"
                                                  << "\\/"
                                                  << "C:/.../Races\\2021/finish.stn";
        QTest::newRow("Linux network path") << "//server/share/events/2021/spring-run/finish.stn"
                                            << "/"
                                            << "//.../2021/spring-run/finish.stn";
        // A backslash is an ordinary character of a Linux file name.
        QTest::newRow("Linux, backslash in a name") << "/home/operator/events/2021/spring\\relay-and-more\\finish.stn"
                                                    << "/"
                                                    << "/.../spring\\relay-and-more\\finish.stn";
    }
    void shortensLongPaths() {
        QFETCH(QString, path);
        QFETCH(QString, separators);
        QTEST(ShortenPath(path, separators), "expected");
    }

    void platformSeparators() {
        const QString path = QStringLiteral("/home/operator/Documents/Races/2021/finish.stn");
        QCOMPARE(ShortenPath(path), ShortenPath(path, PathSeparators()));
#ifdef Q_OS_WIN
        QCOMPARE(PathSeparators(), QStringLiteral("\\/"));
#else
        QCOMPARE(PathSeparators(), QStringLiteral("/"));
        QCOMPARE(ShortenPath(path), QStringLiteral("/.../Races/2021/finish.stn"));
#endif
    }
};

QTEST_APPLESS_MAIN(TestShortenPath)
#include "tst_shortenpath.moc"
