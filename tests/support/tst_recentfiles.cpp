#include "support/clsRecentFiles.h"

#include "app/Settings.h"

#include "TestEnvironment.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(FileNamePlatform)

namespace {

void StoreList(const QStringList& list) {
    for (int i = 0; i < list.size(); ++i)
        WriteSetting(QStringLiteral("LastFile%1").arg(i + 1), list[i]);
}

QStringList StoredList() {
    clsRecentFiles reader;
    QStringList list;
    for (qint16 position = 1; position <= reader.ListSize(); ++position)
        list << reader.GetLastFile(position);
    return list;
}

} // namespace

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
        const auto unix = FileNamePlatform::Unix;
        const auto windows = FileNamePlatform::Windows;

        QTest::newRow("fresh settings") << unix << QStringList() << "read" << e << QStringList{e, e, e, e};
        QTest::newRow("Windows: known file, case ignored") << windows << QStringList{"C", "A", "B", "D"} << "set"
                                                           << "b" << QStringList{"b", "C", "A", "D"};
        QTest::newRow("macOS: known file, case ignored")
            << FileNamePlatform::MacOS << QStringList{"C", "A", "B", "D"} << "set"
            << "b" << QStringList{"b", "C", "A", "D"};
        QTest::newRow("Unix: another case is another file")
            << unix << QStringList{"/r/Race.stn", "A", e, e} << "set"
            << "/r/race.stn" << QStringList{"/r/race.stn", "/r/Race.stn", "A", e};
        QTest::newRow("known file moves up") << unix << abcd << "set"
                                             << "C" << QStringList{"C", "A", "B", "D"};
        QTest::newRow("new file drops the last") << unix << abcd << "set"
                                                 << "E" << QStringList{"E", "A", "B", "C"};
        QTest::newRow("empty positions stay empty") << unix << QStringList{"A", e, e, e} << "set"
                                                    << "B" << QStringList{"B", "A", e, e};
        QTest::newRow("Windows: delete, case ignored") << windows << abcd << "delete"
                                                       << "b" << QStringList{"A", "C", "D", e};
        QTest::newRow("Unix: delete in another case keeps the file") << unix << abcd << "delete"
                                                                     << "b" << abcd;
        QTest::newRow("delete moves the later ones up") << unix << abcd << "delete"
                                                        << "B" << QStringList{"A", "C", "D", e};
        QTest::newRow("delete the only file") << unix << QStringList{"A", e, e, e} << "delete"
                                              << "A" << QStringList{e, e, e, e};
    }

    void operations() {
        QFETCH(FileNamePlatform, platform);
        QFETCH(QStringList, initial);
        QFETCH(QString, operation);
        QFETCH(QString, argument);
        QFETCH(QStringList, expected);
        StoreList(initial);

        clsRecentFiles recent(platform);
        QCOMPARE(recent.ListSize(), qint16(4));
        if (operation == QLatin1String("set"))
            recent.SetFirstFile(argument);
        else if (operation == QLatin1String("delete"))
            recent.Delete(argument);
        QCOMPARE(StoredList(), expected);
    }

    void entriesSkipEmptyPositions() {
        StoreList({"/races/one.stn", QString(), "/races/three.stn", QString()});
        QCOMPARE(clsRecentFiles().Entries(), (QStringList{"/races/one.stn", "/races/three.stn"}));
    }

    // The letter-case rule of file names on each platform.
    void sameFileName_data() {
        QTest::addColumn<FileNamePlatform>("platform");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("Windows, other case") << FileNamePlatform::Windows << "C:\\R\\Race.stn"
                                             << "c:\\r\\RACE.STN" << true;
        QTest::newRow("macOS, other case") << FileNamePlatform::MacOS << "/r/Race.stn"
                                           << "/r/race.stn" << true;
        QTest::newRow("Unix, other case") << FileNamePlatform::Unix << "/r/Race.stn"
                                          << "/r/race.stn" << false;
        QTest::newRow("Unix, same spelling") << FileNamePlatform::Unix << "/r/Race.stn"
                                             << "/r/Race.stn" << true;
        QTest::newRow("Windows, other name") << FileNamePlatform::Windows << "C:\\r\\a.stn"
                                             << "C:\\r\\b.stn" << false;
    }
    void sameFileName() {
        QFETCH(FileNamePlatform, platform);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTEST(SameFileName(a, b, platform), "same");
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
