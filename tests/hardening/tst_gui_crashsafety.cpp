// The program's main window killed at random moments, again and again, on one record file: while it
// records scanned bibs, while it starts, and while the operator corrects records in the grid. Each
// runs in a helper process of this executable, where the operator's steps (switching the scanner
// on, editing) can be driven. After every kill the file must be whole and hold exactly what was
// recorded up to that moment.
//
// MARKLOG_STRESS_KILLS sets the number of kills (20 by default, bench/soak runs 1,000),
// MARKLOG_STRESS_SEED the random plan. The test prints "HELD <n> of <kills> kills".

#include "app/Clock.h"
#include "app/LogWriter.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/BarcodeScanner.h"
#include "records/TimesSidecar.h"
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
#include <vector>

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

// Messages a helper's window would show are printed instead; anything but the delete question is
// an error the test reports.
void PrintMessages() {
    SetMessagePresenter([](const MessageRequest& request) {
        if (request.buttons != MsgButtons::OkCancel)
            std::fprintf(stdout, "message: %s\n", qPrintable(request.text));
        std::fflush(stdout);
        return MsgAnswer::Ok;
    });
}

// A helper process of this executable: a main window on the record file whose barcode scanner the
// operator switches on for the scanner's device; then it records until it is killed.
int RunScanHelper(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const ProcessLanguage language;
    SetLogFilePath(qEnvironmentVariable("HOME") + QStringLiteral("/scan.log"));
    PrintMessages();
    auto* window = new frmMain(QString::fromLocal8Bit(argv[2]));
    window->Form_Load();
    window->show();
    try {
        window->findChild<BarcodeScanner*>()->Open(QString::fromLocal8Bit(argv[3]));
    } catch (const RaisedError& error) {
        std::printf("scanner: %s\n", qPrintable(error.info().description));
        return 3;
    }
    return QApplication::exec(); // until killed
}

// A helper process of this executable: a main window on the record file that carries out a plan
// of corrections, prints "ready" once shown and "done <n>" after each one, then waits to be killed.
int RunEditHelper(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const ProcessLanguage language;
    const QString home = qEnvironmentVariable("HOME");
    SetLogFilePath(home + QStringLiteral("/helper.log"));
    PrintMessages();
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
    QString CheckTimes(int appended);
    QString NoteTimes(QVector<bool>* timed);
    QString NewLogLines();
    void Resync();
    QProcessEnvironment ProgramEnvironment(const QString& home) const;

    std::unique_ptr<IsolatedEnvironment> m_env;

    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    QTemporaryDir m_dir;
    QString m_path;
    QString m_programHome;
    QVector<qint32> m_bibs; // what the file holds since the last check
    // Lines of the times file in step with m_bibs; -1 when a kill may have cut a rewrite between
    // the record file and the times file, which the program's reader then partly distrusts.
    qsizetype m_timesLines = 0;
    qint32 m_nextBib = kFirstScannedBib;
    QRandomGenerator m_random;
    std::vector<std::unique_ptr<ScannerPty>> m_scanners;
    QString m_log; // where the scanning helper writes its log
    qint64 m_logSize = 0;
};

void TestCrashSafety::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_env = std::make_unique<IsolatedEnvironment>();
    m_language = std::make_unique<ProcessLanguage>();
    m_messages = std::make_unique<ScriptedMessages>();
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12)));
    m_path = m_dir.filePath(QStringLiteral("crash.stn"));
    WriteBytes(m_path, QByteArray());
    m_programHome = m_dir.filePath(QStringLiteral("program-home"));
    for (const char* folder : {"config/Trevanta", "data", "cache", "run", "helper"})
        QVERIFY(QDir().mkpath(m_programHome + QLatin1Char('/') + QLatin1String(folder)));
    QFile::setPermissions(m_programHome + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_log = m_programHome + QStringLiteral("/scan.log");
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

// One run of the window: started on the file, fed bibs on its scanner, killed.
QString TestCrashSafety::KilledWhileScanning(int& sent, int& recorded) {
    // Every pseudo-terminal of the run stays allocated until the test ends, so no device name is
    // used twice: a kill while the port opens can leave its lock file half written, and such a
    // lock holds that name for half a minute.
    m_scanners.push_back(std::make_unique<ScannerPty>());
    ScannerPty& scanner = *m_scanners.back();
    if (!scanner.IsValid())
        return QStringLiteral("no pseudo-terminal: %1").arg(qt_error_string(errno));
    QProcess program;
    program.setProcessEnvironment(ProgramEnvironment(m_programHome));
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--scan-helper"), m_path, scanner.Device()});
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
    const QString output = QString::fromLocal8Bit(program.readAll()).right(2000);
    if (!stillRunning)
        return QStringLiteral("marklog ended before it was killed (exit code %1): %2")
            .arg(program.exitCode())
            .arg(output);
    sent += int(sentBibs.size());
    int appended = 0;
    QString problem = CheckAppended(sentBibs, &appended);
    if (problem.isEmpty())
        problem = CheckTimes(appended);
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

// The times file after a killed run that started with it in step: still in step, no line lost,
// and every passage of the run has its time but the last one, whose kill may have come between
// the two writes.
QString TestCrashSafety::CheckTimes(int appended) {
    QVector<bool> timed;
    const qsizetype before = m_timesLines;
    const QString problem = NoteTimes(&timed);
    if (before < 0)
        return {};
    if (!problem.isEmpty())
        return problem;
    if (timed.size() < before)
        return QStringLiteral("the times file lost lines: %1 before, %2 now").arg(before).arg(timed.size());
    for (qsizetype i = m_bibs.size() - appended; i + 1 < m_bibs.size(); ++i) {
        if (i >= timed.size() || !timed[i])
            return QStringLiteral("passage %1 of %2 was recorded without its time").arg(i + 1).arg(m_bibs.size());
    }
    return {};
}

// What is wrong with the times file beside m_bibs; notes how many of its lines are in step.
QString TestCrashSafety::NoteTimes(QVector<bool>* timed) {
    const QString problem = CheckTimesBytes(FileBytes(TimesSidecar::PathFor(m_path)), m_bibs, timed);
    m_timesLines = problem.isEmpty() ? timed->size() : -1;
    return problem;
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
    QVector<bool> timed;
    NoteTimes(&timed); // a cut rewrite may leave the times file behind; the next runs tell
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
    if (problem.isEmpty()) {
        m_bibs = states.last();
        QVector<bool> timed;
        const bool wasInStep = m_timesLines >= 0;
        const QString times = NoteTimes(&timed);
        if (wasInStep) // corrections that were not cut keep it in step
            problem = times;
    }
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
    QFile::remove(TimesSidecar::PathFor(m_path));
    m_timesLines = 0;
}

// Lines the program added to its log since the last look; a correct run reports nothing.
QString TestCrashSafety::NewLogLines() {
    const qint64 size = QFileInfo(m_log).size();
    const QString added =
        size > m_logSize ? QString::fromLocal8Bit(FileBytes(m_log).right(size - m_logSize)) : QString();
    m_logSize = size;
    return added.right(2000);
}

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--edit-helper") == 0)
        return RunEditHelper(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--scan-helper") == 0)
        return RunScanHelper(argc, argv);
    QApplication application(argc, argv);
    TestCrashSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_crashsafety.moc"
