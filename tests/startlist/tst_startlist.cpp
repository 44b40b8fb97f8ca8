#include "startlist/StartList.h"
#include "startlist/StartListFile.h"

#include "TestEnvironment.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Entries as "bib=name/category" joined by "|", problems as "line:kind" joined by blanks.
QString EntriesText(const StartList& list) {
    QStringList parts;
    for (const StartListEntry& entry : list.Entries())
        parts << QStringLiteral("%1=%2/%3").arg(entry.bib).arg(entry.name, entry.category);
    return parts.join(QLatin1Char('|'));
}

QString ProblemsText(const QVector<StartListProblem>& problems) {
    static const char* const kinds[] = {"nobib", "noname", "duplicate", "unclosed", "afterquote"};
    QStringList parts;
    for (const StartListProblem& problem : problems) {
        QString part = QStringLiteral("%1:%2").arg(problem.line).arg(QLatin1String(kinds[int(problem.kind)]));
        if (problem.kind == StartListProblem::Kind::DuplicateBib)
            part += QStringLiteral("(%1@%2)").arg(problem.bib).arg(problem.firstLine);
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}
} // namespace

// Start lists as spreadsheets and registration tools write them, read from real files beside a
// record file, with their bad lines named by line number.
class TestStartList : public QObject {
    Q_OBJECT

private slots:
    void dialects_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("problems");
        const QString anna = QStringLiteral("5=Müller, Anna/W40|7=Bob/");
        QTest::newRow("comma, no header, CR LF")
            << QByteArray("5,\"M\xC3\xBCller, Anna\",W40\r\n7,Bob\r\n") << anna << QString();
        QTest::newRow("semicolon, German header, LF, unquoted comma in a name")
            << QByteArray("Startnr;Name;AK\n5;M\xC3\xBCller, Anna;W40\n7;Bob;\n") << anna << QString();
        QTest::newRow("tab, header in another order, CR only")
            << QByteArray("AK\tName\tBib\rW40\tM\xC3\xBCller, Anna\t5\r\tBob\t7\r") << anna << QString();
        QTest::newRow("UTF-8 byte order mark, blank lines, blanks around fields")
            << QByteArray("\xEF\xBB\xBF"
                          "bib,name,category\r\n\r\n 5 , M\xC3\xBCller Anna ,W40\r\n   \r\n7,Bob\r\n")
            << QStringLiteral("5=Müller Anna/W40|7=Bob/") << QString();
        QTest::newRow("quotes: doubled quote, line end inside, further columns ignored")
            << QByteArray("bib,name,category,club\n5,\"Anna \"\"Ace\"\"\nM\xC3\xBCller\",W40,TV\n7,Bob,,\nx,y\n")
            << QStringLiteral("5=Anna \"Ace\"\nMüller/W40|7=Bob/") << QStringLiteral("5:nobib");
        QTest::newRow("Latin-1 from an older spreadsheet")
            << QByteArray("5;M\xFCller, Anna;W40\n7;Bob\n") << anna << QString();
        QString utf16Text = QStringLiteral("bib\tname\r\n5\tMüller, Anna\r\n");
        QStringEncoder toUtf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QTest::newRow("UTF-16 with byte order mark, tab (spreadsheet \"Unicode text\")")
            << QByteArray(toUtf16.encode(utf16Text)) << QStringLiteral("5=Müller, Anna/") << QString();
        QTest::newRow("bad lines listed, good lines loaded")
            << QByteArray("Nr;Name\n"
                          "5;Anna\n"
                          "abc;No bib\n"     // 3
                          "0;Zero\n"         // 4
                          "-7;Negative\n"    // 5
                          "2147483648;Big\n" // 6
                          "8;\n"             // 7
                          "9\n"              // 8
                          "5;Anna again\n"   // 9
                          "10;\"Ten\"x\n"    // 10
                          "2147483647;Max\n" // 11
                          "11;\"Open\nquote;\n")
            << QStringLiteral("5=Anna/|2147483647=Max/")
            << QStringLiteral("3:nobib 4:nobib 5:nobib 6:nobib 7:noname 8:noname 9:duplicate(5@2) 10:afterquote "
                              "12:unclosed");
        QTest::newRow("header only") << QByteArray("bib;name;category\r\n") << QString() << QString();
    }

    // Each dialect read from a real start list file beside a record file; what was loaded is
    // written back beside it and reads back the same.
    void dialects() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entries);
        QFETCH(QString, problems);
        QTemporaryDir dir;
        const QString recordFile = dir.filePath(QStringLiteral("race.stn"));
        WriteBytes(StartListPath(recordFile), bytes);
        const StartListRead read = ReadStartListFor(recordFile);
        QCOMPARE(EntriesText(read.list), entries);
        QCOMPARE(ProblemsText(read.problems), problems);

        SaveStartListFor(recordFile, read.list);
        const StartListRead again = ReadStartListFor(recordFile);
        QCOMPARE(EntriesText(again.list), entries);
        QVERIFY(again.problems.isEmpty());
    }

    void lookupAndRemoval() {
        QTemporaryDir dir;
        const QString recordFile = dir.filePath(QStringLiteral("race.stn"));
        QVERIFY(ReadStartListFor(recordFile).list.IsEmpty()); // none kept yet
        StartList list;
        QVERIFY(!list.IsUnknown(432)); // without a list no bib is flagged
        QVERIFY(list.Add({5, QStringLiteral("Anna"), QStringLiteral("W40")}));
        QVERIFY(!list.Add({5, QStringLiteral("Other"), QString()}));
        QCOMPARE(list.Name(5), QStringLiteral("Anna"));
        QVERIFY(list.IsUnknown(432));
        QVERIFY(!list.IsUnknown(5));
        SaveStartListFor(recordFile, list);
        RemoveStartListFor(recordFile);
        QVERIFY(!QFile::exists(StartListPath(recordFile)));
        RemoveStartListFor(recordFile); // nothing to remove is no failure
    }
};

QTEST_GUILESS_MAIN(TestStartList)
#include "tst_startlist.moc"
