// Main window benchmark, offscreen: a file of a million records opened into the window (file read
// and grid load, then the first paint) with the process's peak memory, and bibs recorded through
// key events on the entry box, each synced before Enter returns, beside the bare write+fdatasync
// floor measured in the same run at the same moment of a passage.
//   bench_mainwindow [--quick] [folder]   (a temporary folder in it, by default in the current one;
//                                          --quick: 300 bibs instead of 1,000)

#include "WindowBench.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kRecords = 1000000;

frmMain* BenchOpen(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
    }
    const double rawRead = timer.nsecsElapsed() / 1e6;

    const double rssBefore = StatusMegabytes("VmRSS");
    timer.restart();
    auto* window = new frmMain(path);
    window->Form_Load();
    const double opened = timer.nsecsElapsed() / 1e6;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        std::printf("the window was not shown\n");
    window->repaint();
    const double shown = timer.nsecsElapsed() / 1e6;
    if (window->Records().Count() != kRecords)
        std::printf("opened %d records\n", window->Records().Count());

    Print("mainwindow_open_1m", opened, "ms");
    Print("mainwindow_open_show_1m", shown, "ms");
    Print("mainwindow_open_1m_raw_read_floor", rawRead, "ms");
    Print("mainwindow_rss_before_open", rssBefore, "MB");
    Print("mainwindow_peak_rss_1m", StatusMegabytes("VmHWM"), "MB");
    return window;
}

// Enter on the entry box, a function of its own so a profiler can be told to count only it
// (valgrind --tool=callgrind --toggle-collect='*PressEnter*').
Q_NEVER_INLINE void PressEnter(QLineEdit* entry) {
    QTest::keyClick(entry, Qt::Key_Return);
}

// Between two runners the window is idle and paints what is still pending.
Q_NEVER_INLINE void IdleBetweenRunners() {
    QCoreApplication::processEvents();
}

// The operator types a bib's digits, which are painted one by one.
void TypeDigits(QLineEdit* entry, int bib) {
    QTest::keyClicks(entry, QString::number(bib));
    QCoreApplication::processEvents();
}

void BenchRecording(frmMain* window, const QString& folder, const QString& path, int typedBibs) {
    auto* entry = window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
    const QByteArray barePath = QFile::encodeName(folder + QStringLiteral("/append-bare.stn"));
    std::vector<double> typed, bare, afterSync;
    for (int i = 0; i < typedBibs; ++i) {
        // Neighbouring bibs differ, so the duplicate guard rejects none.
        const int bib = 100 + i % 900;
        // The latency of a record runs from the Enter key until the line is on the disk and the
        // passage acknowledged; what the window does after that (the grid's new row, the sync of
        // the time line) is done before the next runner.
        TypeDigits(entry, bib);
        QElapsedTimer timer;
        timer.start();
        PressEnter(entry);
        typed.push_back(timer.nsecsElapsed() / 1e3);
        afterSync.push_back(BareAppend(barePath, FormatStnLine(kRecords + i + 1, bib)));
        IdleBetweenRunners();
        // The floor at the same moment of a runner's passage: digits typed and painted, the disk
        // left alone since the last sync. Right after another sync (the window's own) a sync comes
        // out lower on the build machine's virtual disk; that figure is printed beside it.
        TypeDigits(entry, 100 + (i + 1) % 900);
        bare.push_back(BareAppend(barePath, FormatStnLine(kRecords + i + 1, bib)));
        entry->clear();
        IdleBetweenRunners();
    }
    // Every bib must be in the list and its line on the disk.
    const QByteArray lastLine = FormatStnLine(kRecords + typedBibs, 100 + (typedBibs - 1) % 900);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    file.seek(file.size() - lastLine.size());
    if (window->Records().Count() != kRecords + typedBibs || file.read(lastLine.size()) != lastLine)
        std::printf("recording went wrong: %d records\n", window->Records().Count());
    const double median = Median(typed);
    const double floor = Median(bare);
    Print("mainwindow_record_median", median, "us");
    Print("mainwindow_record_bare_floor_median", floor, "us");
    Print("mainwindow_record_bare_floor_right_after_a_sync_median", Median(afterSync), "us");
    Print("mainwindow_record_ratio_to_floor", median / floor, "x");
}

} // namespace

int main(int argc, char* argv[]) {
    // Offscreen, and with settings, data and log in a folder of its own: never the user's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(variable, QFile::encodeName(home.path()));
    QApplication application(argc, argv);
    const ProcessLanguage language; // as the program holds it around its windows
    SetLogFilePath(home.path() + QStringLiteral("/marklog.log"));
    SetMessagePresenter([](const MessageRequest& request) {
        std::printf("message: %s\n", qPrintable(request.text));
        return MsgAnswer::Ok;
    });
    const BenchArguments arguments = ParseBenchArguments(argc, argv);
    QTemporaryDir folder(arguments.folder + QStringLiteral("/bench-XXXXXX"));
    if (!folder.isValid()) {
        std::printf("cannot create a folder in %s\n", qPrintable(arguments.folder));
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("window-1m.stn"));
    WriteRecordFile(path, kRecords);
    frmMain* window = BenchOpen(path);
    BenchRecording(window, folder.path(), path, arguments.quick ? 300 : 1000);
    // Destroyed without closing: closing would keep a dated copy of the changed file.
    delete window;
    return 0;
}
