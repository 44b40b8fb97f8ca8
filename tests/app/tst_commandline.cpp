#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real marklog binary run with its options: outputs and exit statuses. Every run has no
// display, so a command that tried to open a window would fail.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        WriteBytes(Path("race.stn"), "1;5\r\n2;7\r\n3;5\r\n4;432\r\n");
        WriteBytes(Path("race.stn.startlist.csv"), "bib;name;category\n5;\"Müller, Anna\";W40\n7;Bob\n8;\n");
        WriteBytes(Path("binary.stn"), QByteArray("1;5\r\nA\0B", 8));
        // The third line's bib differs from the record's: its time is dropped.
        WriteBytes(Path("race.stn.times"),
                   "1;5;2026-05-03T10:42:07.315+02:00\r\n2;7;\r\n3;9;2026-05-03T10:44:00.000+02:00\r\n");
        WriteBytes(Path("empty.stn"), "");
        QDir().mkdir(Path("folder.stn"));
        WriteBytes(Path("timed.stn"), "1;5\r\n");
        WriteBytes(Path("timed.stn.times"), "1;5;2026-05-03T10:42:07.315+02:00\r\n");
        WriteBytes(Path("untimed.stn"), "1;5\r\n");
        QDir().mkdir(Path("untimed.stn.times"));
    }

    void run_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");     // exact output, or "~text" for output containing text
        QTest::addColumn<QString>("err");     // text the error output contains
        QTest::addColumn<QString>("written"); // what out.csv holds afterwards
        const QString results = QStringLiteral("position,bib,time,name,category,lap\r\n"
                                               "1,5,2026-05-03T10:42:07.315+02:00,\"Müller, Anna\",W40,1\r\n"
                                               "2,7,,Bob,,1\r\n"
                                               "3,5,,\"Müller, Anna\",W40,2\r\n"
                                               "4,432,,,,1\r\n");
        const QString badName = QStringLiteral("Line 4: no name");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QStringLiteral("~--export-results <FILE.stn>")
                              << QString() << QString();
        QTest::newRow("help names the file argument")
            << QStringList{"-h"} << 0 << QStringLiteral("~Usage: marklog [options] [record-file.stn]") << QString()
            << QString();
        QTest::newRow("version") << QStringList{"--version"} << 0 << QStringLiteral("marklog 1.0.0\n") << QString()
                                 << QString();
        QTest::newRow("check good") << QStringList{"--check", Path("race.stn")} << 0
                                    << QStringLiteral("file: %1\nrecords: 4\nstart list: 2 names in "
                                                      "race.stn.startlist.csv, lines not loaded: 1\npassage times: "
                                                      "race.stn.times, lines dropped: 1\nopens: yes\n")
                                           .arg(Path("race.stn"))
                                    << QString() << QString();
        QTest::newRow("check empty") << QStringList{"--check", Path("empty.stn")} << 0
                                     << QStringLiteral(
                                            "~records: 0\nstart list: none\npassage times: missing\nopens: yes")
                                     << QString() << QString();
        QTest::newRow("check times in step")
            << QStringList{"--check", Path("timed.stn")} << 0
            << QStringLiteral("~passage times: timed.stn.times, in step\nopens: yes") << QString() << QString();
        QTest::newRow("check times unreadable")
            << QStringList{"--check", Path("untimed.stn")} << 0
            << QStringLiteral("~passage times: untimed.stn.times, unreadable\nopens: yes") << QString() << QString();
        QTest::newRow("check binary")
            << QStringList{"--check", Path("binary.stn")} << 1
            << QStringLiteral("~refused: \"%1\": The file is not a Marklog record file").arg(Path("binary.stn"))
            << QString() << QString();
        QTest::newRow("check missing") << QStringList{"--check", Path("missing.stn")} << 1
                                       << QStringLiteral("~refused: the file does not exist") << QString() << QString();
        QTest::newRow("check folder") << QStringList{"--check", Path("folder.stn")} << 1
                                      << QStringLiteral("~refused: it is a folder") << QString() << QString();
        QTest::newRow("export to stdout")
            << QStringList{"--export-results", Path("race.stn")} << 0 << results << badName << QString();
        QTest::newRow("export to a file") << QStringList{"--export-results", Path("race.stn"), Path("out.csv")} << 0
                                          << QString() << badName << results;
        QTest::newRow("export onto the record file")
            << QStringList{"--export-results", Path("race.stn"), Path("./race.stn")} << 1 << QString()
            << QStringLiteral("is the record file") << QString();
        QTest::newRow("export onto the times file")
            << QStringList{"--export-results", Path("race.stn"), Path("race.stn.times")} << 1 << QString()
            << QStringLiteral("a file kept beside it") << QString();
        QTest::newRow("export missing") << QStringList{"--export-results", Path("missing.stn")} << 1 << QString()
                                        << QStringLiteral("the file does not exist") << QString();
        QTest::newRow("unknown option") << QStringList{"--bogus", Path("race.stn")} << 2 << QString()
                                        << QStringLiteral("Unknown option 'bogus'") << QString();
        QTest::newRow("value missing") << QStringList{"--check"} << 2 << QString()
                                       << QStringLiteral("Missing value after '--check'") << QString();
        QTest::newRow("extra argument") << QStringList{"--check", Path("race.stn"), Path("x")} << 2 << QString()
                                        << QStringLiteral("Too many arguments for --check") << QString();
        QTest::newRow("two commands") << QStringList{"--check", Path("race.stn"), "--version"} << 2 << QString()
                                      << QStringLiteral("one of the options") << QString();
    }

    void run() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, written);
        const QByteArray recordFile = FileBytes(Path("race.stn"));
        const QByteArray times = FileBytes(Path("race.stn.times"));
        QFile::remove(Path("out.csv"));

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")); // and no display:
        environment.remove(QStringLiteral("DISPLAY"));                                // no window possible
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MARKLOG_BINARY), arguments);
        QVERIFY(program.waitForFinished(60000));
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == status, qPrintable(errors + output));
        if (out.startsWith(QLatin1Char('~')))
            QVERIFY2(output.contains(out.mid(1)), qPrintable(output));
        else
            QCOMPARE(output, out);
        QVERIFY2(errors.contains(err), qPrintable(errors));
        QCOMPARE(FileBytes(Path("race.stn")), recordFile);
        QCOMPARE(FileBytes(Path("race.stn.times")), times); // read, never rewritten
        QCOMPARE(QString::fromUtf8(FileBytes(Path("out.csv"))), written);
    }

private:
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
