// The program's main window recording scanned bibs under a system-call trace (strace; the window
// with its scanner switched on runs in the kill suite's helper process): the order of its
// calls shows that every passage is on the disk before the next one is written, and that every
// rewrite of a record file replaces it only with content already on the disk.

#include "ScanHelper.h"
#include "ScannerPty.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <signal.h>
#include <utility>

namespace {

// What the trace shows for one file.
struct FileReport {
    int appends = 0;  // writes to the file under its own name, each followed by a sync
    int rewrites = 0; // synced content given the file's name (rename, linkat), then its folder synced
    QStringList faults;
};

// Replays a trace of `strace -f` (openat, write, pwrite64, writev, fdatasync, fsync, rename*,
// linkat, close) and follows the content of each file by path, whichever descriptor or
// temporary name it is written through.
class TraceChecker {
public:
    explicit TraceChecker(const QString& folder) : m_folder(QDir::cleanPath(folder)) {}

    void Replay(const QByteArray& trace) {
        QHash<QString, QString> unfinished; // pid -> call begun on a line of its own
        static const QRegularExpression resumed(QStringLiteral("^<\\.\\.\\. \\w+ resumed>"));
        for (const QByteArray& raw : trace.split('\n')) {
            QString line = QString::fromUtf8(raw);
            const QString pid = line.section(QLatin1Char(' '), 0, 0);
            line = line.section(QLatin1Char(' '), 1).trimmed();
            if (line.endsWith(QLatin1String("<unfinished ...>"))) {
                unfinished[pid] = line.chopped(16);
                continue;
            }
            if (line.contains(resumed))
                line = unfinished.take(pid) + line.remove(resumed);
            Call(line);
        }
        for (auto it = m_pendingFolderSync.cbegin(); it != m_pendingFolderSync.cend(); ++it)
            m_reports[it.key()].faults << QStringLiteral("got its name, but its folder was never synced");
    }

    // Every file written under a name in the folder.
    const QHash<QString, FileReport>& Reports() const { return m_reports; }

private:
    struct Content {
        bool written = false;
        bool unsynced = false;
        bool folder = false;
        QString path; // its name in the folder while it has one
    };
    using ContentPtr = std::shared_ptr<Content>;

    void Call(const QString& line) {
        static const QRegularExpression call(QStringLiteral("^(\\w+)\\((.*)\\)\\s+= (-?\\d+)"));
        const QRegularExpressionMatch match = call.match(line);
        if (!match.hasMatch() || match.captured(3).toLongLong() < 0)
            return; // a failed call changes nothing
        const QString name = match.captured(1);
        const QString args = match.captured(2);
        const int result = match.captured(3).toInt();
        const QStringList paths = QuotedPaths(args);
        const int fd = args.section(QLatin1Char(','), 0, 0).toInt();
        if (name == QLatin1String("openat"))
            Opened(paths.value(0), args, result);
        else if (name == QLatin1String("write") || name == QLatin1String("pwrite64") || name == QLatin1String("writev"))
            Written(fd);
        else if (name == QLatin1String("fdatasync") || name == QLatin1String("fsync"))
            Synced(fd);
        else if (name == QLatin1String("close"))
            Closed(fd);
        else if (name == QLatin1String("linkat"))
            Linked(args, paths);
        else if (name.startsWith(QLatin1String("rename")) && paths.size() == 2)
            Renamed(paths[0], paths[1]);
    }

    static QStringList QuotedPaths(const QString& args) {
        static const QRegularExpression quoted(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
        QStringList paths;
        for (auto it = quoted.globalMatch(args); it.hasNext();)
            paths << QDir::cleanPath(it.next().captured(1));
        return paths;
    }

    bool Watched(const QString& path) const { return QFileInfo(path).absolutePath() == m_folder; }

    void Opened(const QString& path, const QString& args, int fd) {
        m_open.remove(fd);
        if (path == m_folder) { // the folder itself, or an unnamed file in it (O_TMPFILE)
            auto content = std::make_shared<Content>();
            content->folder = !args.contains(QLatin1String("O_TMPFILE"));
            if (content->folder)
                content->path = path;
            m_open[fd] = content;
            return;
        }
        if (!Watched(path))
            return;
        ContentPtr& content = m_named[path];
        if (!content || args.contains(QLatin1String("O_TRUNC")))
            content = std::make_shared<Content>(Content{false, false, false, path});
        m_open[fd] = content;
    }

    void Written(int fd) {
        const ContentPtr content = m_open.value(fd);
        if (!content)
            return;
        if (content->unsynced && !content->path.isEmpty())
            Fault(content->path, QStringLiteral("written again before its last write was synced"));
        if (!content->path.isEmpty() && m_pendingFolderSync.contains(content->path))
            Fault(content->path, QStringLiteral("written before its folder was synced after it got its name"));
        if (!content->path.isEmpty() && !content->unsynced)
            ++m_reports[content->path].appends;
        content->written = true;
        content->unsynced = true;
    }

    void Synced(int fd) {
        const ContentPtr content = m_open.value(fd);
        if (!content)
            return;
        if (content->folder) {
            for (auto it = m_pendingFolderSync.begin(); it != m_pendingFolderSync.end();)
                it = QFileInfo(it.key()).absolutePath() == content->path ? m_pendingFolderSync.erase(it) : ++it;
        }
        content->unsynced = false;
    }

    void Closed(int fd) {
        const ContentPtr content = m_open.take(fd);
        if (content && content->unsynced && !content->path.isEmpty())
            Fault(content->path, QStringLiteral("closed with a write not synced"));
    }

    // An unnamed file gets its name: linkat(fd, "", ...) or linkat(..., "/proc/self/fd/N", ...).
    void Linked(const QString& args, const QStringList& paths) {
        static const QRegularExpression procFd(QStringLiteral("^/proc/self/fd/(\\d+)$"));
        const QRegularExpressionMatch match = procFd.match(paths.value(0));
        const int fd = match.hasMatch() ? match.captured(1).toInt() : args.section(QLatin1Char(','), 0, 0).toInt();
        if (const ContentPtr content = m_open.value(fd))
            Published(content, paths.value(1));
    }

    void Renamed(const QString& from, const QString& to) {
        const ContentPtr content = m_named.take(from);
        m_pendingFolderSync.remove(from);
        if (content && m_reports.contains(from) && m_reports[from].faults.isEmpty())
            m_reports.remove(from); // a temporary name, checked as the file it becomes
        if (content)
            Published(content, to);
    }

    // Content that takes a name must be on the disk already, and its folder is synced next.
    void Published(const ContentPtr& content, const QString& path) {
        if (!Watched(path))
            return;
        if (!content->written)
            Fault(path, QStringLiteral("replaced by a file nothing was written to"));
        else if (content->unsynced)
            Fault(path, QStringLiteral("replaced by content not yet synced"));
        ++m_reports[path].rewrites;
        content->path = path;
        m_named[path] = content;
        m_pendingFolderSync.insert(path, true);
    }

    void Fault(const QString& path, const QString& fault) { m_reports[path].faults << fault; }

    QString m_folder;
    QHash<int, ContentPtr> m_open;
    QHash<QString, ContentPtr> m_named;
    QHash<QString, FileReport> m_reports;
    QHash<QString, bool> m_pendingFolderSync;
};

int LinesIn(const QString& path) {
    return int(FileBytes(path).count('\n'));
}

// The process strace started: the program.
qint64 TracedChild(qint64 stracePid) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(stracePid));
    return children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().split(' ').value(0).toLongLong() : 0;
}

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
        qint64 marklog = 0;
        auto stop = qScopeGuard([&] {
            if (marklog > 0)
                ::kill(pid_t(marklog), SIGKILL);
            program.waitForFinished(60000);
        });
        QTRY_VERIFY_WITH_TIMEOUT((marklog = TracedChild(program.processId())) > 0 && scanner.IsOpenedBy(marklog),
                                 120000);

        // Passages one by one and several in one piece; then the file vanishes (a pulled stick),
        // so the next passage rewrites the whole list into a new file; then appending goes on.
        QVERIFY(scanner.Send("101\r"));
        QTRY_COMPARE_WITH_TIMEOUT(LinesIn(record), 1, 60000);
        QVERIFY(scanner.Send("102\r103\r104\r"));
        QTRY_COMPARE_WITH_TIMEOUT(LinesIn(record), 4, 60000);
        QVERIFY(QFile::remove(record));
        QVERIFY(scanner.Send("105\r"));
        QTRY_COMPARE_WITH_TIMEOUT(LinesIn(record), 5, 60000);
        QVERIFY(scanner.Send("106\r"));
        QTRY_COMPARE_WITH_TIMEOUT(LinesIn(record), 6, 60000);
        ::kill(pid_t(std::exchange(marklog, 0)), SIGKILL); // the trace is complete once strace ends
        QVERIFY(program.waitForFinished(60000));

        QFile traced(trace);
        QVERIFY(traced.open(QIODevice::ReadOnly));
        TraceChecker checker(folder);
        checker.Replay(traced.readAll());
        // Every file the program wrote beside the record file is held to the same rules.
        for (auto it = checker.Reports().cbegin(); it != checker.Reports().cend(); ++it)
            QVERIFY2(it->faults.isEmpty(), qPrintable(it.key() + QStringLiteral(": ") + it->faults.join(", ")));
        const FileReport report = checker.Reports().value(record);
        QCOMPARE(report.appends, 5);  // 101, 102, 103, 104 and 106
        QCOMPARE(report.rewrites, 1); // the whole list after 105
        QCOMPARE(FileBytes(record), QByteArray("1;101\r\n2;102\r\n3;103\r\n4;104\r\n5;105\r\n6;106\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestDurabilityTrace)
#include "tst_durability_trace.moc"
