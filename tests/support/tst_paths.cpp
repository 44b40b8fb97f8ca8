#include "records/RecordPath.h"
#include "support/FileFilter.h"
#include "support/ShortenPath.h"

#include <QDir>
#include <QTest>

namespace {
void Row(const char* name, const QString& given, const QString& separators, const QString& expected) {
    QTest::newRow(name) << given << separators << expected;
}
void Columns() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("second"); // the patterns or the separators
    QTest::addColumn<QString>("expected");
}
} // namespace

// File names as the command line hands them on and as the dialogs and the window title show them.
class TestPaths : public QObject {
    Q_OBJECT

private slots:
    void nameFilter_data() {
        Columns();
        Row("plain", "Marklog", "*.stn", "Marklog (*.stn)");
        Row("already labelled", "Texte (*.txt;*.csv)", "*.txt;*.csv", "Texte (*.txt;*.csv)");
        Row("several patterns", "Texte", "*.txt;*.csv", "Texte (*.txt *.csv)");
        Row("label of other patterns", "Alt (*.old)", "*.stn", "Alt (*.old) (*.stn)");
    }
    void nameFilter() {
        QFETCH(QString, given);
        QFETCH(QString, second);
        QTEST(NameFilter(given, second), "expected");
    }

    // From 36 characters on a path is cut after its root, even where that makes it no shorter.
    void shortensLongPaths_data() {
        Columns();
        const QString back = QStringLiteral("\\");
        const QString longName = QString(40, QLatin1Char('a')) + QStringLiteral(".stn");
        Row("49 characters", "C:\\Users\\Operator\\Documents\\Races\\2021\\finish.stn", back,
            "C:\\...\\Races\\2021\\finish.stn");
        Row("35 characters stay", "C:\\Races\\2021\\spring-run\\finish.stn", back,
            "C:\\Races\\2021\\spring-run\\finish.stn");
        Row("36 characters", "C:\\Races\\2021\\spring-run\\finish1.stn", back,
            "C:\\...\\2021\\spring-run\\finish1.stn");
        Row("no separator near the end", "C:\\Data\\" + longName, back, "C:\\...\\" + longName);
        Row("no separator at all", longName, back, longName);
        Row("Windows, both separators", "C:/Users/Operator\\Documents/Races\\2021/finish.stn", "\\/",
            "C:/.../Races\\2021/finish.stn");
        Row("Linux network path", "//server/share/events/2021/spring-run/finish.stn", "/",
            "//.../2021/spring-run/finish.stn");
        // A backslash is an ordinary character of a Linux file name.
        Row("Linux, backslash in a name", "/home/operator/events/2021/spring\\relay-and-more\\finish.stn", "/",
            "/.../spring\\relay-and-more\\finish.stn");
    }
    void shortensLongPaths() {
        QFETCH(QString, given);
        QFETCH(QString, second);
        QTEST(ShortenPath(given, second), "expected");
        QCOMPARE(PathSeparators(), QDir::separator() == QLatin1Char('\\') ? "\\/" : "/");
        QCOMPARE(ShortenPath(given), ShortenPath(given, PathSeparators()));
    }

    // A quote at either end of a command line's file name is dropped; a relative name is made absolute.
    void recordPath_data() {
        Columns();
        const QString here = QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("race.stn")));
        Row("quoted", "\"race.stn\"", {}, here);
        Row("quote at the start only", "\"race.stn", {}, here);
        Row("quote at the end only", "race.stn\"", {}, here);
        Row("inner quote stays", "/a/\"b\".stn", {}, "/a/\"b\".stn");
        Row("absolute stays", "/data/race.stn", {}, "/data/race.stn");
        Row("empty", "", {}, "");
        Row("only quotes", "\"\"", {}, "");
    }
    void recordPath() {
        QFETCH(QString, given);
        QTEST(AbsoluteRecordPath(WithoutQuotes(given)), "expected");
    }
};

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
