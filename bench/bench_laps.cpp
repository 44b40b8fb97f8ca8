// Lap counter benchmark: a refresh over 100,000 and 1,000,000 passages, counting alone and in the
// window (offscreen, list update and repaint included), each beside `sort | uniq -c | sort -rn`
// over the same bibs, the shell's way of counting passages per bib; and one more passage into the
// standings with the window's automatic refresh and repaint, beside its floors: a repaint with
// nothing changed, and one hash increment (the least any count per bib does).
//   bench_laps [--quick]   (--quick: only the 1,000,000 passages of 100,000 bibs, fewer runs)

#include "BenchCommon.h"
#include "base/MessageBox.h"
#include "lapcounter/LapCounting.h"
#include "lapcounter/LapStandings.h"
#include "lapcounter/frmLapcounter.h"
#include "records/StnFormat.h"
#include "records/clsFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// Passages in race order: each bib from 1 to bibCount, drawn at random.
QVector<tBib> MakePassages(int passages, int bibCount) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<qint32> bib(1, bibCount);
    QVector<tBib> list(passages);
    for (tBib& record : list)
        record.Bib = bib(random);
    return list;
}

LapListInput Input() {
    LapListInput input;
    input.targetText = QStringLiteral("1000");
    input.minimumText = QStringLiteral("0");
    input.descending = true;
    input.bibHeading = QStringLiteral("Bib");
    input.lapsHeading = QStringLiteral("Laps");
    input.remainingHeading = QStringLiteral("Remaining");
    return input;
}

double Pipeline(const QString& bibsFile, bool cLocale) {
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (cLocale)
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    shell.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("sort \"$0\" | uniq -c | sort -rn > /dev/null"), bibsFile});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        std::printf("pipeline failed: %s\n", shell.readAllStandardError().constData());
    return MillisecondsSince(timer);
}

// The measured steps stay functions of their own, so a profiler can be told to count only them
// (valgrind --tool=callgrind --toggle-collect='*CountFromNothing*').
// Every line's text is made, as the pipeline writes every line.
Q_NEVER_INLINE void CountFromNothing(const clsFile& records, QStringList& lines) {
    LapStandings standings(records);
    standings.Sync();
    LapList list;
    BuildLapList(standings, Input(), list);
    lines = list.Lines();
}

Q_NEVER_INLINE void RefreshWindow(frmLapcounter& window) {
    window.cmdRequery_Click();
    window.repaint(); // lays the list out and paints it, as the user sees it
    QApplication::processEvents();
}

// One passage more: the file's append is not timed, the standings' step and the window's
// automatic refresh with its repaint are.
void PassageIntoStandings(clsFile& records, frmLapcounter& window, int bibCount, const QString& name) {
    window.findChild<QCheckBox*>(QStringLiteral("chkAuto"))->setChecked(true);
    window.cmdRequery_Click();
    const auto paint = [&window] {
        window.repaint();
        QApplication::processEvents();
    };
    paint();
    std::mt19937 random(7);
    std::uniform_int_distribution<qint32> bib(1, bibCount);
    std::vector<double> passage, repaint, count;
    QHash<qint32, qint32> laps;
    for (int run = 0; run < 200; ++run) {
        records.AddBib(bib(random));
        QElapsedTimer timer;
        timer.start();
        window.RecordsChanged();
        paint();
        passage.push_back(MillisecondsSince(timer));
        timer.restart();
        paint();
        repaint.push_back(MillisecondsSince(timer));
        timer.restart();
        ++laps[bib(random)];
        count.push_back(MillisecondsSince(timer));
    }
    Print(QStringLiteral("lap_passage_window_") + name, Median(passage), "ms");
    Print(QStringLiteral("lap_passage_floor_repaint_") + name, Median(repaint), "ms");
    Print(QStringLiteral("lap_passage_floor_hash_increment_") + name, Median(count), "ms");
}

void BenchCase(const QString& folder, const QString& name, int passages, int bibCount, int runs) {
    const QVector<tBib> list = MakePassages(passages, bibCount);
    const QString stnPath = folder + QStringLiteral("/laps-") + name + QStringLiteral(".stn");
    const QString bibsPath = folder + QStringLiteral("/bibs-") + name + QStringLiteral(".txt");
    QFile stn(stnPath);
    stn.open(QIODevice::WriteOnly | QIODevice::Truncate);
    stn.write(FormatStn(list));
    stn.close();
    QByteArray bibLines;
    for (const tBib& record : list)
        bibLines += QByteArray::number(record.Bib) + '\n';
    QFile bibs(bibsPath);
    bibs.open(QIODevice::WriteOnly | QIODevice::Truncate);
    bibs.write(bibLines);
    bibs.close();

    clsFile records;
    if (!records.OpenFile(stnPath) || records.Count() != passages) {
        std::printf("fixture %s did not load\n", qPrintable(name));
        return;
    }

    std::vector<bool> seen(bibCount + 1);
    for (const tBib& record : list)
        seen[record.Bib] = true;
    const int expectedLines = static_cast<int>(std::count(seen.begin(), seen.end(), true)) + 2;

    std::vector<double> counting;
    QStringList lines;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        CountFromNothing(records, lines);
        counting.push_back(MillisecondsSince(timer));
    }
    if (lines.size() != expectedLines)
        std::printf("counting gave %lld lines\n", static_cast<long long>(lines.size()));

    frmLapcounter window(records);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    for (QLineEdit* field : window.findChildren<QLineEdit*>(QStringLiteral("txtLapCount")))
        field->setText(field->property("index").toInt() == 0 ? QStringLiteral("1000") : QStringLiteral("0"));
    window.show();
    QApplication::processEvents();
    std::vector<double> refresh;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        RefreshWindow(window);
        refresh.push_back(MillisecondsSince(timer));
    }
    const auto* list1 = window.findChild<QListView*>(QStringLiteral("List1"));
    if (list1->model()->rowCount() != expectedLines)
        std::printf("the window shows %d lines\n", list1->model()->rowCount());

    PassageIntoStandings(records, window, bibCount, name);

    std::vector<double> pipeline, pipelineC;
    for (int run = 0; run < 3; ++run) {
        pipeline.push_back(Pipeline(bibsPath, false));
        pipelineC.push_back(Pipeline(bibsPath, true));
    }
    const double count = Median(counting);
    const double fastestPipeline = std::min(Median(pipeline), Median(pipelineC));
    Print(QStringLiteral("lap_count_") + name, count, "ms");
    Print(QStringLiteral("lap_refresh_window_") + name, Median(refresh), "ms");
    Print(QStringLiteral("lap_pipeline_sort_uniq_") + name, Median(pipeline), "ms");
    Print(QStringLiteral("lap_pipeline_sort_uniq_c_locale_") + name, Median(pipelineC), "ms");
    Print(QStringLiteral("lap_count_ratio_to_pipeline_") + name, count / fastestPipeline, "x");
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::printf("cannot create a temporary folder\n");
        return 1;
    }
    // The window reads its settings at load; keep the user's own out of the measurement.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    QApplication application(argc, argv);
    SetMessagePresenter([](const MessageRequest& request) {
        std::printf("message: %s\n", qPrintable(request.text));
        return MsgAnswer::Ok;
    });
    const bool quick = application.arguments().contains(QStringLiteral("--quick"));
    if (!quick) {
        BenchCase(folder.path(), QStringLiteral("100k"), 100000, 2000, 15);
        BenchCase(folder.path(), QStringLiteral("1m"), 1000000, 2000, 7);
    }
    BenchCase(folder.path(), QStringLiteral("1m_100k_bibs"), 1000000, 100000, quick ? 3 : 5);
    return 0;
}
