#include "support/FileFilter.h"
#include "support/ShortenPath.h"

#include <QTest>

// File names as the dialogs and the window title show them.
class TestPaths : public QObject {
    Q_OBJECT

private slots:
    void nameFilter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("patterns");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* text, const char* patterns, const char* expected) {
            QTest::newRow(name) << QString(text) << QString(patterns) << QString(expected);
        };
        row("plain", "Marklog", "*.stn", "Marklog (*.stn)");
        row("already labelled", "Texte (*.txt;*.csv)", "*.txt;*.csv", "Texte (*.txt;*.csv)");
        row("several patterns", "Texte", "*.txt;*.csv", "Texte (*.txt *.csv)");
        row("label of other patterns", "Alt (*.old)", "*.stn", "Alt (*.old) (*.stn)");
    }
    void nameFilter() {
        QFETCH(QString, text);
        QFETCH(QString, patterns);
        QTEST(NameFilter(text, patterns), "expected");
    }

    // From 36 characters on a path is cut after its root, even where that makes it no shorter.
    void shortensLongPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("separators");
        QTest::addColumn<QString>("expected");
        const QString back = QStringLiteral("\\");
        const QString longName = QString(40, QLatin1Char('a')) + QStringLiteral(".stn");
        const auto row = [](const char* name, const QString& path, const QString& separators, const QString& expected) {
            QTest::newRow(name) << path << separators << expected;
        };
        row("49 characters", "C:\\Users\\Operator\\Documents\\Races\\2021\\finish.stn", back,
            "C:\\...\\Races\\2021\\finish.stn");
        row("35 characters stay", "C:\\Races\\2021\\spring-run\\finish.stn", back,
            "C:\\Races\\2021\\spring-run\\finish.stn");
        row("36 characters", "C:\\Races\\2021\\spring-run\\finish1.stn", back,
            "C:\\...\\2021\\spring-run\\finish1.stn");
        row("no separator near the end", "C:\\Data\\" + longName, back, "C:\\...\\" + longName);
        row("no separator at all", longName, back, longName);
        row("Windows, both separators", "C:/Users/Operator\\Documents/Races\\2021/finish.stn", "\\/",
            "C:/.../Races\\2021/finish.stn");
        row("Linux network path", "//server/share/events/2021/spring-run/finish.stn", "/",
            "//.../2021/spring-run/finish.stn");
        // A backslash is an ordinary character of a Linux file name.
        row("Linux, backslash in a name", "/home/operator/events/2021/spring\\relay-and-more\\finish.stn", "/",
            "/.../spring\\relay-and-more\\finish.stn");
    }
    void shortensLongPaths() {
        QFETCH(QString, path);
        QFETCH(QString, separators);
        QTEST(ShortenPath(path, separators), "expected");
#ifdef Q_OS_WIN
        QCOMPARE(PathSeparators(), QStringLiteral("\\/"));
#else
        QCOMPARE(PathSeparators(), QStringLiteral("/"));
#endif
        QCOMPARE(ShortenPath(path), ShortenPath(path, PathSeparators()));
    }
};

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
