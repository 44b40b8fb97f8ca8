// Scanner burst benchmark, offscreen: the main window holds a million records while a barcode
// scanner on a real pseudo-terminal sends 50 codes a second for 20 seconds, and the operator types a
// bib now and then in the burst's middle half. Reports the codes lost (all must arrive), whether their order held, and
// the Enter-to-disk latency of the typed bibs (the wait behind the scanner's work included) beside the bare
// write+fdatasync floor, measured in turn with them at the same moments of the burst.
//   bench_scanner [--quick] [folder]   (a temporary folder in it, by default in the current one;
//                                       --quick changes nothing: the burst is the measure)

#include "../tests/hardening/ScannerPty.h"
#include "WindowBench.h"
#include "lang/clsLanguage.h"
#include "recording/BarcodeScanner.h"
#include "recording/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRecords = 1000000;
constexpr int kCodesPerSecond = 50;
constexpr int kBurstSeconds = 20;
constexpr int kCodes = kCodesPerSecond * kBurstSeconds;
constexpr qint32 kFirstCode = 10000;   // code i scans bib kFirstCode + i
constexpr qint32 kFirstTyped = 900000; // typed bib k is kFirstTyped + k
constexpr int kTypedEvery = 10; // after every tenth code of the burst's middle half a typed bib or, in turn, the floor

// The operator: a typed bib is due at the moment its event is posted, and is typed and entered as
// soon as the window gets to it, so its latency includes the wait behind the scanner's work. Every
// other turn the digits are typed and the floor is measured instead, in the same conditions.
class Operator : public QObject {
public:
    Operator(QLineEdit* entry, QByteArray barePath) : m_entry(entry), m_barePath(std::move(barePath)) {}

    void Due() {
        m_due.restart();
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }
    const std::vector<double>& Latencies() const { return m_latencies; }
    const std::vector<double>& Floors() const { return m_floors; }
    // Measured right after a typed bib's sync, which makes a sync quicker on a virtual disk.
    const std::vector<double>& FloorsAfterSync() const { return m_floorsAfterSync; }
    const std::vector<double>& Waits() const { return m_waits; }
    int Typed() const { return m_typed; }

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (!m_entry->text().isEmpty()) { // a code half read: the operator waits for the box
            QTimer::singleShot(1, this, [this] { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); });
            return true;
        }
        const double waited = m_due.nsecsElapsed() / 1e3;
        const qint32 bib = kFirstTyped + m_typed;
        QTest::keyClicks(m_entry, QString::number(bib));
        if (m_floorTurn) {
            m_floors.push_back(BareAppend(m_barePath, FormatStnLine(m_typed, bib)));
            m_entry->clear();
        } else {
            ++m_typed;
            QElapsedTimer enter;
            enter.start();
            QTest::keyClick(m_entry, Qt::Key_Return);
            m_latencies.push_back(waited + enter.nsecsElapsed() / 1e3);
            m_waits.push_back(waited);
            m_floorsAfterSync.push_back(BareAppend(m_barePath, FormatStnLine(m_typed, bib)));
        }
        m_floorTurn = !m_floorTurn;
        return true;
    }

private:
    QLineEdit* m_entry;
    QByteArray m_barePath;
    QElapsedTimer m_due;
    int m_typed = 0;
    bool m_floorTurn = false;
    std::vector<double> m_latencies, m_floors, m_floorsAfterSync, m_waits;
};

QByteArray Code(int i) {
    return QByteArray::number(kFirstCode + i) + '\r';
}

// Sends the codes at their moments, 20 ms apart; a late tick sends every code due by then at once,
// as a scanner's bytes wait in the serial line.
void Burst(ScannerPty& scanner, Operator& typist) {
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1000 / kCodesPerSecond);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 due = qMin<qint64>(kCodes, clock.elapsed() * kCodesPerSecond / 1000 + 1);
        while (sent < due) {
            if (scanner.TrySend(Code(sent)) != Code(sent).size())
                std::printf("the terminal took code %d only in part\n", sent);
            ++sent;
            if (sent > kCodes / 4 && sent <= kCodes * 3 / 4 && sent % kTypedEvery == 0)
                QTimer::singleShot(1000 / kCodesPerSecond / 2, &typist, [&typist] { typist.Due(); });
        }
        if (sent == kCodes)
            ticks.stop();
    });
    // The window runs in an event loop as the program's own: it wakes for each event at once
    // (QTest::qWaitFor would sleep 10 ms between its rounds, and every typed bib would wait for that).
    QEventLoop loop;
    QTimer::singleShot((kBurstSeconds + 30) * 1000, &loop, &QEventLoop::quit);
    QObject::connect(&ticks, &QTimer::timeout, &loop, [&] {
        if (sent == kCodes)
            QTimer::singleShot(1000 / kCodesPerSecond, &loop, &QEventLoop::quit); // the last typed bib's turn
    });
    ticks.start();
    loop.exec();
    if (sent != kCodes)
        std::printf("only %d codes were sent\n", sent);
}

// Reads the passages after the first `skip` records of the file and checks them against what was
// sent: every code in its order, every typed bib, nothing else.
void CheckFile(const QString& path, int skip, int typed) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    std::vector<qint32> codes, typedBibs;
    int others = 0;
    int line = 0;
    for (QByteArray text = file.readLine(); !text.isEmpty(); text = file.readLine()) {
        if (++line <= skip)
            continue;
        const qint32 bib = text.trimmed().split(';').value(1).toInt();
        if (bib >= kFirstCode && bib < kFirstCode + kCodes)
            codes.push_back(bib);
        else if (bib >= kFirstTyped && bib < kFirstTyped + typed)
            typedBibs.push_back(bib);
        else
            ++others;
    }
    std::vector<bool> arrived(kCodes);
    bool ordered = true;
    for (size_t i = 0; i < codes.size(); ++i) {
        arrived[size_t(codes[i] - kFirstCode)] = true;
        ordered = ordered && (i == 0 || codes[i] > codes[i - 1]);
    }
    for (int i = 0; i < kCodes; ++i) {
        if (!arrived[size_t(i)])
            std::printf("code %d (bib %d) is not in the file\n", i, kFirstCode + i);
    }
    Print("scanner_burst_codes_sent", kCodes, "codes");
    Print("scanner_burst_codes_lost", double(std::count(arrived.begin(), arrived.end(), false)), "codes");
    Print("scanner_burst_order_kept", ordered && int(codes.size()) == kCodes ? 1 : 0, "yes");
    Print("scanner_burst_typed_lost", double(typed - int(typedBibs.size())), "bibs");
    Print("scanner_burst_other_records", others, "records");
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    IsolateProcess(home.path());
    QApplication application(argc, argv);
    const ProcessLanguage language; // as the program holds it around its windows
    PrintMessages(home.path());
    const BenchArguments arguments = ParseBenchArguments(argc, argv);
    QTemporaryDir folder(arguments.folder + QStringLiteral("/bench-XXXXXX"));
    ScannerPty scanner;
    if (!folder.isValid() || !scanner.IsValid()) {
        std::printf("cannot create a folder in %s or a terminal\n", qPrintable(arguments.folder));
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("burst-1m.stn"));
    WriteRecordFile(path, kRecords);
    auto* window = new frmMain(path);
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window) || window->Records().Count() != kRecords) {
        std::printf("the window did not show the records\n");
        return 1;
    }
    auto* entry = window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
    // The first passage writes the times file for every record; the burst meets it in step.
    QTest::keyClicks(entry, QString::number(kFirstTyped - 1));
    QTest::keyClick(entry, Qt::Key_Return);
    if (window->Records().Count() != kRecords + 1)
        std::printf("the first passage was not recorded\n");
    window->findChild<BarcodeScanner*>()->Open(scanner.Device());

    Operator typist(entry, QFile::encodeName(folder.filePath(QStringLiteral("append-bare.stn"))));
    Burst(scanner, typist);
    const int expected = kRecords + 1 + kCodes + typist.Typed();
    if (!QTest::qWaitFor([&] { return window->Records().Count() >= expected && entry->text().isEmpty(); }, 30000))
        std::printf("the window holds %d records, %d expected\n", window->Records().Count(), expected);
    CheckFile(path, kRecords + 1, typist.Typed());
    const double latency = Median(typist.Latencies());
    const double floor = Median(typist.Floors());
    Print("scanner_burst_typed_bibs", typist.Typed(), "bibs");
    Print("scanner_burst_typed_enter_to_disk_median", latency, "us");
    Print("scanner_burst_typed_enter_to_disk_max",
          typist.Latencies().empty() ? 0 : *std::max_element(typist.Latencies().begin(), typist.Latencies().end()),
          "us");
    Print("scanner_burst_typed_wait_median", Median(typist.Waits()), "us");
    Print("scanner_burst_bare_floor_median", floor, "us");
    Print("scanner_burst_bare_floor_right_after_a_sync_median", Median(typist.FloorsAfterSync()), "us");
    Print("scanner_burst_typed_ratio_to_floor", floor > 0 ? latency / floor : 0, "x");
    delete window; // without closing: closing would keep a dated copy of the changed file
    return 0;
}
