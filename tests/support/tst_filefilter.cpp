#include "support/FileFilter.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QTest>

namespace {

const QChar kNul(0);

// Text with "|" standing for a NUL, so the lists below read like the dialog's buffer.
QString Z(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char('|'), kNul);
}

// The joined path of a multi-selection on this platform.
QString Joined(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

} // namespace

class TestFileFilter : public QObject {
    Q_OBJECT

private slots:
    void buildFilter_data();
    void buildFilter();
    void customFilterValue_data();
    void customFilterValue();
    void nameFilters_data();
    void nameFilters();
    void checkFlags_data();
    void checkFlags();
    void networkPathsAndFolders();
    void countNames_data();
    void countNames();
    void splitResult_data();
    void splitResult();
    void rawSelection_data();
    void rawSelection();
};

void TestFileFilter::buildFilter_data() {
    QTest::addColumn<QStringList>("pairs"); // "index|text|pattern" per pair
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("storedCustom");

    QTest::newRow("nothing set") << QStringList() << QString() << Z("Alle Dateien|*.*||") << QString();
    QTest::newRow("one labelled pair") << QStringList{QStringLiteral("1|Marklog-Datei (*.stn)|*.stn")} << QString()
                                       << Z("Marklog-Datei (*.stn)|*.stn|||") << QString();
    QTest::newRow("pair with empty text skipped")
        << QStringList{QStringLiteral("1|Eins|*.1"), QStringLiteral("2||*.2"), QStringLiteral("3|Drei|*.3")}
        << QString() << Z("Eins|*.1|Drei|*.3|||") << QString();
    QTest::newRow("pair with empty pattern skipped")
        << QStringList{QStringLiteral("2|Zwei|"), QStringLiteral("12|Zwölf|*.12")} << QString() << Z("Zwölf|*.12|||")
        << QString();
    QTest::newRow("pairs keep their numbers' order")
        << QStringList{QStringLiteral("5|Fünf|*.5"), QStringLiteral("4|Vier|*.4")} << QString()
        << Z("Vier|*.4|Fünf|*.5|||") << QString();
    QTest::newRow("custom list in front") << QStringList{QStringLiteral("1|Eins|*.1")} << Z("Eigene|*.x||")
                                          << Z("Eigene|*.x|Eins|*.1|||") << Z("Eigene|*.x");
    QTest::newRow("custom list alone") << QStringList() << Z("Eigene|*.x|||") << Z("Eigene|*.x|||") << Z("Eigene|*.x");
}

void TestFileFilter::buildFilter() {
    QFETCH(QStringList, pairs);
    QFETCH(QString, custom);
    QFETCH(QString, expected);
    QFETCH(QString, storedCustom);
    FilterPairs filters;
    for (const QString& pair : pairs) {
        const QStringList parts = pair.split(QLatin1Char('|'));
        filters.texts[parts[0].toInt()] = parts[1];
        filters.suffixes[parts[0].toInt()] = parts[2];
    }
    filters.custom = custom;
    QCOMPARE(BuildFilter(filters), expected);
    QCOMPARE(filters.custom, storedCustom);
    QCOMPARE(BuildFilter(filters), expected); // building again gives the same list
}

void TestFileFilter::customFilterValue_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << Z("Eigene|*.x") << Z("Eigene|*.x||");
    QTest::newRow("one NUL") << Z("Eigene|*.x|") << Z("Eigene|*.x|||");
    QTest::newRow("two NULs kept") << Z("Eigene|*.x||") << Z("Eigene|*.x||");
    QTest::newRow("one character") << Z("|") << Z("|||");
    QTest::newRow("just two NULs") << Z("||") << Z("||");
}

void TestFileFilter::customFilterValue() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(CustomFilterValue(value), expected);
}

void TestFileFilter::nameFilters_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all files") << Z("Alle Dateien|*.*||") << QStringList{QStringLiteral("Alle Dateien (*.*)")};
    QTest::newRow("already labelled") << Z("Marklog-Datei (*.stn)|*.stn|||")
                                      << QStringList{QStringLiteral("Marklog-Datei (*.stn)")};
    QTest::newRow("several patterns") << Z("Texte|*.txt;*.csv|||")
                                      << QStringList{QStringLiteral("Texte (*.txt *.csv)")};
    QTest::newRow("several patterns labelled")
        << Z("Texte (*.txt;*.csv)|*.txt;*.csv|||") << QStringList{QStringLiteral("Texte (*.txt;*.csv)")};
    QTest::newRow("label of other patterns")
        << Z("Alt (*.old)|*.stn|||") << QStringList{QStringLiteral("Alt (*.old) (*.stn)")};
    QTest::newRow("two pairs") << Z("Eigene|*.x|Eins|*.1|||")
                               << QStringList{QStringLiteral("Eigene (*.x)"), QStringLiteral("Eins (*.1)")};
    QTest::newRow("ends at first empty member") << Z("A|*.a||B|*.b||") << QStringList{QStringLiteral("A (*.a)")};
    QTest::newRow("empty") << QString() << QStringList();
}

void TestFileFilter::nameFilters() {
    QFETCH(QString, list);
    QFETCH(QStringList, expected);
    QCOMPARE(NameFilters(list), expected);
}

void TestFileFilter::checkFlags_data() {
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("multiSelect");
    QTest::addColumn<QString>("intention");
    QTest::addColumn<quint32>("expected");
    QTest::addColumn<bool>("complains");
    const QString open = QStringLiteral("Open");
    const QString save = QStringLiteral("Save");
    QTest::newRow("open") << 0u << false << open << 0x1804u << false;
    QTest::newRow("open, multi-select") << 0u << true << open << 0x81A04u << false;
    QTest::newRow("save") << 0u << false << save << 0x806u << false;
    QTest::newRow("save, multi-select") << 0u << true << save << 0x806u << false;
    QTest::newRow("set, multi-select") << 0x1000u << true << open << 0x81200u << false;
    QTest::newRow("set, single") << 0x1000u << false << open << 0x1000u << false;
    QTest::newRow("set, save, multi-select") << 0x2u << true << save << 0x80202u << false;
    QTest::newRow("set, unknown intention") << 0x1000u << false << QStringLiteral("Print") << 0x1000u << false;
    QTest::newRow("unknown intention") << 0u << false << QStringLiteral("Print") << 0u << true;
    QTest::newRow("intention is case-sensitive") << 0u << true << QStringLiteral("open") << 0u << true;
}

void TestFileFilter::checkFlags() {
    QFETCH(quint32, flags);
    QFETCH(bool, multiSelect);
    QFETCH(QString, intention);
    QFETCH(quint32, expected);
    QFETCH(bool, complains);
    ScriptedMessages messages;
    QCOMPARE(CheckFlags(flags, multiSelect, intention), expected);
    QCOMPARE(messages.shown().size(), complains ? 1 : 0);
    if (complains) {
        const MessageRequest& shown = messages.shown().first();
        QCOMPARE(shown.text, QStringLiteral("Unbekannte Intention: ") + intention);
        QCOMPARE(shown.title, QStringLiteral("CheckFlags"));
        QCOMPARE(shown.icon, MsgIcon::Critical);
        QCOMPARE(shown.buttons, MsgButtons::Ok);
    }
}

void TestFileFilter::networkPathsAndFolders() {
    QVERIFY(IsNetworkPath(QStringLiteral("\\\\server\\share\\race.stn")));
    QVERIFY(IsNetworkPath(QStringLiteral("//server/share/race.stn")));
    QVERIFY(!IsNetworkPath(QStringLiteral("/data/race.stn")));
    QVERIFY(!IsNetworkPath(QStringLiteral("C:\\Data\\race.stn")));
    QVERIFY(!IsNetworkPath(QString()));
    QCOMPARE(FolderPart(QStringLiteral("/data/races/race.stn")), QStringLiteral("/data/races/"));
    QCOMPARE(FolderPart(QStringLiteral("/race.stn")), QStringLiteral("/"));
    QCOMPARE(FolderPart(QStringLiteral("race.stn")), QString());
}

void TestFileFilter::countNames_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("one") << Z("a.stn|") << 1;
    QTest::newRow("two, closed") << Z("a.stn|b.stn||") << 2;
    QTest::newRow("two, padded") << Z("a.stn|b.stn|||||||") << 2;
    QTest::newRow("starts empty") << Z("|a.stn|") << 0;
    QTest::newRow("unterminated name") << Z("a.stn") << 0;
}

void TestFileFilter::countNames() {
    QFETCH(QString, list);
    QFETCH(int, expected);
    QCOMPARE(CountNames(list), expected);
}

void TestFileFilter::splitResult_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QStringList>("paths"); // FileName first, then each GetNextFile
    QTest::addColumn<int>("count");
    QTest::newRow("one file") << Z("/data/a.stn||") << QStringList{QStringLiteral("/data/a.stn")} << 1;
    QTest::newRow("two files") << Z("/data|a.stn|b.stn||")
                               << QStringList{Joined("/data", "a.stn"), Joined("/data", "b.stn")} << 2;
    QTest::newRow("padded buffer") << Z("/data|a.stn|b.stn|c.stn||||||||")
                                   << QStringList{Joined("/data", "a.stn"), Joined("/data", "b.stn"),
                                                  Joined("/data", "c.stn")}
                                   << 3;
    QTest::newRow("folder with separator")
        << Z("/data/|a.stn|b.stn||") << QStringList{Joined("/data", "a.stn"), Joined("/data", "b.stn")} << 2;
    QTest::newRow("root folder") << Z("/|a.stn|b.stn||") << QStringList{Joined("", "a.stn"), Joined("", "b.stn")} << 2;
}

void TestFileFilter::splitResult() {
    QFETCH(QString, raw);
    QFETCH(QStringList, paths);
    QFETCH(int, count);
    MultiSelection state;
    qint16 fileCount = 0;
    QStringList handedOut{SplitResult(raw, true, state, fileCount)};
    QCOMPARE(fileCount, count);
    for (int i = 1; i < count; ++i)
        handedOut << SplitResult(QString(), false, state, fileCount);
    QCOMPARE(handedOut, paths);
    // Past the last name nothing more comes, however often it is asked.
    QCOMPARE(SplitResult(QString(), false, state, fileCount), QString());
    QCOMPARE(SplitResult(QString(), false, state, fileCount), QString());
    QCOMPARE(fileCount, count);
}

void TestFileFilter::rawSelection_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cancel") << QStringList() << QString();
    QTest::newRow("one") << QStringList{QStringLiteral("/data/a.stn")} << Z("/data/a.stn||");
    QTest::newRow("two") << QStringList{QStringLiteral("/data/a.stn"), QStringLiteral("/data/b.stn")}
                         << Z("/data|a.stn|b.stn||");
    QTest::newRow("in the root") << QStringList{QStringLiteral("/a.stn"), QStringLiteral("/b.stn")}
                                 << Z("/|a.stn|b.stn||");
    QTest::newRow("two folders") << QStringList{QStringLiteral("/data/x/a.stn"), QStringLiteral("/data/y/b.stn")}
                                 << Z("/data|x/a.stn|y/b.stn||");
    QTest::newRow("shared name prefix") << QStringList{QStringLiteral("/data/race/a.stn"),
                                                       QStringLiteral("/data/races/b.stn")}
                                        << Z("/data|race/a.stn|races/b.stn||");
}

void TestFileFilter::rawSelection() {
    QFETCH(QStringList, paths);
    QFETCH(QString, expected);
    QCOMPARE(RawSelection(paths), expected);
}

QTEST_APPLESS_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
