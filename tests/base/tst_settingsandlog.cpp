#include "TestEnvironment.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/LogWriter.h"
#include "base/Registry.h"
#include "base/Settings.h"

#include <QtTest>

#include <ctime>
#include <limits>
#include <memory>

namespace {
const QDateTime kMoment(QDate(2021, 5, 2), QTime(14, 5, 9, 250));

int SetFamily(const QString& name, const QVariant& value, qint32 type = RegistryType::String) {
    return SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), name, value, type);
}
QVariant GetFamily(const QString& name) {
    return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), name);
}
} // namespace

// The settings store and the error log: its layout byte for byte, its
// size limit from the settings, trimming, and error reports.
class TestSettingsAndLog : public QObject {
    Q_OBJECT

    struct Session {
        IsolatedEnvironment env;
        ScriptedMessages messages;
        FixedClock clock{kMoment};
    };
    std::unique_ptr<Session> m_s;

private slots:
    void init() { m_s = std::make_unique<Session>(); }
    void cleanup() { m_s.reset(); }

    void valuesReadBackByType_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("number as text") << QVariant(1000000) << 1 << QVariant("1000000");
        QTest::newRow("umlauts") << QVariant("Zürich Läufe") << 1 << QVariant("Zürich Läufe");
        QTest::newRow("dword") << QVariant(20000) << 4 << QVariant(qint32(20000));
        QTest::newRow("negative dword") << QVariant(-2) << 4 << QVariant(qint32(-2));
        QTest::newRow("dword from text") << QVariant("77") << 4 << QVariant(qint32(77));
        QTest::newRow("binary keeps the low byte") << QVariant(0x1234) << 3 << QVariant(qint32(0x34));
        QTest::newRow("unsupported type writes nothing") << QVariant(1) << 2 << QVariant();
    }
    void valuesReadBackByType() {
        QFETCH(QVariant, value);
        QFETCH(int, type);
        QFETCH(QVariant, expected);
        QCOMPARE(SetFamily(QStringLiteral("Probe"), value, type), expected.isValid() ? 0 : -1);
        QCOMPARE(GetFamily(QStringLiteral("Probe")).typeId(), expected.typeId());
        QCOMPARE(GetFamily(QStringLiteral("Probe")), expected);
    }

    // The program's own settings and the family's shared ones are files of their own; a missing
    // setting differs from an empty one. A store that cannot be written fails instead of pretending success.
    void programKeyAndFamilyKeyStayApart() {
        SetFamily(QStringLiteral("CurrDir"), QStringLiteral("/family/"));
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        QVERIFY(!ReadSetting(QStringLiteral("CurrDir")).isValid());
        QCOMPARE(GetFamily(QStringLiteral("CurrDir")).toString(), QStringLiteral("/family/"));
        QVERIFY(QFile::exists(m_s->env.configFolder() + QStringLiteral("/Trevanta/Trevanta.conf")));
        QVERIFY(QFile::exists(m_s->env.configFolder() + QStringLiteral("/Trevanta/") + ExecutableBaseName() +
                              QStringLiteral(".conf")));
        QVERIFY(!ReadSetting(QStringLiteral("Language")).isValid());
        WriteSetting(QStringLiteral("Language"), QString());
        QCOMPARE(ReadSetting(QStringLiteral("Language")), QVariant(QString()));
    }
    void unwritableStoreReportsFailure() {
        WriteBytes(m_s->env.configFolder() + QStringLiteral("/Trevanta"), "x"); // a file where the folder must go
        QVERIFY(SetFamily(QStringLiteral("CurrDir"), QStringLiteral("/x/")) != 0);
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1")); // ignored, never throws
        QVERIFY(!ReadSetting(QStringLiteral("Beeper")).isValid());
    }

    // The log's fixed columns: version, source, number, description.
    void formatErrorEntry() {
        const auto entry = [](const char* version, qint32 number, const QString& source, const char* description) {
            return FormatErrorEntry(version, ErrorInfo{number, source, description}, QString());
        };
        const QString s30(30, 'S'), b3(3, ' '), b8(8, ' '), b18(18, ' '), b29(29, ' ');
        QCOMPARE(entry("1.0.12", 53, "Marklog", "File not found"),
                 "1.0.12" + b29 + "Marklog" + b18 + "53" + b8 + "File not found");
        QCOMPARE(entry("1.0.12", -5, s30, "Bad"), "1.0.12" + b29 + s30 + "-5" + b3 + "Bad");
        QCOMPARE(entry("1.0.0", std::numeric_limits<qint32>::min(), "Marklog", "Overflow"),
                 "1.0.0" + b29 + " Marklog" + b18 + "-2147483648Overflow");
    }

    // Every report is logged and shown with the description alone; number 0 is no error; a log
    // that cannot be written still lets the message through.
    void reportError() {
        const ErrorInfo error{57, QStringLiteral("Marklog"), QStringLiteral("Gerät <COM1> nicht bereit")};
        ReportError(error, QStringLiteral("frmPort_GetPort"));
        ReportError(error);
        ReportError(ErrorInfo{0, QStringLiteral("Marklog"), QStringLiteral("nothing")}, QStringLiteral("proc"));
        const QString entry = FormatErrorEntry(VersionText(), error, QString());
        QCOMPARE(FileBytes(m_s->env.logFile()), (FormatLogLine(kMoment, "ERROR: " + entry + " (frmPort_GetPort)") +
                                                 FormatLogLine(kMoment, "ERROR: " + entry))
                                                    .toLocal8Bit());
        QCOMPARE(m_s->messages.shown().size(), 2);
        for (const MessageRequest& shown : m_s->messages.shown())
            QCOMPARE(shown.text, error.description);

        SetLogFilePath(m_s->env.logFile() + QStringLiteral("/marklog.log")); // no folder below a file, even for root
        QVERIFY_THROWS_NO_EXCEPTION(ReportError(ErrorInfo{75, QStringLiteral("Marklog"), QStringLiteral("Path")}));
        QCOMPARE(m_s->messages.lastText(), QStringLiteral("Path"));

        SetLogFilePath(QString());
        const QString fileName = ExecutableBaseName() + QStringLiteral(".log");
        QCOMPARE(LogFilePath(), ApplicationPath() + fileName);
        // A folder where the log belongs sends it to the user's data folder.
        QVERIFY(QDir().mkpath(ApplicationPath() + fileName));
        const auto removeFolder = qScopeGuard([&] { QDir(ApplicationPath() + fileName).removeRecursively(); });
        const QString dataLog =
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QLatin1Char('/') + fileName;
        QCOMPARE(LogFilePath(), dataLog);
        ReportError(ErrorInfo{75, QStringLiteral("Marklog"), QStringLiteral("Path")});
        QVERIFY(FileBytes(dataLog).contains("ERROR: "));
    }

    // Four-digit year; the shown second stays the one the moment lies in, only the hundredths round
    // (.996 to the next second's 00, .015 and .025 half to even to 02).
    void hundredths() {
        for (const auto& [time, expected] :
             {std::pair(QTime(14, 5, 9, 996), "00"), std::pair(QTime(14, 5, 9, 15), "02"),
              std::pair(QTime(14, 5, 9, 25), "02"), std::pair(QTime(23, 59, 59, 996), "00")}) {
            const QString line = FormatLogLine(QDateTime(QDate(2021, 5, 2), time), QStringLiteral("t"));
            QVERIFY2(line.contains(QStringLiteral("2021")) &&
                         line.endsWith(" " + time.toString(QStringLiteral("HH:mm:ss")) + "," + expected + " - t\r\n"),
                     qPrintable(line));
        }
    }

#ifndef Q_OS_WIN
    // The system clock's moment, in the zone the system is set to (a half hour ahead, none, behind).
    void clockKeepsTheLocalOffset() {
        SetClockSource({}); // the system's own
        const QByteArray zone = qgetenv("TZ");
        for (const auto& [tz, offset] :
             {std::pair("IST-5:30", 19800), std::pair("UTC0", 0), std::pair("NST3:30", -12600)}) {
            qputenv("TZ", tz);
            tzset();
            const QDateTime now = Now();
            QCOMPARE(now.offsetFromUtc(), offset);
            QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        }
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    }
#endif

    void logfileSize_data() {
        QTest::addColumn<QVariant>("stored"); // invalid: value not written
        QTest::addColumn<qint32>("type");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("missing") << QVariant() << 0 << 1000000;
        QTest::newRow("9999") << QVariant("9999") << RegistryType::String << 1000000;
        QTest::newRow("10000") << QVariant("10000") << RegistryType::String << 10000;
        QTest::newRow("fraction rounds") << QVariant("20000.7") << RegistryType::String << 20001;
        QTest::newRow("too large for 32 bits") << QVariant("99999999999") << RegistryType::String << 1000000;
        QTest::newRow("DWORD below the minimum") << QVariant(9999) << RegistryType::DWord << 1000000;
    }
    void logfileSize() {
        QFETCH(QVariant, stored);
        QFETCH(qint32, type);
        QFETCH(qint32, expected);
        if (stored.isValid())
            QCOMPARE(SetFamily(QStringLiteral("LogfileSize"), stored, type), 0);
        QCOMPARE(LogSizeLimit(), expected);
        QCOMPARE(SetFamily(QStringLiteral("LogfileSize"), "30000"), 0); // read once per process, until reset
        WriteLog(QStringLiteral("entry"));
        QCOMPARE(LogSizeLimit(), expected);
        ResetLogSizeLimit();
        QCOMPARE(LogSizeLimit(), 30000);
    }

    // The log before the append holds a first line of `firstLine` bytes and one filler line up to
    // `sizeAfter` minus the appended line. With a limit of 10000 a trim keeps the last 8000 bytes
    // from the first line start at or after byte sizeAfter - 8000.
    void trimming_data() {
        QTest::addColumn<qsizetype>("sizeAfter");
        QTest::addColumn<qsizetype>("firstLine");
        QTest::addColumn<qsizetype>("keptFrom"); // -1: not trimmed, -2: only the new line kept
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
        QCOMPARE(SetFamily(QStringLiteral("LogfileSize"), "10000"), 0);
        const QByteArray appended = FormatLogLine(kMoment, QStringLiteral("new entry")).toLocal8Bit();
        const QByteArray before = QByteArray(firstLine - 2, 'a') + "\r\n" +
                                  QByteArray(sizeAfter - appended.size() - firstLine - 2, 'b') + "\r\n";
        WriteBytes(m_s->env.logFile(), before);
        WriteLog(QStringLiteral("new entry"));
        const QByteArray whole = before + appended;
        QCOMPARE(whole.size(), sizeAfter);
        QCOMPARE(FileBytes(m_s->env.logFile()),
                 keptFrom == -1 ? whole : whole.mid(keptFrom == -2 ? before.size() : keptFrom));
    }
};

QTEST_GUILESS_MAIN(TestSettingsAndLog)
#include "tst_settingsandlog.moc"
