// Record file benchmark: reading a large file, durable appends (with their passage times) and a
// rewrite after one edit, each printed beside the floor it is compared with (the same work done
// bare on the same disk).
//   bench_records [--quick] [folder]   (a temporary folder in it, by default in the current one;
//                                       --quick: 1,000 appends instead of 10,000)

#include "BenchCommon.h"
#include "base/MessageBox.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/StnFormat.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

void WriteFixture(const QString& path, int records) {
    QVector<tBib> list(records);
    for (int i = 0; i < records; ++i)
        list[i].Bib = 1 + static_cast<qint32>((qint64(i) * 7919) % 5000); // no int overflow
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(FormatStn(list));
}

// The times file of a fixture: every record with a time, 50 ms after the one before.
void WriteTimesFixture(const QString& path, int records) {
    QByteArray bytes;
    for (int i = 0; i < records; ++i) {
        const qint64 ms = qint64(i) * 50;
        char line[80];
        const int size = std::snprintf(line, sizeof line, "%d;%d;2026-05-03T%02d:%02d:%02d.%03d+02:00\r\n", i + 1,
                                       int(1 + (qint64(i) * 7919) % 5000), int(ms / 3600000), int(ms / 60000 % 60),
                                       int(ms / 1000 % 60), int(ms % 1000));
        bytes.append(line, size);
    }
    QFile file(TimesSidecar::PathFor(path));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

void BenchRead(const QString& folder) {
    const QString path = folder + QStringLiteral("/read-1m.stn");
    const QString timedPath = folder + QStringLiteral("/read-1m-timed.stn");
    WriteFixture(path, 1000000);
    WriteFixture(timedPath, 1000000);
    WriteTimesFixture(timedPath, 1000000);
    std::vector<double> parsed, timed, raw;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        raw.push_back(MillisecondsSince(timer));

        clsFile records;
        timer.restart();
        records.OpenFile(path);
        parsed.push_back(MillisecondsSince(timer));
        if (records.Count() != 1000000)
            std::printf("read returned %d records\n", records.Count());

        clsFile withTimes;
        timer.restart();
        withTimes.OpenFile(timedPath);
        timed.push_back(MillisecondsSince(timer));
        if (withTimes.TimesState().kind != TimesFileState::Kind::InStep || !withTimes.PassageTime(999999).isValid())
            std::printf("the passage times were not read\n");
    }
    Print("read_1m_records", Median(parsed), "ms");
    Print("read_1m_records_with_times", Median(timed), "ms");
    Print("read_1m_raw_bytes_floor", Median(raw), "ms");
}

// A passage as the program records it (the record file's line made durable, then the times
// file's line written) and the sync of that time line, which the window leaves until the passage
// was acknowledged; beside the record file's durable append alone, as it was before times were
// kept, and beside the floor: one bare write and fdatasync.
void BenchAppend(const QString& folder, int appendCount) {
    const QString path = folder + QStringLiteral("/append.stn");
    const QString timesOffPath = folder + QStringLiteral("/append-times-off.stn");
    const QByteArray barePath = QFile::encodeName(folder + QStringLiteral("/append-bare.stn"));
    QFile::remove(path);
    WriteFixture(path, 0);
    clsFile records;
    records.OpenFile(path);
    std::vector<double> appends, settles, timesOff, bare;
    for (int i = 0; i < appendCount; ++i) {
        // Interleaved, so all three see the same disk conditions.
        const qint32 bib = 100 + i % 900;
        QElapsedTimer timer;
        timer.start();
        records.AddBib(bib);
        appends.push_back(timer.nsecsElapsed() / 1e3);
        timer.restart();
        records.SettleTimes();
        settles.push_back(timer.nsecsElapsed() / 1e3);
        timer.restart();
        AppendDurably(timesOffPath, FormatStnLine(i + 1, bib));
        timesOff.push_back(timer.nsecsElapsed() / 1e3);
        bare.push_back(BareAppend(barePath, FormatStnLine(i + 1, bib)));
    }
    if (!records.TimesSaved() || records.PassageTime(records.Count() - 1).isNull())
        std::printf("the passage times were not kept\n");
    const double median = Median(appends);
    const double floor = Median(bare);
    Print("append_median", median, "us");
    Print("append_time_line_sync_median", Median(settles), "us");
    Print("append_times_off_median", Median(timesOff), "us");
    Print("append_bare_floor_median", floor, "us");
    Print("append_ratio_to_floor", median / floor, "x");
    Print("append_ratio_to_times_off", median / Median(timesOff), "x");
}

// One bib edited in a file of 100k records, each with its time.
void BenchRewrite(const QString& folder) {
    const QString path = folder + QStringLiteral("/rewrite-100k.stn");
    WriteFixture(path, 100000);
    WriteTimesFixture(path, 100000);
    clsFile records;
    records.OpenFile(path);
    std::vector<double> rewrites, syncs;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        records.EditBib(50000, 1000 + run);
        rewrites.push_back(MillisecondsSince(timer));

        // The floor's syncs: the bytes of both files, written bare and each made durable once
        // (the times file holds three times the record file's bytes).
        double synced = 0;
        for (const QString& file : {path, TimesSidecar::PathFor(path)}) {
            const QByteArray bytes = ReadWholeFile(file);
            const QByteArray syncPath = QFile::encodeName(folder + QStringLiteral("/sync-floor"));
            const int fd = ::open(syncPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (::write(fd, bytes.constData(), bytes.size()) != bytes.size())
                std::printf("sync floor write failed\n");
            timer.restart();
            ::fdatasync(fd);
            synced += MillisecondsSince(timer);
            ::close(fd);
        }
        syncs.push_back(synced);
    }
    if (records.TimesState().kind != TimesFileState::Kind::InStep || !records.PassageTime(99999).isValid() ||
        !records.TimesSaved())
        std::printf("the passage times were not kept\n");
    Print("rewrite_100k_after_edit", Median(rewrites), "ms");
    Print("rewrite_100k_sync_floor", Median(syncs), "ms");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
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
    BenchRead(folder.path());
    BenchRewrite(folder.path());
    BenchAppend(folder.path(), arguments.quick ? 1000 : 10000);
    return 0;
}
