#include "support/FileFilter.h"

#include "lang/clsLanguage.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QTest>

namespace {
// Text with "|" standing for a NUL, so the lists below read like the dialog's buffer.
QString Z(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char('|'), QChar(0));
}

// The joined path of a multi-selection on this platform.
QString Joined(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}
} // namespace

class TestFileFilter : public QObject {
    Q_OBJECT

private slots:
    void buildFilter_data() {
        QTest::addColumn<QStringList>("pairs"); // "index|text|pattern" per pair
        QTest::addColumn<QString>("custom");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("storedCustom");
        QTest::newRow("nothing set") << QStringList() << QString()
                                     << GetText(QStringLiteral("GEN_FILETYPE_ALL")) + Z("|*.*||") << QString();
        QTest::newRow("one labelled pair") << QStringList{"1|Marklog-Datei (*.stn)|*.stn"} << QString()
                                           << Z("Marklog-Datei (*.stn)|*.stn|||") << QString();
        // Pairs missing text or pattern are skipped; the others keep their numbers' order.
        QTest::newRow("incomplete pairs and order") << QStringList{"5|Fünf|*.5", "2||*.2", "4|Vier|*.4", "3|Drei|"}
                                                    << QString() << Z("Vier|*.4|Fünf|*.5|||") << QString();
        QTest::newRow("custom list in front")
            << QStringList{"1|Eins|*.1"} << Z("Eigene|*.x||") << Z("Eigene|*.x|Eins|*.1|||") << Z("Eigene|*.x");
        QTest::newRow("custom list alone")
            << QStringList() << Z("Eigene|*.x|||") << Z("Eigene|*.x|||") << Z("Eigene|*.x");
    }
    void buildFilter() {
        QFETCH(QStringList, pairs);
        QFETCH(QString, custom);
        QFETCH(QString, expected);
        FilterPairs filters;
        for (const QString& pair : pairs) {
            const QStringList parts = pair.split(QLatin1Char('|'));
            filters.texts[parts[0].toInt()] = parts[1];
            filters.suffixes[parts[0].toInt()] = parts[2];
        }
        filters.custom = custom;
        QCOMPARE(BuildFilter(filters), expected);
        QTEST(filters.custom, "storedCustom");
        QCOMPARE(BuildFilter(filters), expected); // building again gives the same list
    }

    void customFilterValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << Z("Eigene|*.x") << Z("Eigene|*.x||");
        QTest::newRow("one NUL") << Z("Eigene|*.x|") << Z("Eigene|*.x|||");
        QTest::newRow("two NULs kept") << Z("Eigene|*.x||") << Z("Eigene|*.x||");
        QTest::newRow("one character") << Z("|") << Z("|||");
    }
    void customFilterValue() {
        QFETCH(QString, value);
        QTEST(CustomFilterValue(value), "expected");
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all files") << Z("Alle Dateien|*.*||") << QStringList{"Alle Dateien (*.*)"};
        QTest::newRow("already labelled")
            << Z("Texte (*.txt;*.csv)|*.txt;*.csv|||") << QStringList{"Texte (*.txt;*.csv)"};
        QTest::newRow("several patterns") << Z("Texte|*.txt;*.csv|||") << QStringList{"Texte (*.txt *.csv)"};
        QTest::newRow("label of other patterns") << Z("Alt (*.old)|*.stn|||") << QStringList{"Alt (*.old) (*.stn)"};
        QTest::newRow("two pairs") << Z("Eigene|*.x|Eins|*.1|||") << QStringList{"Eigene (*.x)", "Eins (*.1)"};
        QTest::newRow("ends at first empty member") << Z("A|*.a||B|*.b||") << QStringList{"A (*.a)"};
        QTest::newRow("empty") << QString() << QStringList();
    }
    void nameFilters() {
        QFETCH(QString, list);
        QTEST(NameFilters(list), "expected");
    }

    void checkFlags_data() {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<bool>("multiSelect");
        QTest::addColumn<QString>("intention");
        QTest::addColumn<quint32>("expected");
        QTest::addColumn<bool>("complains");
        QTest::newRow("open") << 0u << false << "Open" << 0x1804u << false;
        QTest::newRow("open, multi-select") << 0u << true << "Open" << 0x81A04u << false;
        QTest::newRow("save") << 0u << false << "Save" << 0x806u << false;
        QTest::newRow("save, multi-select") << 0u << true << "Save" << 0x806u << false;
        QTest::newRow("set, multi-select") << 0x1000u << true << "Open" << 0x81200u << false;
        QTest::newRow("set, single") << 0x1000u << false << "Open" << 0x1000u << false;
        QTest::newRow("set, save, multi-select") << 0x2u << true << "Save" << 0x80202u << false;
        QTest::newRow("set, unknown intention") << 0x1000u << false << "Print" << 0x1000u << false;
        QTest::newRow("unknown intention") << 0u << false << "Print" << 0u << true;
        QTest::newRow("intention is case-sensitive") << 0u << true << "open" << 0u << true;
    }
    void checkFlags() {
        QFETCH(quint32, flags);
        QFETCH(bool, multiSelect);
        QFETCH(QString, intention);
        QFETCH(bool, complains);
        ScriptedMessages messages;
        QTEST(CheckFlags(flags, multiSelect, intention), "expected");
        QCOMPARE(messages.shown().size(), complains ? 1 : 0);
        if (complains) {
            const MessageRequest& shown = messages.shown().first();
            QCOMPARE(shown.text, QStringLiteral("Unbekannte Intention: ") + intention);
            QCOMPARE(shown.title, QStringLiteral("CheckFlags"));
            QCOMPARE(shown.icon, MsgIcon::Critical);
            QCOMPARE(shown.buttons, MsgButtons::Ok);
        }
    }

    void networkPathsAndFolders() {
        QVERIFY(IsNetworkPath(QStringLiteral("\\\\server\\share\\race.stn")));
        QVERIFY(IsNetworkPath(QStringLiteral("//server/share/race.stn")));
        QVERIFY(!IsNetworkPath(QStringLiteral("/data/race.stn")));
        QVERIFY(!IsNetworkPath(QStringLiteral("C:\\Data\\race.stn")));
        QCOMPARE(FolderPart(QStringLiteral("/data/races/race.stn")), QStringLiteral("/data/races/"));
        QCOMPARE(FolderPart(QStringLiteral("/race.stn")), QStringLiteral("/"));
        QCOMPARE(FolderPart(QStringLiteral("race.stn")), QString());
    }

    void countNames_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("one") << Z("a.stn|") << 1;
        QTest::newRow("two, closed") << Z("a.stn|b.stn||") << 2;
        QTest::newRow("two, padded") << Z("a.stn|b.stn|||||||") << 2;
        QTest::newRow("starts empty") << Z("|a.stn|") << 0;
        QTest::newRow("unterminated name") << Z("a.stn") << 0;
    }
    void countNames() {
        QFETCH(QString, list);
        QTEST(CountNames(list), "expected");
    }

    void splitResult_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QStringList>("paths"); // FileName first, then each GetNextFile
        QTest::addColumn<int>("count");
        QTest::newRow("one file") << Z("/data/a.stn||") << QStringList{"/data/a.stn"} << 1;
        QTest::newRow("padded buffer") << Z("/data|a.stn|b.stn|c.stn||||||||")
                                       << QStringList{Joined("/data", "a.stn"), Joined("/data", "b.stn"),
                                                      Joined("/data", "c.stn")}
                                       << 3;
        QTest::newRow("folder with separator")
            << Z("/data/|a.stn|b.stn||") << QStringList{Joined("/data", "a.stn"), Joined("/data", "b.stn")} << 2;
        QTest::newRow("root folder") << Z("/|a.stn|b.stn||") << QStringList{Joined("", "a.stn"), Joined("", "b.stn")}
                                     << 2;
    }
    void splitResult() {
        QFETCH(QString, raw);
        QFETCH(int, count);
        MultiSelection state;
        qint16 fileCount = 0;
        QStringList handedOut{SplitResult(raw, true, state, fileCount)};
        QCOMPARE(fileCount, count);
        for (int i = 1; i < count; ++i)
            handedOut << SplitResult(QString(), false, state, fileCount);
        QTEST(handedOut, "paths");
        // Past the last name nothing more comes, however often it is asked.
        QCOMPARE(SplitResult(QString(), false, state, fileCount), QString());
        QCOMPARE(SplitResult(QString(), false, state, fileCount), QString());
        QCOMPARE(fileCount, count);
    }

    void rawSelection_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("expected");
        QTest::newRow("cancel") << QStringList() << QString();
        QTest::newRow("one") << QStringList{"/data/a.stn"} << Z("/data/a.stn||");
        QTest::newRow("two") << QStringList{"/data/a.stn", "/data/b.stn"} << Z("/data|a.stn|b.stn||");
        QTest::newRow("in the root") << QStringList{"/a.stn", "/b.stn"} << Z("/|a.stn|b.stn||");
        QTest::newRow("two folders") << QStringList{"/data/x/a.stn", "/data/y/b.stn"} << Z("/data|x/a.stn|y/b.stn||");
        QTest::newRow("shared name prefix")
            << QStringList{"/data/race/a.stn", "/data/races/b.stn"} << Z("/data|race/a.stn|races/b.stn||");
    }
    void rawSelection() {
        QFETCH(QStringList, paths);
        QTEST(RawSelection(paths), "expected");
    }
};

QTEST_APPLESS_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
