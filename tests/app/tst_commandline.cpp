#include "HttpExchange.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// The real marklog binary run with its options, without a display: a command that tried to open a
// window would fail. Record and times files are read, never rewritten.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        WriteBytes(Path("race.stn"), "1;5\r\n2;7\r\n3;5\r\n4;432\r\n");
        WriteBytes(Path("race.stn.startlist.csv"), "bib;name;category\n5;\"Müller, Anna\";W40\n7;Bob\n8;\n");
        WriteBytes(Path("binary.stn"), QByteArray("A\0B\r\n1;5\r\nA\0B", 13));
        // The third line's bib differs from the record's: its time is dropped.
        WriteBytes(Path("race.stn.times"),
                   "1;5;2026-05-03T10:42:07.315+02:00\r\n2;7;\r\n3;9;2026-05-03T10:44:00.000+02:00\r\n");
        WriteBytes(Path("empty.stn"), "");
        QDir().mkdir(Path("folder.stn"));
        WriteBytes(Path("timed.stn"), "1;5\r\n");
        WriteBytes(Path("timed.stn.times"), "1;5;2026-05-03T10:42:07.315+02:00\r\n");
        WriteBytes(Path("untimed.stn"), "1;5\r\n");
        QDir().mkdir(Path("untimed.stn.times"));
        WriteBytes(Path("backup.stn"), "1;5\r\n2;5\r\n3;432\r\n4;9\r\n");
        WriteBytes(Path("list.csv"), "sep=;\r\nStartnr;Vorname;Name\r\n5;Anna;M\xFCller\r\n7;Bob;B\r\n");
        WriteBytes(Path("bad.csv"), "bib,name\n1,Anna\n" + QByteArray("x,y\n").repeated(50000));
    }

    void run_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");     // exact output, or "~text" for output containing text
        QTest::addColumn<QString>("err");     // text the error output contains
        QTest::addColumn<QString>("written"); // what out.csv holds afterwards
        const QString results = QStringLiteral("position,bib,time,name,category,lap\r\n"
                                               "1,5,2026-05-03T10:42:07.315+02:00,\"Müller, Anna\",W40,1\r\n"
                                               "2,7,,Bob,,1\r\n3,5,,\"Müller, Anna\",W40,2\r\n4,432,,,,1\r\n");
        const QString race = Path("race.stn"), badName = QStringLiteral("Line 4: no name");
        const auto row = [](const char* name, const QStringList& arguments, int status, const QString& out,
                            const QString& err = {}, const QString& written = {}) {
            QTest::newRow(name) << arguments << status << out << err << written;
        };
        row("help names the file argument", {"-h"}, 0, "~Usage: marklog [options] [record-file.stn]");
        row("version", {"--version"}, 0, "marklog 1.0.0\n");
        row("check good", {"--check", race}, 0,
            QStringLiteral("file: %1\nrecords: 4\nstart list: 2 names in race.stn.startlist.csv, lines not loaded: "
                           "1\npassage times: race.stn.times, lines dropped: 1\nopens: yes\n")
                .arg(race));
        row("check empty", {"--check", Path("empty.stn")}, 0,
            "~records: 0\nstart list: none\npassage times: missing\nopens: yes");
        row("check times in step", {"--check", Path("timed.stn")}, 0,
            "~passage times: timed.stn.times, in step\nopens: yes");
        row("check times unreadable", {"--check", Path("untimed.stn")}, 0,
            "~passage times: untimed.stn.times, unreadable\nopens: yes");
        row("check binary", {"--check", Path("binary.stn")}, 1,
            QStringLiteral("~refused: \"%1\": The file is not a Marklog record file").arg(Path("binary.stn")));
        row("check missing", {"--check", Path("missing.stn")}, 1, "~refused: the file does not exist");
        row("check folder", {"--check", Path("folder.stn")}, 1, "~refused: it is a folder");
        row("export to stdout", {"--export-passages", race}, 0, results, badName);
        row("export to a file", {"--export-passages", race, Path("out.csv")}, 0, {}, badName, results);
        row("export onto the record file", {"--export-passages", race, Path("./race.stn")}, 1, {},
            "is the record file");
        row("export onto the times file", {"--export-results", race, Path("race.stn.times")}, 1, {},
            "a file kept beside it");
        row("export missing", {"--export-results", Path("missing.stn")}, 1, {}, "the file does not exist");
        // One row per runner; passages without a time keep their order; --start and --laps in place of the stored.
        const QString head = QStringLiteral("place,bib,name,category,category_place,laps,elapsed,last_passage\r\n");
        row("results from a start", {"--export-results", race, "--start", "2026-05-03T10:40:00+02:00"}, 0,
            head + "1,5,\"Müller, Anna\",W40,1,1,0:02:07.315,10:42:07.315+02:00\r\n2,7,Bob,,,1,,\r\n3,432,,,,1,,\r\n");
        row("results of two laps", {"--export-results", race, Path("out.csv"), "--laps", "2"}, 0, {}, badName,
            head + "1,5,\"Müller, Anna\",W40,1,2,,\r\n2,7,Bob,,,1,,\r\n3,432,,,,1,,\r\n");
        row("laps not a number", {"--export-results", race, "--laps", "0"}, 2, {}, "--laps needs a whole number");
        row("start not a time", {"--export-results", race, "--start", "10"}, 2, {}, "--start needs an ISO 8601");
        row("start without the export", {"--check", race, "--start", "2026-05-03T10:00:00"}, 2, {},
            "go with --export-results");
        row("import a start list", {"--import-startlist", Path("list.csv"), Path("timed.stn")}, 0,
            QStringLiteral("file: %1\nencoding: Windows-1252, no byte order mark\ndelimiter: ; (sep= line)\n"
                           "header: line 2\ncolumns: bib 1 (Startnr), name 3 (Name), first name 2 (Vorname), "
                           "category none, club none\nnames: 2\nlines not loaded: 0\nlines loaded with a doubt: 0\n"
                           "kept in: %2.startlist.csv\n")
                .arg(Path("list.csv"), Path("timed.stn")));
        row("import 50,000 bad lines", {"--import-startlist", Path("bad.csv"), Path("timed.stn")}, 1,
            "~names: 1\nlines not loaded: 50000\n",
            "Line 202: no bib number (a whole number from 1 up)\nmarklog: " + Path("bad.csv") +
                ": ... and 49800 more lines\n");
        row("import into a missing record file", {"--import-startlist", Path("list.csv"), Path("missing.stn")}, 2, {},
            "the record file does not exist");
        row("import a missing list", {"--import-startlist", Path("missing.csv"), race}, 2, {},
            "the file does not exist");
        row("import without a record file", {"--import-startlist", Path("list.csv")}, 2, {}, "needs a file name");
        row("compare equal", {"--compare", race, Path("./race.stn")}, 0, {});
        row("compare with a backup", {"--compare", race, Path("backup.stn")}, 1, "2;;7;\n;4;;9\n");
        row("compare unreadable", {"--compare", race, Path("binary.stn")}, 2, {}, "binary.stn");
        row("extra argument", {"--check", race, Path("x")}, 2, {}, "Too many arguments for --check");
        row("two commands", {"--check", race, "--version"}, 2, {}, "one of the options");
        for (const char* port : {"http", "65536", "0"})
            row(port, {"--lap-board", port, race}, 2, {}, "port number from 1 to 65535");
    }

    void run() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QByteArray recordFile = FileBytes(Path("race.stn"));
        const QByteArray times = FileBytes(Path("race.stn.times"));
        QFile::remove(Path("out.csv"));

        QProcess program;
        Start(program, "xcb", arguments); // and no display: no window possible
        QVERIFY(program.waitForFinished(60000));
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTEST(program.exitCode(), "status");
        if (out.startsWith(QLatin1Char('~')))
            QVERIFY2(output.contains(out.mid(1)), qPrintable(output));
        else
            QCOMPARE(output, out);
        QVERIFY2(errors.contains(err), qPrintable(errors));
        QCOMPARE(FileBytes(Path("race.stn")), recordFile);
        QCOMPARE(FileBytes(Path("race.stn.times")), times);
        QTEST(QString::fromUtf8(FileBytes(Path("out.csv"))), "written");
    }

    // The results as a spreadsheet reads them: Python's CSV reader, told of no byte order mark,
    // finds it; names with separators, quotes and a line break come back whole, and a name that a
    // spreadsheet would run as a formula comes back with an apostrophe in front.
    void resultsReadByCsvReader() {
        WriteBytes(Path("names.stn"), "1;1\r\n2;2\r\n3;3\r\n4;4\r\n5;5\r\n6;6\r\n");
        WriteBytes(Path("names.stn.startlist.csv"),
                   "bib,name,category\n1,\"Ann \"\"A\"\", B\",W\n2,=SUM(A1),+M\n3,-3,@c\n4,\"\tTab\",\n5,Zoë\n"
                   "6,\"two\nlines\",M\n");
        QProcess program;
        Start(program, "xcb", {QStringLiteral("--export-results"), Path("names.stn"), Path("names.csv")});
        QVERIFY(program.waitForFinished(60000));
        QVERIFY(FileBytes(Path("names.csv")).startsWith("\xEF\xBB\xBFplace,"));
        QProcess python;
        python.start(QStringLiteral("python3"), {"-c",
                                                 "import csv,json,sys; print(json.dumps(list(csv.reader(open("
                                                 "sys.argv[1], encoding='utf-8-sig', newline='')))))",
                                                 Path("names.csv")});
        QVERIFY2(python.waitForFinished(60000), "python3 is missing: install the Debian package python3.");
        QList<QStringList> rows;
        for (const QJsonValue& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
            rows << row.toVariant().toStringList();
        QCOMPARE(rows, (QList<QStringList>{
                           {"place", "bib", "name", "category", "category_place", "laps", "elapsed", "last_passage"},
                           {"1", "1", "Ann \"A\", B", "W", "1", "1", "", ""},
                           {"2", "2", "'=SUM(A1)", "'+M", "1", "1", "", ""},
                           {"3", "3", "'-3", "'@c", "1", "1", "", ""},
                           {"4", "4", "'\tTab", "", "", "1", "", ""},
                           {"5", "5", "Zoë", "", "", "1", "", ""},
                           {"6", "6", "two\nlines", "M", "1", "1", "", ""}}));
    }

    // A kiosk script starts the window with the board on: the board answers with the file's standings,
    // and the stored board setting stays off.
    void lapBoardFromTheCommandLine() {
        quint16 port = 0;
        {
            QTcpServer probe; // a port free now
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        QProcess program;
        Start(program, "offscreen", {QStringLiteral("--lap-board"), QString::number(port), Path("race.stn")});
        QVERIFY(program.waitForStarted());
        HttpReply reply;
        QTRY_COMPARE_WITH_TIMEOUT((reply = HttpExchange(port, HttpGet("/api/standings.json"))).status, 200, 60000);
        QMap<int, int> laps;
        for (const QJsonValue& line : QJsonDocument::fromJson(reply.body)["standings"].toArray())
            laps[line["bib"].toInt()] = line["laps"].toInt();
        QCOMPARE(laps, (QMap<int, int>{{5, 2}, {7, 1}, {432, 1}}));
        QVERIFY(!FileBytes(Path("home/config/Trevanta/marklog.conf")).contains("LapBoard=1"));
        program.kill(); // on a failure above, the process object kills it
        QVERIFY(program.waitForFinished());
    }

private:
    // Runs the program in English with its settings in the temporary folder.
    void Start(QProcess& program, const char* platform, const QStringList& arguments) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        for (const QString& variable : QStringList{
                 "QT_QPA_PLATFORM=" + QLatin1String(platform), "LANGUAGE=en", "LC_ALL=C.UTF-8", "HOME=" + Path("home"),
                 "XDG_CONFIG_HOME=" + Path("home/config"), "XDG_DATA_HOME=" + Path("home/data")})
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MARKLOG_BINARY), arguments);
    }
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
