#include "TestEnvironment.h"

#include "app/ErrorHandler.h"
#include "app/LogWriter.h"
#include "app/Registry.h"
#include "app/Settings.h"

#include <QFileInfo>
#include <QtTest>

#include <QRegularExpression>

#include <limits>
#include <memory>

namespace {

QString Blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

const QDateTime kMoment(QDate(2021, 5, 2), QTime(14, 5, 9, 250));

// A line of exactly `length` bytes, CR LF included.
QByteArray FixtureLine(qsizetype length, char fill) {
    return QByteArray(length - 2, fill) + "\r\n";
}

void StoreLogfileSize(const QVariant& value, qint32 type) {
    SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("LogfileSize"), value, type);
}

} // namespace

class TestErrorLog : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_clock = std::make_unique<FixedClock>(kMoment);
    }
    void cleanup() {
        m_clock.reset();
        m_messages.reset();
        m_env.reset();
    }

    void formatErrorEntry_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QString>("expected");

        QTest::newRow("short fields fill to their columns")
            << "1.0.12" << 53 << "Marklog"
            << "File not found"
            << ""
            << "1.0.12" + Blanks(29) + "Marklog" + Blanks(18) + "53" + Blanks(8) + "File not found";
        QTest::newRow("30-char source pushes the number to column 65")
            << "1.0.12" << -5 << QString(30, 'S') << "Bad"
            << ""
            << "1.0.12" + Blanks(29) + QString(30, 'S') + "-5" + Blanks(3) + "Bad";
        QTest::newRow("source ending exactly at column 60")
            << "1.0.0" << 7 << QString(25, 'S') << "d"
            << ""
            << "1.0.0" + Blanks(30) + QString(25, 'S') + "7" + Blanks(9) + "d";
        QTest::newRow("long version pushes the source")
            << QString(40, 'v') << 1 << "src"
            << "d"
            << "" << QString(40, 'v') + "src" + Blanks(17) + "1" + Blanks(9) + "d";
        QTest::newRow("11-digit number pushes the description")
            << "1.0.0" << std::numeric_limits<qint32>::min() << "Marklog"
            << "Overflow"
            << ""
            << "1.0.0" + Blanks(30) + "Marklog" + Blanks(18) + "-2147483648" + "Overflow";
        QTest::newRow("empty source and description") << "1.0.0" << 9 << ""
                                                      << ""
                                                      << ""
                                                      << "1.0.0" + Blanks(55) + "9" + Blanks(9);
        QTest::newRow("procedure name in parentheses")
            << "1.0.0" << 57 << "Marklog"
            << "Device I/O error"
            << "frmPort_GetPort"
            << "1.0.0" + Blanks(30) + "Marklog" + Blanks(18) + "57" + Blanks(8) + "Device I/O error (frmPort_GetPort)";
    }
    void formatErrorEntry() {
        QFETCH(QString, version);
        QFETCH(qint32, number);
        QFETCH(QString, source);
        QFETCH(QString, description);
        QFETCH(QString, procedure);
        QFETCH(QString, expected);
        QCOMPARE(FormatErrorEntry(version, ErrorInfo{number, source, description}, procedure), expected);
    }

    void reportErrorLogsAndShows() {
        const ErrorInfo error{57, QStringLiteral("Marklog"), QStringLiteral("Gerät <COM1> nicht bereit")};
        ReportError(error, QStringLiteral("frmPort_GetPort"));
        ReportError(error);

        const QString entry = FormatErrorEntry(VersionText(), error, QString());
        const QByteArray expected = (FormatLogLine(kMoment, "ERROR: " + entry + " (frmPort_GetPort)") +
                                     FormatLogLine(kMoment, "ERROR: " + entry))
                                        .toLocal8Bit();
        QCOMPARE(FileBytes(m_env->logFile()), expected);
        QVERIFY(VersionText().contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))));

        // The same error repeated is shown every time, with the description alone.
        QCOMPARE(m_messages->shown().size(), 2);
        for (const MessageRequest& shown : m_messages->shown()) {
            QCOMPARE(shown.text, error.description);
            QCOMPARE(shown.title, QStringLiteral("Marklog"));
            QCOMPARE(shown.icon, MsgIcon::None);
            QCOMPARE(shown.buttons, MsgButtons::Ok);
        }
    }

    void errorNumberZeroIsIgnored() {
        ReportError(ErrorInfo{0, QStringLiteral("Marklog"), QStringLiteral("nothing")}, QStringLiteral("proc"));
        QVERIFY(m_messages->shown().isEmpty());
        QVERIFY(!QFileInfo::exists(m_env->logFile()));
    }

    void unwritableLogStillShowsMessage() {
        // A path below a plain file can be created by nobody, root included.
        const QString blocker = m_env->path() + QStringLiteral("/blocker");
        WriteBytes(blocker, "x");
        SetLogFilePath(blocker + QStringLiteral("/marklog.log"));
        QVERIFY_THROWS_NO_EXCEPTION(ReportError(ErrorInfo{75, QStringLiteral("Marklog"), QStringLiteral("Path")}));
        QCOMPARE(m_messages->lastText(), QStringLiteral("Path"));
        QCOMPARE(FileBytes(blocker), QByteArray("x"));
    }

    void logLineLayout() {
        const QString line = FormatLogLine(kMoment, QStringLiteral("ERROR: x"));
        QVERIFY2(line.endsWith(QStringLiteral(" 14:05:09,25 - ERROR: x\r\n")), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("2021")), qPrintable(line)); // four-digit year
        QCOMPARE(line.count(QStringLiteral("\r\n")), 1);
    }

    void hundredths_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("expected");
        QTest::newRow(".996 rounds up to the next second") << QTime(14, 5, 9, 996) << "00";
        QTest::newRow(".994") << QTime(14, 5, 9, 994) << "99";
        QTest::newRow(".005 half to even, down") << QTime(14, 5, 9, 5) << "00";
        QTest::newRow(".015 half to even, up") << QTime(14, 5, 9, 15) << "02";
        QTest::newRow(".025 half to even, down") << QTime(14, 5, 9, 25) << "02";
        QTest::newRow(".135 half to even, up") << QTime(14, 5, 9, 135) << "14";
        QTest::newRow(".006") << QTime(14, 5, 9, 6) << "01";
        QTest::newRow(".000") << QTime(14, 5, 9, 0) << "00";
        QTest::newRow("midnight") << QTime(0, 0, 0, 0) << "00";
        QTest::newRow("last moment of the day") << QTime(23, 59, 59, 996) << "00";
    }
    void hundredths() {
        QFETCH(QTime, time);
        QFETCH(QString, expected);
        const QString line = FormatLogLine(QDateTime(QDate(2021, 5, 2), time), QStringLiteral("t"));
        // The shown time stays the second the moment lies in; only the hundredths round.
        const QString shownTime = time.toString(QStringLiteral("HH:mm:ss"));
        QVERIFY2(line.endsWith(" " + shownTime + "," + expected + " - t\r\n"), qPrintable(line));
    }

    void logfileSize_data() {
        QTest::addColumn<QVariant>("stored"); // invalid: value not written
        QTest::addColumn<qint32>("type");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("missing") << QVariant() << 0 << 1000000;
        QTest::newRow("empty") << QVariant(QString()) << RegistryType::String << 1000000;
        QTest::newRow("no number") << QVariant("abc") << RegistryType::String << 1000000;
        QTest::newRow("9999") << QVariant("9999") << RegistryType::String << 1000000;
        QTest::newRow("negative") << QVariant("-20000") << RegistryType::String << 1000000;
        QTest::newRow("10000") << QVariant("10000") << RegistryType::String << 10000;
        QTest::newRow("leading number") << QVariant("12345xyz") << RegistryType::String << 12345;
        QTest::newRow("fraction rounds") << QVariant("20000.7") << RegistryType::String << 20001;
        QTest::newRow("too large for 32 bits") << QVariant("99999999999") << RegistryType::String << 1000000;
        QTest::newRow("DWORD") << QVariant(20000) << RegistryType::DWord << 20000;
        QTest::newRow("DWORD below the minimum") << QVariant(9999) << RegistryType::DWord << 1000000;
    }
    void logfileSize() {
        QFETCH(QVariant, stored);
        QFETCH(qint32, type);
        QFETCH(qint32, expected);
        if (stored.isValid())
            QCOMPARE(SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), "LogfileSize", stored, type), 0);
        QCOMPARE(LogSizeLimit(), expected);
    }

    void sizeLimitIsReadOnce() {
        StoreLogfileSize("20000", RegistryType::String);
        QCOMPARE(LogSizeLimit(), 20000);
        StoreLogfileSize("30000", RegistryType::String);
        QCOMPARE(LogSizeLimit(), 20000);
        WriteLog(QStringLiteral("entry"));
        QCOMPARE(LogSizeLimit(), 20000);
        ResetLogSizeLimit();
        QCOMPARE(LogSizeLimit(), 30000);
    }

    // The log before the append holds a first line of `firstLine` bytes and one filler line up to
    // `sizeAfter` minus the appended line. With a limit of 10000 a trim keeps the last 8000 bytes
    // from the first line start at or after byte sizeAfter - 8000.
    void trimming_data() {
        QTest::addColumn<qsizetype>("sizeAfter");
        QTest::addColumn<qsizetype>("firstLine");
        QTest::addColumn<qsizetype>("keptFrom"); // -1: not trimmed
        QTest::newRow("exactly at the limit") << qsizetype(10000) << qsizetype(2000) << qsizetype(-1);
        QTest::newRow("cut lands on a line start") << qsizetype(10001) << qsizetype(2001) << qsizetype(2001);
        QTest::newRow("cut inside the first line") << qsizetype(10001) << qsizetype(2050) << qsizetype(2050);
        QTest::newRow("cut just after a line") << qsizetype(10001) << qsizetype(2000) << qsizetype(-2);
        QTest::newRow("cut between CR and LF") << qsizetype(10001) << qsizetype(2002) << qsizetype(2002);
    }
    void trimming() {
        QFETCH(qsizetype, sizeAfter);
        QFETCH(qsizetype, firstLine);
        QFETCH(qsizetype, keptFrom);
        StoreLogfileSize("10000", RegistryType::String);

        const QByteArray appended = FormatLogLine(kMoment, QStringLiteral("new entry")).toLocal8Bit();
        const QByteArray before =
            FixtureLine(firstLine, 'a') + FixtureLine(sizeAfter - appended.size() - firstLine, 'b');
        WriteBytes(m_env->logFile(), before);
        WriteLog(QStringLiteral("new entry"));

        const QByteArray whole = before + appended;
        QCOMPARE(whole.size(), sizeAfter);
        const QByteArray log = FileBytes(m_env->logFile());
        if (keptFrom == -1) {
            QCOMPARE(log, whole);
            return;
        }
        // The first line start after the cut is the filler line's start, or none but the new line.
        const qsizetype from = keptFrom == -2 ? before.size() : keptFrom;
        QCOMPARE(log, whole.mid(from));
        QVERIFY(log.size() <= 8000);
        QVERIFY(log.endsWith(appended));
    }

    void trimmedLogKeepsGrowing() {
        StoreLogfileSize("10000", RegistryType::String);
        const QByteArray line = FormatLogLine(kMoment, QStringLiteral("entry")).toLocal8Bit();
        for (int i = 0; i < 1000; ++i)
            WriteLog(QStringLiteral("entry"));
        const QByteArray log = FileBytes(m_env->logFile());
        QVERIFY(log.size() <= 10000);
        QVERIFY(log.size() > 10000 - line.size() - 2000); // trimmed to 8000, then grown again
        QCOMPARE(log.size() % line.size(), 0);            // whole lines only
        QVERIFY(log.startsWith(line));
    }

    void defaultLogFileBesideProgram() {
        SetLogFilePath(QString());
        // The test's own folder in the build tree is writable.
        QCOMPARE(LogFilePath(), ApplicationPath() + ExecutableBaseName() + QStringLiteral(".log"));
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
