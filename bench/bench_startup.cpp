// Cold start: from the process's start to the main window shown (offscreen), without a record
// file and with a 1,000,000-record file named on the command line, each a fresh process; beside
// it the start of a bare Qt widgets process that shows an empty window, and the peak memory.
//   bench_startup [folder]

#include "BenchCommon.h"
#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"
#include "records/StnFormat.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstdio>
#include <vector>

namespace {

const auto kProcessStart = std::chrono::steady_clock::now();

double MillisecondsSinceStart() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - kProcessStart).count();
}

// One measured start in this process: "bare" shows an empty QWidget, "main" the main window.
int OneStart(int argc, char* argv[], const QString& mode, const QString& file) {
    QApplication application(argc, argv);
    SetMessagePresenter([](const MessageRequest& request) {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        return MsgAnswer::Ok;
    });
    QWidget* shown = nullptr;
    std::unique_ptr<ProcessLanguage> language; // the main window's, as the program's entry holds it
    if (mode == QLatin1String("bare")) {
        shown = new QWidget;
        shown->show();
    } else {
        language = std::make_unique<ProcessLanguage>();
        auto* window = new frmMain(file);
        window->Form_Load();
        window->show();
        shown = window;
    }
    if (!QTest::qWaitForWindowExposed(shown))
        return 1;
    std::printf("%.3f %.1f\n", MillisecondsSinceStart(), StatusMegabytes("VmHWM"));
    std::fflush(stdout);
    std::_Exit(0); // no teardown: closing would keep a dated copy and is not part of the start
}

// Runs this program for one start several times and returns the median time and peak memory.
std::pair<double, double> Measure(const QString& self, const QStringList& arguments, const QProcessEnvironment& env) {
    std::vector<double> times, peaks;
    for (int run = 0; run < 5; ++run) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(self, arguments);
        process.waitForFinished(120000);
        const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() == 2) {
            times.push_back(figures[0].toDouble());
            peaks.push_back(figures[1].toDouble());
        }
    }
    return {Median(times), Median(peaks)};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 3 && qstrcmp(argv[1], "--one") == 0)
        return OneStart(argc, argv, QString::fromLocal8Bit(argv[2]),
                        argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());

    QCoreApplication application(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir folder(base + QStringLiteral("/bench-XXXXXX"));
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.insert(QLatin1String(variable), home.path());

    const QString file = folder.filePath(QStringLiteral("start-1m.stn"));
    QVector<tBib> records(1000000);
    for (qsizetype i = 0; i < records.size(); ++i)
        records[i].Bib = 1 + static_cast<qint32>((qint64(i) * 7919) % 5000);
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(FormatStn(records));
    out.close();

    const QString self = QCoreApplication::applicationFilePath();
    const auto bare = Measure(self, {QStringLiteral("--one"), QStringLiteral("bare")}, env);
    const auto empty = Measure(self, {QStringLiteral("--one"), QStringLiteral("main")}, env);
    const auto full = Measure(self, {QStringLiteral("--one"), QStringLiteral("main"), file}, env);
    std::printf("BENCH startup_bare_qt_window_floor %.3f ms\n", bare.first);
    std::printf("BENCH startup_to_window_shown %.3f ms\n", empty.first);
    std::printf("BENCH startup_to_window_shown_1m %.3f ms\n", full.first);
    std::printf("BENCH startup_peak_rss_bare_floor %.1f MB\n", bare.second);
    std::printf("BENCH startup_peak_rss_1m %.1f MB\n", full.second);
    return 0;
}
