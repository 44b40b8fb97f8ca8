// The real program killed at random moments, again and again, on one record file: while it records
// scanned bibs, while it starts, and while the operator corrects records in the grid. After every
// kill the file must be whole and hold exactly what was recorded up to that moment.
//
// MARKLOG_STRESS_KILLS sets the number of kills (20 by default, bench/soak runs 1,000),
// MARKLOG_STRESS_SEED the random plan. The test prints "HELD <n> of <kills> kills".

#include "app/Clock.h"
#include "app/LogWriter.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "records/clsFile.h"

#include "EditSession.h"
#include "ScannerPty.h"
#include "StnCheck.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

constexpr qint32 kFirstScannedBib = 100000; // above anything the grid's editor can type
constexpr int kStartTimeoutMs = 60000;
constexpr int kDefaultKills = 20;

int KillCount() {
    bool ok = false;
    const int kills = qEnvironmentVariableIntValue("MARKLOG_STRESS_KILLS", &ok);
    return ok && kills > 0 ? kills : kDefaultKills;
}

quint32 Seed() {
    bool ok = false;
    const int seed = qEnvironmentVariableIntValue("MARKLOG_STRESS_SEED", &ok);
    return ok ? quint32(seed) : QRandomGenerator::system()->generate() % 1000000;
}

// Lets the event loop run for a while; the feeding timer and the child processes go on meanwhile.
void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A helper process of this executable: a main window on the record file that carries out a plan
// of corrections, prints "ready" once shown and "done <n>" after each one, then waits to be killed.
int RunEditHelper(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QString home = qEnvironmentVariable("HOME");
    SetLogFilePath(home + QStringLiteral("/helper.log"));
    SetMessagePresenter([](const MessageRequest& request) {
        if (request.buttons != MsgButtons::OkCancel) // anything but the delete question is an error
            std::fprintf(stdout, "message: %s\n", qPrintable(request.text));
        std::fflush(stdout);
        return MsgAnswer::Ok;
    });
    auto* window = new frmMain(QString::fromLocal8Bit(argv[2]));
    if (!WindowDriver::Show(window))
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    const QList<EditOp> ops = DecodeOps(QString::fromLatin1(argv[3]));
    for (int i = 0; i < ops.size(); ++i) {
        if (!DriveOp(window, ops[i])) {
            std::printf("stuck at %d\n", i + 1);
            std::fflush(stdout);
            break;
        }
        std::printf("done %d\n", i + 1);
        std::fflush(stdout);
    }
    return QApplication::exec(); // until killed
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void killedAgainAndAgain();

private:
    QString KilledWhileScanning(int& sent, int& recorded);
    QString KilledWhileEditing();
    QString EditedInThisProcess();
    QString CheckAppended(const QVector<qint32>& sentBibs, int* appended);
    QString NewLogLines();
    void Resync();
    QProcessEnvironment ProgramEnvironment(const QString& home) const;
    void WriteProgramSettings(const QString& device);

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    QTemporaryDir m_dir;
    QString m_path;
    QString m_programHome;
    QVector<qint32> m_bibs; // what the file holds since the last check
    qint32 m_nextBib = kFirstScannedBib;
    QRandomGenerator m_random;
    QStringList m_logs; // where the program writes its log
    qint64 m_logSize = 0;
};

void TestCrashSafety::initTestCase() {
    QVERIFY(QFileInfo(QStringLiteral(MARKLOG_BINARY)).isExecutable());
    QVERIFY(m_dir.isValid());
    m_env = std::make_unique<IsolatedEnvironment>();
    m_messages = std::make_unique<ScriptedMessages>();
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12)));
    // The window of this process never opens the scanner (its program key differs anyway).
    WriteSetting(QStringLiteral("BarcodeActive"), CheckBoxValue(false));
    m_path = m_dir.filePath(QStringLiteral("crash.stn"));
    WriteBytes(m_path, QByteArray());
    m_programHome = m_dir.filePath(QStringLiteral("program-home"));
    for (const char* folder : {"config/Trevanta", "data", "cache", "run", "helper"})
        QVERIFY(QDir().mkpath(m_programHome + QLatin1Char('/') + QLatin1String(folder)));
    QFile::setPermissions(m_programHome + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_logs = QStringList{QFileInfo(QStringLiteral(MARKLOG_BINARY)).absolutePath() + QStringLiteral("/marklog.log"),
                         m_programHome + QStringLiteral("/data/Trevanta/marklog/marklog.log")};
    NewLogLines(); // what is there from earlier runs does not count
}

void TestCrashSafety::killedAgainAndAgain() {
    const int kills = KillCount();
    const quint32 seed = Seed();
    m_random.seed(seed);
    qInfo("%d kills, MARKLOG_STRESS_SEED=%u", kills, seed);
    QStringList problems;
    int held = 0, sent = 0, recorded = 0, editKills = 0, editsHere = 0;
    for (int kill = 1; kill <= kills; ++kill) {
        // Now and then the operator corrects records between two runs.
        if (kill > 1 && m_random.bounded(8) == 0) {
            ++editsHere;
            const QString problem = EditedInThisProcess();
            if (!problem.isEmpty()) {
                problems << QStringLiteral("editing before kill %1: %2").arg(kill).arg(problem);
                Resync();
            }
        }
        const bool whileEditing = kill % 5 == 0;
        editKills += whileEditing;
        const QString problem = whileEditing ? KilledWhileEditing() : KilledWhileScanning(sent, recorded);
        if (problem.isEmpty()) {
            ++held;
        } else {
            problems << QStringLiteral("kill %1%2: %3").arg(kill).arg(whileEditing ? " (editing)" : "").arg(problem);
            Resync();
        }
    }
    qInfo("HELD %d of %d kills", held, kills);
    qInfo("%d kills while editing, %d editing sessions between runs; %d of %d scanned bibs reached the file "
          "before their kill, %lld records at the end",
          editKills, editsHere, recorded, sent, qlonglong(m_bibs.size()));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // The bibs still in flight at a kill are lost by design, however many that is on a busy
    // machine; but a run that recorded nothing at all checked nothing.
    QVERIFY2(recorded > 0, qPrintable(QStringLiteral("none of %1 bibs sent was recorded").arg(sent)));
}

QProcessEnvironment TestCrashSafety::ProgramEnvironment(const QString& home) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_programHome + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_programHome + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_programHome + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_programHome + QStringLiteral("/run"));
    return environment;
}

// The program reopens the scanner at start when it was active; its device is the fresh pty.
void TestCrashSafety::WriteProgramSettings(const QString& device) {
    WriteBytes(m_programHome + QStringLiteral("/config/Trevanta/marklog.conf"),
               "[General]\nBarcodeActive=1\nBarcodeDevice=" + device.toLocal8Bit() + '\n');
}

// One run of the program: started on the file, fed bibs on its scanner, killed.
QString TestCrashSafety::KilledWhileScanning(int& sent, int& recorded) {
    ScannerPty scanner;
    if (!scanner.IsValid())
        return QStringLiteral("no pseudo-terminal: %1").arg(qt_error_string(errno));
    WriteProgramSettings(scanner.Device());
    QProcess program;
    program.setProcessEnvironment(ProgramEnvironment(m_programHome));
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(MARKLOG_BINARY), {m_path});
    if (!program.waitForStarted(kStartTimeoutMs))
        return QStringLiteral("marklog did not start: %1").arg(program.errorString());

    // One run in six is killed while it starts: reading the file, opening the port. The others
    // wait for the port and are killed while bibs stream in.
    const bool duringStart = m_random.bounded(6) == 0;
    if (!duringStart &&
        !QTest::qWaitFor(
            [&] { return scanner.IsOpenedBy(program.processId()) || program.state() != QProcess::Running; },
            kStartTimeoutMs))
        return QStringLiteral("marklog never opened the scanner: %1").arg(QString::fromLocal8Bit(program.readAll()));

    // A bib counts as sent once its carriage return is written. Bibs go one by one, several in
    // one write, or split across writes, as a scanner and the serial line deliver them.
    QVector<qint32> sentBibs;
    QByteArray pending;
    QVector<qint32> pendingBibs;
    QTimer feed;
    feed.setInterval(3);
    connect(&feed, &QTimer::timeout, this, [&] {
        if (pending.isEmpty()) {
            const int burst = m_random.bounded(5) == 0 ? 1 + int(m_random.bounded(4)) : 1;
            for (int i = 0; i < burst; ++i) {
                pendingBibs << m_nextBib;
                pending += QByteArray::number(m_nextBib++) + '\r';
            }
        }
        const qsizetype piece =
            m_random.bounded(4) == 0 ? 1 + qsizetype(m_random.bounded(quint32(pending.size()))) : pending.size();
        const qsizetype written = scanner.TrySend(pending.left(piece));
        // Every carriage return written completes one pending bib.
        for (qsizetype i = 0; i < written; ++i) {
            if (pending[i] == '\r')
                sentBibs << pendingBibs.takeFirst();
        }
        pending.remove(0, written);
    });
    feed.start();
    RunEventsFor(duringStart ? int(m_random.bounded(200)) : int(m_random.bounded(400)));
    feed.stop();

    const bool stillRunning = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(kStartTimeoutMs);
    scanner.Close();
    const QString output = QString::fromLocal8Bit(program.readAll()).right(2000);
    if (!stillRunning)
        return QStringLiteral("marklog ended before it was killed (exit code %1): %2")
            .arg(program.exitCode())
            .arg(output);
    sent += int(sentBibs.size());
    int appended = 0;
    QString problem = CheckAppended(sentBibs, &appended);
    recorded += appended;
    const QString errors = NewLogLines();
    if (!errors.isEmpty())
        problem += QStringLiteral(" marklog reported errors: ") + errors;
    return problem;
}

// The file after a killed run: whole, the records before it unchanged, and then exactly the
// first bibs that run was sent.
QString TestCrashSafety::CheckAppended(const QVector<qint32>& sentBibs, int* appended) {
    QVector<qint32> bibs;
    const QString problem = CheckStnBytes(FileBytes(m_path), &bibs);
    if (!problem.isEmpty())
        return problem;
    if (bibs.mid(0, m_bibs.size()) != m_bibs)
        return QStringLiteral("the records from before this run changed: expected %1, found %2")
            .arg(DescribeBibs(m_bibs), DescribeBibs(bibs));
    const QVector<qint32> added = bibs.mid(m_bibs.size());
    if (added != sentBibs.mid(0, added.size()))
        return QStringLiteral("the bibs appended are not the first ones sent: sent %1, appended %2")
            .arg(DescribeBibs(sentBibs), DescribeBibs(added));
    *appended = int(added.size());
    m_bibs = bibs;
    return {};
}

// A helper process corrects records in the grid and is killed at a random moment: the file must
// show the state after one of the rewrites, at least the one of the last correction reported done.
QString TestCrashSafety::KilledWhileEditing() {
    const QList<EditOp> ops = PlanOps(m_bibs, m_random);
    QList<int> rewritesAfter;
    QList<QVector<qint32>> states = StatesOf(m_bibs, ops, &rewritesAfter);
    states.prepend(m_bibs);
    const QString helperHome = m_programHome + QStringLiteral("/helper");
    QFile::remove(helperHome + QStringLiteral("/helper.log"));

    QProcess helper;
    helper.setProcessEnvironment(ProgramEnvironment(helperHome));
    helper.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--edit-helper"), m_path, EncodeOps(ops)});
    if (!helper.waitForStarted(kStartTimeoutMs))
        return QStringLiteral("the editing helper did not start: %1").arg(helper.errorString());
    QByteArray output;
    // One helper in five is killed while its window loads; the others once it is ready.
    if (m_random.bounded(5) == 0) {
        RunEventsFor(int(m_random.bounded(300)));
    } else {
        if (!QTest::qWaitFor(
                [&] {
                    output += helper.readAllStandardOutput();
                    return output.contains("ready\n") || helper.state() != QProcess::Running;
                },
                kStartTimeoutMs))
            return QStringLiteral("the editing helper's window never showed");
        RunEventsFor(int(m_random.bounded(40 * quint32(ops.size()))));
    }
    const bool stillRunning = helper.state() == QProcess::Running;
    helper.kill();
    helper.waitForFinished(kStartTimeoutMs);
    output += helper.readAllStandardOutput();
    const QString helperSaid = QString::fromLocal8Bit(output + helper.readAllStandardError()).right(2000);
    if (!stillRunning)
        return QStringLiteral("the editing helper ended before it was killed: %1").arg(helperSaid);
    if (output.contains("message:") || output.contains("stuck"))
        return QStringLiteral("the editing helper's window misbehaved: %1").arg(helperSaid);
    int done = 0;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("done "))
            done = line.mid(5).toInt();
    }

    QVector<qint32> bibs;
    const QString problem = CheckStnBytes(FileBytes(m_path), &bibs);
    if (!problem.isEmpty())
        return problem;
    const int reached = int(states.lastIndexOf(bibs));
    const int least = done > 0 ? rewritesAfter[done - 1] : 0;
    if (reached < least)
        return QStringLiteral("after %1 of the corrections %2 were reported done, the file shows %3 instead of "
                              "the state after rewrite %4 or later: %5")
            .arg(done)
            .arg(EncodeOps(ops))
            .arg(reached < 0 ? QStringLiteral("a list that no rewrite made")
                             : QStringLiteral("rewrite %1").arg(reached))
            .arg(least)
            .arg(DescribeBibs(bibs));
    m_bibs = bibs;
    return {};
}

// Corrections in a window of this process; every one must be on the disk as soon as it is made.
QString TestCrashSafety::EditedInThisProcess() {
    const QList<EditOp> ops = PlanOps(m_bibs, m_random);
    QList<int> rewritesAfter;
    const QList<QVector<qint32>> states = StatesOf(m_bibs, ops, &rewritesAfter);
    QPointer<frmMain> window = new frmMain(m_path);
    QString problem;
    if (!WindowDriver::Show(window))
        problem = QStringLiteral("the window did not show");
    for (int i = 0; problem.isEmpty() && i < ops.size(); ++i) {
        if (!DriveOp(window, ops[i]))
            problem = QStringLiteral("the grid did not react to %1").arg(EncodeOps({ops[i]}));
        else if (FileBytes(m_path) != FormatStn(RecordsOf(states[rewritesAfter[i] - 1])))
            problem =
                QStringLiteral("after %1 the file is not as the window shows it").arg(EncodeOps(ops.mid(0, i + 1)));
    }
    if (window)
        window->close();
    if (!QTest::qWaitFor([&] { return window.isNull(); }, kStartTimeoutMs))
        problem += QStringLiteral(" the window did not close");
    QFile::remove(clsFile::DatedCopyPath(m_path, Now())); // closing a changed file keeps a copy
    for (const MessageRequest& shown : m_messages->shown()) {
        if (shown.buttons != MsgButtons::OkCancel)
            problem += QStringLiteral(" message: ") + shown.text;
    }
    m_messages->clear();
    if (problem.isEmpty())
        m_bibs = states.last();
    return problem;
}

// After a failed check the next runs go on from what the file holds.
void TestCrashSafety::Resync() {
    try {
        m_bibs = ParseStn(FileBytes(m_path));
    } catch (const RaisedError&) {
        m_bibs.clear();
    }
    WriteBytes(m_path, FormatStn(RecordsOf(m_bibs)));
}

// Lines the program added to its log since the last look; a correct run reports nothing.
QString TestCrashSafety::NewLogLines() {
    QString added;
    qint64 size = 0;
    for (const QString& log : m_logs)
        size += QFileInfo(log).size();
    if (size > m_logSize) {
        for (const QString& log : m_logs)
            added += QString::fromLocal8Bit(FileBytes(log).right(size - m_logSize));
    }
    m_logSize = size;
    return added.right(2000);
}

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--edit-helper") == 0)
        return RunEditHelper(argc, argv);
    QApplication application(argc, argv);
    TestCrashSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_crashsafety.moc"
