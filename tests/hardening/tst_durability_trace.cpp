// The program's main window recording scanned bibs under a system-call trace (strace; the window
// with its scanner switched on runs in the kill suite's helper process): the order of its
// calls shows that every passage is on the disk before the next one is written, and that every
// rewrite of a record file replaces it only with content already on the disk.

#include "ScanHelperStart.h"
#include "ScannerPty.h"
#include "TestEnvironment.h"

#include <QtTest>

namespace {

// Replays a trace of `strace -f` and holds every file that gets a name in the folder to the rules:
// each write is synced before the next write or the close, content is synced before it takes a
// name (rename, linkat), and the folder is synced after a name is given before that file is
// written again. Counts the appends to and the rewrites of one file.
struct TraceChecker {
    QString folder, record;
    QHash<int, QString> open; // descriptor -> name in the folder ("" unnamed), or the folder itself
    QSet<int> unsynced;
    QSet<QString> unsyncedNames; // named since the folder was last synced
    QStringList faults;
    int appends = 0, rewrites = 0;

    void Replay(const QByteArray& trace) {
        QHash<QString, QString> unfinished; // pid -> call begun on a line of its own
        static const QRegularExpression resumed(QStringLiteral("^<\\.\\.\\. \\w+ resumed>"));
        static const QRegularExpression call(QStringLiteral("^(\\w+)\\((.*)\\)\\s+= (\\d+)"));
        for (const QByteArray& raw : trace.split('\n')) {
            const QString pid = QString::fromUtf8(raw).section(QLatin1Char(' '), 0, 0);
            QString line = QString::fromUtf8(raw).section(QLatin1Char(' '), 1).trimmed();
            if (line.endsWith(QLatin1String("<unfinished ...>"))) {
                unfinished[pid] = line.chopped(16);
                continue;
            }
            if (line.contains(resumed))
                line = unfinished.take(pid) + line.remove(resumed);
            const QRegularExpressionMatch match = call.match(line); // failed calls (= -1) change nothing
            if (match.hasMatch())
                Call(match.captured(1), match.captured(2), match.captured(3).toInt());
        }
        for (const QString& path : std::as_const(unsyncedNames))
            faults << path + QStringLiteral(": got its name, but its folder was never synced");
    }

    void Call(const QString& name, const QString& args, int result) {
        static const QRegularExpression quoted(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
        QStringList paths;
        for (auto it = quoted.globalMatch(args); it.hasNext();)
            paths << QDir::cleanPath(it.next().captured(1));
        int fd = args.section(QLatin1Char(','), 0, 0).toInt();
        if (name == QLatin1String("openat")) {
            open.remove(fd = result);
            unsynced.remove(fd);
            if (paths.value(0) == folder) // the folder, or an unnamed file in it
                open[fd] = args.contains(QLatin1String("O_TMPFILE")) ? QString() : folder;
            else if (Watched(paths.value(0)))
                open[fd] = paths.value(0);
        } else if (!open.contains(fd) && name != QLatin1String("linkat") && !name.startsWith(QLatin1String("rename"))) {
            return;
        } else if (name.contains(QLatin1String("write"))) {
            if (unsynced.contains(fd))
                faults << open[fd] + QStringLiteral(": written again before its last write was synced");
            if (unsyncedNames.contains(open[fd]))
                faults << open[fd] + QStringLiteral(": written before its folder was synced after it got its name");
            appends += open[fd] == record && !unsynced.contains(fd);
            unsynced.insert(fd);
        } else if (name.contains(QLatin1String("sync"))) {
            unsynced.remove(fd);
            if (open[fd] == folder)
                unsyncedNames.clear();
        } else if (name == QLatin1String("close")) {
            if (unsynced.remove(fd))
                faults << open[fd] + QStringLiteral(": closed with a write not synced");
            open.remove(fd);
        } else if (name == QLatin1String("linkat")) { // linkat(fd, "", ...) or from "/proc/self/fd/N"
            if (paths.value(0).startsWith(QLatin1String("/proc/self/fd/")))
                fd = paths.value(0).section(QLatin1Char('/'), -1).toInt();
            if (open.contains(fd))
                Named({fd}, paths.value(1));
        } else if (paths.size() == 2) { // rename*
            unsyncedNames.remove(paths[0]);
            Named(open.keys(paths[0]), paths[1]);
        }
    }

    // Content that takes a name must be on the disk already, and its folder is synced next.
    void Named(const QList<int>& fds, const QString& path) {
        for (int fd : fds) {
            if (unsynced.contains(fd))
                faults << path + QStringLiteral(": replaced by content not yet synced");
            open[fd] = path;
        }
        if (Watched(path))
            unsyncedNames.insert(path);
        rewrites += path == record;
    }

    bool Watched(const QString& path) const { return QFileInfo(path).absolutePath() == folder; }
};

} // namespace

class TestDurabilityTrace : public QObject {
    Q_OBJECT

private slots:
    void passagesAndRewritesReachTheDiskInOrder() {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        QVERIFY2(!strace.isEmpty(), "strace is not installed (scripts/deps.sh installs it)");
        IsolatedEnvironment environment; // inherited by the program
        QTemporaryDir dir;
        ScannerPty scanner;
        QVERIFY(dir.isValid() && scanner.IsValid());
        const QString folder = dir.filePath(QStringLiteral("records"));
        const QString record = folder + QStringLiteral("/race.stn"), trace = dir.filePath(QStringLiteral("trace"));
        QVERIFY(QDir().mkpath(folder));
        WriteBytes(record, QByteArray());
        QProcess program;
        StartScanHelper(program, record, scanner.Device(), strace,
                        {QStringLiteral("-f"), QStringLiteral("-o"), trace, QStringLiteral("-e"),
                         QStringLiteral("trace=openat,write,pwrite64,writev,fdatasync,fsync,rename,renameat,"
                                        "renameat2,linkat,close"),
                         QStringLiteral(MARKLOG_SCAN_HELPER)});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += program.readAll()).contains("ready\n"), 120000);

        // Passages one by one and several in one piece; then an older copy of the file is put in its
        // place (a stick swapped), so the next passage rewrites the whole list; then appending goes on.
        const QString older = dir.filePath(QStringLiteral("older.stn"));
        WriteBytes(older, "1;101\r\n");
        for (const auto& [bibs, lines] :
             {std::pair{"101\r", qsizetype(1)}, {"102\r103\r104\r", 4}, {"105\r", 5}, {"106\r", 6}}) {
            QVERIFY(lines != 5 ||
                    std::rename(QFile::encodeName(older).constData(), QFile::encodeName(record).constData()) == 0);
            QVERIFY(scanner.Send(bibs));
            QTRY_COMPARE_WITH_TIMEOUT(FileBytes(record).count('\n'), lines, 60000);
        }
        scanner.Close(); // the program ends with its scanner, and the trace is complete once strace ends
        QVERIFY(program.waitForFinished(60000));

        TraceChecker checker;
        checker.folder = QDir::cleanPath(folder);
        checker.record = QDir::cleanPath(record);
        checker.Replay(FileBytes(trace));
        // Every file the program wrote beside the record file is held to the same rules.
        QVERIFY2(checker.faults.isEmpty(), qPrintable(checker.faults.join(QLatin1Char('\n'))));
        QCOMPARE(checker.appends, 5);  // 101, 102, 103, 104 and 106
        QCOMPARE(checker.rewrites, 1); // the whole list after 105
        QCOMPARE(FileBytes(record), QByteArray("1;101\r\n2;102\r\n3;103\r\n4;104\r\n5;105\r\n6;106\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestDurabilityTrace)
#include "tst_durability_trace.moc"
