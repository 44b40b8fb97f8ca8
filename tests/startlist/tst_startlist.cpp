#include "records/TimesSidecar.h"
#include "startlist/CsvText.h"
#include "startlist/PassagesCsv.h"
#include "startlist/StartList.h"
#include "startlist/StartListFile.h"

#include "TestEnvironment.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {
// Entries as "bib=name/category" joined by "|", problems as "line:kind" joined by blanks.
QString EntriesText(const StartList& list) {
    QStringList parts;
    for (const StartListEntry& entry : list.Entries())
        parts << QStringLiteral("%1=%2/%3").arg(entry.bib).arg(entry.name, entry.category);
    return parts.join(QLatin1Char('|'));
}

QString ProblemsText(const QVector<StartListProblem>& problems) {
    static const char* const kinds[] = {"nobib", "noname", "duplicate", "unclosed", "afterquote", "notutf8"};
    QStringList parts;
    for (const StartListProblem& problem : problems) {
        QString part = QStringLiteral("%1:%2").arg(problem.line).arg(QLatin1String(kinds[int(problem.kind)]));
        if (problem.kind == StartListProblem::Kind::DuplicateBib)
            part += QStringLiteral("(%1@%2)").arg(problem.bib).arg(problem.firstLine);
        if (problem.kind == StartListProblem::Kind::UnclosedQuote)
            part += QStringLiteral("(to %1)").arg(problem.lastLine);
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

// Start lists as spreadsheets and registration tools write them, read from real files beside a
// record file, with their bad lines named by line number; and the passages CSV built from them.
class TestStartList : public QObject {
    Q_OBJECT

private slots:
    void dialects_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("problems");
        const auto row = [](const char* name, const QByteArray& bytes, const QString& entries,
                            const char* problems = "") {
            QTest::newRow(name) << bytes << entries << QString(problems);
        };
        const QString anna = QStringLiteral("5=Müller, Anna/W40|7=Bob/");
        row("comma, no header, CR LF", "5,\"M\xC3\xBCller, Anna\",W40\r\n7,Bob\r\n", anna);
        row("semicolon, German header, LF, unquoted comma in a name",
            "Startnr;Name;AK\n5;M\xC3\xBCller, Anna;W40\n7;Bob;\n", anna);
        row("tab, header in another order, CR only", "AK\tName\tBib\rW40\tM\xC3\xBCller, Anna\t5\r\tBob\t7\r", anna);
        row("UTF-8 byte order mark, no header, blank lines, blanks around fields",
            "\xEF\xBB\xBF 5 , M\xC3\xBCller Anna ,W40\r\n\r\n   \r\n7,Bob\r\n",
            QStringLiteral("5=Müller Anna/W40|7=Bob/"));
        row("quotes: doubled quote, line end inside, further columns ignored",
            "bib,name,category,club\n5,\"Anna \"\"Ace\"\"\nM\xC3\xBCller\",W40,TV\n7,Bob,,\nx,y\n",
            QStringLiteral("5=Anna \"Ace\"\nMüller/W40|7=Bob/"), "5:nobib");
        row("Latin-1 from an older spreadsheet", "5;M\xFCller, Anna;W40\n7;Bob\n", anna);
        QStringEncoder toUtf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        row("UTF-16 with byte order mark, tab (spreadsheet \"Unicode text\")",
            toUtf16.encode(QStringLiteral("bib\tname\r\n5\tMüller, Anna\r\n")), QStringLiteral("5=Müller, Anna/"));
        row("bad lines listed, good lines loaded",
            "Nr;Name\n5;Anna\nabc;No bib\n0;Zero\n-7;Negative\n2147483648;Big\n8;\n9\n5;Anna again\n10;\"Ten\"x\n"
            "2147483647;Max\n11;\"Open\nquote;\n",
            QStringLiteral("5=Anna/|2147483647=Max/"),
            "3:nobib 4:nobib 5:nobib 6:nobib 7:noname 8:noname 9:duplicate(5@2) 10:afterquote 12:unclosed(to 13) "
            "13:nobib");
        row("header only", "bib;name;category\r\n", QString());
        // Files as spreadsheets and registration tools write them.
        row("Windows-1252: typographic quotes, dashes, letters and the euro sign",
            "5;\x93M\xFCller\x94 \x96 O\x92Neil \x8C\x8A\x8E \x80;W40\n",
            QStringLiteral("5=\u201CM\u00FCller\u201D \u2013 O\u2019Neil \u0152\u0160\u017D \u20AC/W40"));
        row("UTF-8 with one byte of an older editor", "bib,name\n5,M\xC3\xBCller\n7,Jos\xE9\n8,Zo\xC3\xAB\n",
            QStringLiteral("5=Müller/|7=José/|8=Zoë/"), "3:notutf8");
        QStringEncoder toUtf16BE(QStringConverter::Utf16BE);
        row("UTF-16 without byte order mark", toUtf16BE.encode(QStringLiteral("bib\tname\r\n5\tMüller, Anna\r\n")),
            QStringLiteral("5=Müller, Anna/"));
        row("the delimiter named by a first line sep=", "sep=;\r\nNr;Name\r\n5;Anna, B\r\n",
            QStringLiteral("5=Anna, B/"));
        row("an empty first row", ",,\r\nNr;Name;AK\r\n5;Anna;W40\r\n7;Bob;\r\n", QStringLiteral("5=Anna/W40|7=Bob/"));
        row("blank lines of spaces and tabs before the header", " \t \n\t\nStartnr;Name\n5;Anna\n",
            QStringLiteral("5=Anna/"));
        row("club and further columns around the bib", "Pos,Name,Club,Bib,Gender\n1,Anna,TV,5,F\n",
            QStringLiteral("5=Anna/"));
        row("first and last name", "Bib,First Name,Last Name,Category\n5,Anna,M\xC3\xBCller,W40\n",
            QStringLiteral("5=Anna Müller/W40"));
        row("German: Name beside Vorname is the family name", "NR;Name;Vorname;Klasse\n5;M\xC3\xBCller;Anna;W40\n",
            QStringLiteral("5=Anna Müller/W40"));
        row("no header, the first bib is bad", "x5,Anna\n7,Bob\n", QStringLiteral("7=Bob/"), "1:nobib");
        QByteArray thousand;
        QStringList entries;
        for (int bib = 1; bib <= 1000; ++bib) {
            thousand += bib == 4 ? QByteArray("4,\"Open\r\n")
                                 : QByteArray::number(bib) + ",Runner " + QByteArray::number(bib) + "\r\n";
            if (bib != 4)
                entries << QStringLiteral("%1=Runner %1/").arg(bib);
        }
        row("a quote on line 4 of 1,000 that is never closed", thousand, entries.join(QLatin1Char('|')),
            "4:unclosed(to 1000)");
    }

    // What was loaded is written back beside the record file and reads back the same; removed, it
    // leaves no list. An empty list knows no bib as unknown.
    void dialects() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entries);
        QTemporaryDir dir;
        const QString recordFile = dir.filePath(QStringLiteral("race.stn"));
        WriteBytes(StartListPath(recordFile), bytes);
        const StartListRead read = ReadStartListFor(recordFile);
        QCOMPARE(EntriesText(read.list), entries);
        QTEST(ProblemsText(read.problems), "problems");
        SaveStartListFor(recordFile, read.list);
        const StartListRead again = ReadStartListFor(recordFile);
        QCOMPARE(EntriesText(again.list), entries);
        QVERIFY(again.problems.isEmpty());
        QCOMPARE(again.list.IsUnknown(4321), !entries.isEmpty());
        RemoveStartListFor(recordFile);
        RemoveStartListFor(recordFile); // nothing left to remove is no failure
        QVERIFY(ReadStartListFor(recordFile).list.IsEmpty());
    }

    // One line per passage with its lap for its bib, names that need quoting intact, times with
    // milliseconds and UTC offset; read back with the CSV reader.
    void resultsReadBack() {
        StartList names;
        names.Add({5, QStringLiteral("Müller, \"Ace\" Anna"), QStringLiteral("W40")});
        names.Add({7, QStringLiteral("Two\nLines"), QString()});
        const QDateTime first(QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200));
        const QDateTime local = QDateTime(QDate(2026, 5, 3), QTime(10, 43, 0, 5), Qt::LocalTime);
        const QByteArray csv = BuildPassagesCsv(
            {5, 7, 5, 0, 432, 5},
            [&](qint32 index) {
                return TimesSidecar::FormatTime(index == 0 ? first : index == 2 ? local : QDateTime());
            },
            names);
        QVERIFY(csv.endsWith("\r\n"));
        QList<QStringList> rows;
        for (const CsvRecord& record : ParseCsv(QString::fromUtf8(csv), QLatin1Char(',')))
            rows << record.fields;
        // A local time is written with its offset in the form "+00:00", never "Z".
        const int offset = local.offsetFromUtc();
        const QString localText = local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
                                  (offset < 0 ? u'-' : u'+') +
                                  QTime(0, 0).addSecs(qAbs(offset)).toString(QStringLiteral("HH:mm"));
        const QList<QStringList> expected = {
            {"position", "bib", "time", "name", "category", "lap"},
            {"1", "5", "2026-05-03T10:42:07.315+02:00", "Müller, \"Ace\" Anna", "W40", "1"},
            {"2", "7", "", "Two\nLines", "", "1"},
            {"3", "5", localText, "Müller, \"Ace\" Anna", "W40", "2"},
            {"4", "0", "", "", "", ""},
            {"5", "432", "", "", "", "1"},
            {"6", "5", "", "Müller, \"Ace\" Anna", "W40", "3"},
        };
        QCOMPARE(rows, expected);
    }
};

QTEST_GUILESS_MAIN(TestStartList)
#include "tst_startlist.moc"
