// The program killed at random moments, again and again, on one record file while a scanner
// streams bibs into it, with noise the serial line may carry, now and then while it starts. A kill may lose the bibs
// still in flight, never more: after every kill the file reads as a record file numbered 1..N that holds the records
// from before the run, then the first bibs the run was sent, at least every one it acknowledged;
// the passage times beside it never disagree with it.
//
// MARKLOG_STRESS_KILLS sets the number of kills (20 by default, bench/soak runs 1,000),
// MARKLOG_STRESS_SEED the random plan. The test prints "HELD <n> of <kills> kills".

#include "ScanHelper.h"
#include "ScannerPty.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <memory>
#include <vector>

constexpr int kStartTimeoutMs = 60000;

class TestCrashSafety : public QObject {
    Q_OBJECT

    IsolatedEnvironment m_env; // inherited by every helper
    QTemporaryDir m_dir;
    QString m_path;
    QVector<qint32> m_bibs; // what the file holds since the last kill
    qint32 m_nextBib = 100000;
    QRandomGenerator m_random;
    // Every pseudo-terminal stays allocated until the end, so no device name is used twice: a kill
    // while the port opens can leave its lock file half written, which holds that name a while.
    std::vector<std::unique_ptr<ScannerPty>> m_scanners;

private slots:
    void killedAgainAndAgain() {
        const int kills = qMax(1, qEnvironmentVariable("MARKLOG_STRESS_KILLS", QStringLiteral("20")).toInt());
        const quint32 seed =
            qEnvironmentVariable("MARKLOG_STRESS_SEED", QString::number(QRandomGenerator::system()->bounded(1000000u)))
                .toUInt();
        m_random.seed(seed);
        qInfo("%d kills, MARKLOG_STRESS_SEED=%u", kills, seed);
        m_path = m_dir.filePath(QStringLiteral("crash.stn"));
        WriteBytes(m_path, QByteArray());
        QStringList problems;
        int sent = 0, recorded = 0, acknowledged = 0;
        for (int kill = 1; kill <= kills; ++kill) {
            if (const QString problem = KilledRun(sent, recorded, acknowledged); !problem.isEmpty()) {
                problems << QStringLiteral("kill %1: %2").arg(kill).arg(problem);
                m_bibs.clear(); // the next runs start again from an empty file
                WriteBytes(m_path, QByteArray());
                QFile::remove(m_path + QStringLiteral(".times"));
            }
        }
        qInfo("HELD %lld of %d kills", kills - problems.size(), kills);
        qInfo("%d of %d scanned bibs reached the file before their kill, %d acknowledged", recorded, sent,
              acknowledged);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // Bibs in flight at a kill may be lost, but a run that recorded nothing checked nothing.
        QVERIFY2(recorded > 0, qPrintable(QStringLiteral("none of %1 bibs sent was recorded").arg(sent)));
    }

private:
    // One run: the helper started on the file, fed bibs on its scanner, killed.
    QString KilledRun(int& sent, int& recorded, int& acknowledged) {
        m_scanners.push_back(std::make_unique<ScannerPty>());
        ScannerPty& scanner = *m_scanners.back();
        QProcess program;
        StartScanHelper(program, m_path, scanner.Device());
        if (!program.waitForStarted(kStartTimeoutMs))
            return QStringLiteral("the program did not start: %1").arg(program.errorString());
        // One run in six is killed while it starts: reading the file, opening the port.
        const bool duringStart = m_random.bounded(6) == 0;
        if (!duringStart &&
            !QTest::qWaitFor(
                [&] { return scanner.IsOpenedBy(program.processId()) || program.state() != QProcess::Running; },
                kStartTimeoutMs))
            return QStringLiteral("the program never opened the scanner: %1")
                .arg(QString::fromLocal8Bit(program.readAll()));

        // A bib counts as sent once its carriage return is written. Bibs go one by one, several in
        // one write, or split across writes, as a scanner and the serial line deliver them. Noise is
        // no passage: any other byte within a bib, and an Enter on an empty or a zero box before it.
        QVector<qint32> sentBibs, pendingBibs;
        QByteArray pending;
        QTimer feed;
        feed.setInterval(3);
        connect(&feed, &QTimer::timeout, this, [&] {
            if (pending.isEmpty()) {
                const int burst = m_random.bounded(5) == 0 ? 1 + int(m_random.bounded(4)) : 1;
                for (int i = 0; i < burst; ++i) {
                    const QByteArray bib = QByteArray::number(m_nextBib);
                    const qsizetype at = m_random.bounded(bib.size() + 1);
                    char noise = char(m_random.bounded(256));
                    noise = (noise >= '0' && noise <= '9') || noise == '\r' ? '\n' : noise;
                    pending += (m_random.bounded(2) ? "\r" : "0\r") + bib.left(at) + noise + bib.mid(at) + '\r';
                    pendingBibs << 0 << m_nextBib++;
                }
            }
            const qsizetype piece =
                m_random.bounded(4) == 0 ? 1 + qsizetype(m_random.bounded(quint32(pending.size()))) : pending.size();
            const qsizetype written = scanner.TrySend(pending.left(piece));
            for (qsizetype i = 0; i < written; ++i) {
                if (const qint32 bib = pending[i] == '\r' ? pendingBibs.takeFirst() : 0)
                    sentBibs << bib;
            }
            pending.remove(0, written);
        });
        feed.start();
        QEventLoop running; // the feeding timer and the helper go on meanwhile
        QTimer::singleShot(int(m_random.bounded(duringStart ? 200 : 400)), &running, &QEventLoop::quit);
        running.exec();
        feed.stop();

        const bool stillRunning = program.state() == QProcess::Running;
        program.kill();
        program.waitForFinished(kStartTimeoutMs);
        scanner.RemoveLockLeftByKill();
        const QByteArray output = program.readAll();
        if (output.contains("message:"))
            return QStringLiteral("a box was shown while recording: %1").arg(QString::fromLocal8Bit(output));
        if (!stillRunning)
            return QStringLiteral("the program ended before it was killed: %1")
                .arg(QString::fromLocal8Bit(output.right(2000)));
        const int acks = int(output.count("ack\n"));
        sent += int(sentBibs.size());

        // Compared byte for byte: a torn, misnumbered or zero-padded line is a fault like a lost one.
        const QByteArray bytes = FileBytes(m_path);
        const qsizetype added = bytes.count('\n') - m_bibs.size();
        if (added < acks || added > sentBibs.size() || bytes != StnOf(m_bibs + sentBibs.mid(0, added)))
            return QString::asprintf("%lld records before, %lld bibs sent, %d acknowledged; the file holds %lld "
                                     "lines and ends in \"%s\"",
                                     m_bibs.size(), sentBibs.size(), acks, bytes.count('\n'),
                                     bytes.right(60).replace("\r\n", "|").constData());
        const QVector<qint32> bibs = m_bibs + sentBibs.mid(0, added);
        // The passage times beside the file stay in step with it: each line names its record's
        // position and bib, and no line runs ahead of the records.
        const QList<QByteArray> times = FileBytes(m_path + QStringLiteral(".times")).split('\n');
        for (qsizetype line = 0; line < times.size(); ++line) {
            const QList<QByteArray> fields = times[line].trimmed().split(';');
            if (times[line].isEmpty() && line == times.size() - 1)
                break;
            if (line >= bibs.size() || fields.size() != 3 || fields[0].toLongLong() != line + 1 ||
                fields[1].toInt() != bibs[line])
                return QString::asprintf("passage times out of step at their line %lld: \"%s\"", line + 1,
                                         times[line].constData());
        }
        recorded += int(added);
        acknowledged += acks;
        m_bibs = bibs;
        return {};
    }
};

SCAN_HELPER_TEST_MAIN(TestCrashSafety)

#include "tst_gui_crashsafety.moc"
