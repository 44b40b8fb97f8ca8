#include "support/clsRecentFiles.h"

#include "app/Settings.h"

#include "TestEnvironment.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(FileNamePlatform)

// The four most recent record files in the settings: a known file moves up, a new one drops the
// last, with the letter-case rule of file names on each platform.
class TestRecentFiles : public QObject {
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<IsolatedEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void operations_data() {
        QTest::addColumn<FileNamePlatform>("platform");
        QTest::addColumn<QStringList>("initial"); // empty: fresh settings
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QStringList>("expected");
        const QString e;
        const QStringList abcd{"A", "B", "C", "D"};
        const auto row = [](const char* name, FileNamePlatform platform, const QStringList& initial,
                            const char* operation, const char* argument, const QStringList& expected) {
            QTest::newRow(name) << platform << initial << QString(operation) << QString(argument) << expected;
        };
        const auto unix = FileNamePlatform::Unix, windows = FileNamePlatform::Windows, mac = FileNamePlatform::MacOS;
        row("fresh settings", unix, {}, "read", "", {e, e, e, e});
        row("Windows: known file, case ignored", windows, {"C", "A", "B", "D"}, "set", "b", {"b", "C", "A", "D"});
        row("macOS: known file, case ignored", mac, {"C", "A", "B", "D"}, "set", "b", {"b", "C", "A", "D"});
        row("Unix: another case is another file", unix, {"/r/Race.stn", "A", e, e}, "set", "/r/race.stn",
            {"/r/race.stn", "/r/Race.stn", "A", e});
        row("known file moves up", unix, abcd, "set", "C", {"C", "A", "B", "D"});
        row("new file drops the last", unix, abcd, "set", "E", {"E", "A", "B", "C"});
        row("empty positions stay empty", unix, {"A", e, e, e}, "set", "B", {"B", "A", e, e});
        row("Windows: delete, case ignored", windows, abcd, "delete", "b", {"A", "C", "D", e});
        row("Unix: delete in another case keeps the file", unix, abcd, "delete", "b", abcd);
        row("delete moves the later ones up", unix, abcd, "delete", "B", {"A", "C", "D", e});
        row("delete the only file", unix, {"A", e, e, e}, "delete", "A", {e, e, e, e});
    }
    void operations() {
        QFETCH(FileNamePlatform, platform);
        QFETCH(QStringList, initial);
        QFETCH(QString, operation);
        QFETCH(QString, argument);
        QFETCH(QStringList, expected);
        for (int i = 0; i < initial.size(); ++i)
            WriteSetting(QStringLiteral("LastFile%1").arg(i + 1), initial[i]);
        clsRecentFiles recent(platform);
        QCOMPARE(recent.ListSize(), qint16(4));
        if (operation == QLatin1String("set"))
            recent.SetFirstFile(argument);
        else if (operation == QLatin1String("delete"))
            recent.Delete(argument);
        clsRecentFiles reader;
        QStringList stored;
        for (qint16 position = 1; position <= reader.ListSize(); ++position)
            stored << reader.GetLastFile(position);
        QCOMPARE(stored, expected);
        expected.removeAll(QString()); // the menu's entries skip empty positions
        QCOMPARE(reader.Entries(), expected);
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
