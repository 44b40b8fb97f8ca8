#include "TestEnvironment.h"

#include "app/ErrorHandler.h"
#include "app/LogWriter.h"
#include "app/Registry.h"
#include "app/Settings.h"

#include <QtTest>

#include <limits>
#include <memory>

namespace {
const QDateTime kMoment(QDate(2021, 5, 2), QTime(14, 5, 9, 250));

QString Blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

// A line of exactly `length` bytes, CR LF included.
QByteArray FixtureLine(qsizetype length, char fill) {
    return QByteArray(length - 2, fill) + "\r\n";
}

void StoreLogfileSize(const QVariant& value, qint32 type = RegistryType::String) {
    QCOMPARE(SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("LogfileSize"), value, type),
             0);
}
} // namespace

// The error log's layout, byte for byte, its size limit and trimming, and error reports.
class TestErrorLog : public QObject {
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

    void formatErrorEntry() {
        struct Case {
            QString version;
            qint32 number;
            QString source, description, procedure, expected;
        };
        const QString s30(30, 'S');
        const Case cases[] = {
            {"1.0.12", 53, "Marklog", "File not found", "",
             "1.0.12" + Blanks(29) + "Marklog" + Blanks(18) + "53" + Blanks(8) + "File not found"},
            {"1.0.12", -5, s30, "Bad", "", "1.0.12" + Blanks(29) + s30 + "-5" + Blanks(3) + "Bad"},
            {"1.0.0", std::numeric_limits<qint32>::min(), "Marklog", "Overflow", "",
             "1.0.0" + Blanks(30) + "Marklog" + Blanks(18) + "-2147483648" + "Overflow"},
            {"1.0.0", 57, "Marklog", "Device I/O error", "frmPort_GetPort",
             "1.0.0" + Blanks(30) + "Marklog" + Blanks(18) + "57" + Blanks(8) + "Device I/O error (frmPort_GetPort)"},
        };
        for (const Case& c : cases)
            QCOMPARE(FormatErrorEntry(c.version, ErrorInfo{c.number, c.source, c.description}, c.procedure),
                     c.expected);
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

        const QString blocker = m_s->env.path() + QStringLiteral("/blocker"); // no folder below a file, even for root
        WriteBytes(blocker, "x");
        SetLogFilePath(blocker + QStringLiteral("/marklog.log"));
        QVERIFY_THROWS_NO_EXCEPTION(ReportError(ErrorInfo{75, QStringLiteral("Marklog"), QStringLiteral("Path")}));
        QCOMPARE(m_s->messages.lastText(), QStringLiteral("Path"));

        SetLogFilePath(QString());
        QCOMPARE(LogFilePath(), ApplicationPath() + ExecutableBaseName() + QStringLiteral(".log"));
    }

    // Four-digit year; the shown second stays the one the moment lies in, only the hundredths round.
    void hundredths_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("expected");
        QTest::newRow(".996 rounds up to the next second") << QTime(14, 5, 9, 996) << "00";
        QTest::newRow(".015 half to even, up") << QTime(14, 5, 9, 15) << "02";
        QTest::newRow("last moment of the day") << QTime(23, 59, 59, 996) << "00";
    }
    void hundredths() {
        QFETCH(QTime, time);
        QFETCH(QString, expected);
        const QString line = FormatLogLine(QDateTime(QDate(2021, 5, 2), time), QStringLiteral("t"));
        QVERIFY2(line.contains(QStringLiteral("2021")), qPrintable(line));
        QVERIFY2(line.endsWith(" " + time.toString(QStringLiteral("HH:mm:ss")) + "," + expected + " - t\r\n"),
                 qPrintable(line));
        QCOMPARE(line.count(QStringLiteral("\r\n")), 1);
    }

    void logfileSize_data() {
        QTest::addColumn<QVariant>("stored"); // invalid: value not written
        QTest::addColumn<qint32>("type");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("missing") << QVariant() << 0 << 1000000;
        QTest::newRow("9999") << QVariant("9999") << RegistryType::String << 1000000;
        QTest::newRow("10000") << QVariant("10000") << RegistryType::String << 10000;
        QTest::newRow("leading number") << QVariant("12345xyz") << RegistryType::String << 12345;
        QTest::newRow("fraction rounds") << QVariant("20000.7") << RegistryType::String << 20001;
        QTest::newRow("too large for 32 bits") << QVariant("99999999999") << RegistryType::String << 1000000;
        QTest::newRow("DWORD below the minimum") << QVariant(9999) << RegistryType::DWord << 1000000;
    }
    void logfileSize() {
        QFETCH(QVariant, stored);
        QFETCH(qint32, type);
        QFETCH(qint32, expected);
        if (stored.isValid())
            StoreLogfileSize(stored, type);
        QCOMPARE(LogSizeLimit(), expected);
        StoreLogfileSize("30000"); // read once per process, until reset
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
        StoreLogfileSize("10000");
        const QByteArray appended = FormatLogLine(kMoment, QStringLiteral("new entry")).toLocal8Bit();
        const QByteArray before =
            FixtureLine(firstLine, 'a') + FixtureLine(sizeAfter - appended.size() - firstLine, 'b');
        WriteBytes(m_s->env.logFile(), before);
        WriteLog(QStringLiteral("new entry"));
        const QByteArray whole = before + appended;
        QCOMPARE(whole.size(), sizeAfter);
        const QByteArray log = FileBytes(m_s->env.logFile());
        QCOMPARE(log, keptFrom == -1 ? whole : whole.mid(keptFrom == -2 ? before.size() : keptFrom));
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
