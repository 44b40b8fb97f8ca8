#include "base/Settings.h"
#include "records/RecordPath.h"
#include "support/FileFilter.h"
#include "support/ShortenPath.h"
#include "support/clsRecentFiles.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QTest>

Q_DECLARE_METATYPE(FileNamePlatform)

namespace {
// A file name text made of a given text and a second one (the patterns, the separators or nothing).
using NameText = QString (*)(const QString& given, const QString& second);
} // namespace
Q_DECLARE_METATYPE(NameText)

// File names from the command line, in the dialogs and the window title, and in the recent files list.
class TestPaths : public QObject {
    Q_OBJECT

private slots:
    void nameTexts_data() {
        QTest::addColumn<NameText>("text");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("expected");
        NameText text = NameFilter; // the name filter of a file dialog: a text and its patterns
        const auto row = [&text](const char* name, const QString& given, const QString& second,
                                 const QString& expected) {
            QTest::newRow(name) << text << given << second << expected;
        };
        row("filter", "Marklog", "*.stn", "Marklog (*.stn)");
        row("filter already labelled", "Texte (*.txt;*.csv)", "*.txt;*.csv", "Texte (*.txt;*.csv)");
        row("filter of several patterns", "Texte", "*.txt;*.csv", "Texte (*.txt *.csv)");
        row("label of other patterns", "Alt (*.old)", "*.stn", "Alt (*.old) (*.stn)");

        // From 36 characters on a path is cut after its root, even where that makes it no shorter.
        text = [](const QString& path, const QString& separators) { return ShortenPath(path, separators); };
        const QString back = QStringLiteral("\\");
        const QString longName = QString(40, QLatin1Char('a')) + QStringLiteral(".stn");
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

        // A quote at either end of a command line's file name is dropped; a relative name is made absolute.
        text = [](const QString& given, const QString&) { return AbsoluteRecordPath(WithoutQuotes(given)); };
        const QString here = QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("race.stn")));
        row("quoted", "\"race.stn\"", {}, here);
        row("quote at the start only", "\"race.stn", {}, here);
        row("quote at the end only", "race.stn\"", {}, here);
        row("inner quote stays", "/a/\"b\".stn", {}, "/a/\"b\".stn");
        row("absolute stays", "/data/race.stn", {}, "/data/race.stn");
        row("only quotes", "\"\"", {}, "");
    }
    void nameTexts() {
        QFETCH(NameText, text);
        QFETCH(QString, given);
        QFETCH(QString, second);
        QTEST(text(given, second), "expected");
    }

    // The four most recent record files: a known one moves up (letter case as the platform's file
    // names), a new one drops the last.
    void recentFiles_data() {
        QTest::addColumn<FileNamePlatform>("platform");
        QTest::addColumn<QStringList>("initial"); // empty: fresh settings
        QTest::addColumn<QString>("change");      // "+name" made the first file, "-name" deleted
        QTest::addColumn<QStringList>("expected");
        const QString e;
        const QStringList abcd{"A", "B", "C", "D"};
        const auto row = [](const char* name, FileNamePlatform platform, const QStringList& initial, const char* change,
                            const QStringList& expected) {
            QTest::newRow(name) << platform << initial << QString(change) << expected;
        };
        const auto unix = FileNamePlatform::Unix, windows = FileNamePlatform::Windows, mac = FileNamePlatform::MacOS;
        row("fresh settings", unix, {}, "", {e, e, e, e});
        row("Windows: known file, case ignored", windows, {"C", "A", "B", "D"}, "+b", {"b", "C", "A", "D"});
        row("macOS: known file, case ignored", mac, {"C", "A", "B", "D"}, "+b", {"b", "C", "A", "D"});
        row("Unix: another case is another file", unix, {"/r/Race.stn", "A", e, e}, "+/r/race.stn",
            {"/r/race.stn", "/r/Race.stn", "A", e});
        row("known file moves up", unix, abcd, "+C", {"C", "A", "B", "D"});
        row("new file drops the last", unix, abcd, "+E", {"E", "A", "B", "C"});
        row("empty positions stay empty", unix, {"A", e, e, e}, "+B", {"B", "A", e, e});
        row("a gap closes, no file twice", unix, {"A", e, "C", e}, "+B", {"B", "A", "C", e});
        row("Windows: delete, case ignored", windows, abcd, "-b", {"A", "C", "D", e});
        row("Unix: delete in another case keeps the file", unix, abcd, "-b", abcd);
        row("delete moves the later ones up", unix, abcd, "-B", {"A", "C", "D", e});
    }
    void recentFiles() {
        const IsolatedEnvironment environment;
        QFETCH(FileNamePlatform, platform);
        QFETCH(QStringList, initial);
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        for (int i = 0; i < initial.size(); ++i)
            WriteSetting(QStringLiteral("LastFile%1").arg(i + 1), initial[i]);
        clsRecentFiles recent(platform);
        if (change.startsWith(QLatin1Char('+')))
            recent.SetFirstFile(change.mid(1));
        else if (change.startsWith(QLatin1Char('-')))
            recent.Delete(change.mid(1));
        clsRecentFiles reader;
        QStringList stored;
        for (qint16 position = 1; position <= reader.ListSize(); ++position)
            stored << reader.GetLastFile(position);
        QCOMPARE(stored, expected);
        expected.removeAll(QString()); // the menu's entries skip empty positions
        QCOMPARE(reader.Entries(), expected);
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
