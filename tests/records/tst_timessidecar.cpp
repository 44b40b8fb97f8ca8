#include "TestEnvironment.h"
#include "app/Clock.h"
#include "records/StnFormat.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"

#include <QDir>
#include <QTimeZone>
#include <QtTest>

#include <memory>

namespace {

// The n-th time the clock hands out: one second apart, in a zone two hours ahead of UTC.
QByteArray T(int n) {
    return "2026-05-03T10:42:" + QByteArray::number(7 + n).rightJustified(2, '0') + ".315+02:00";
}

// "417 12" gives the record file, "417:0 12:" the times file (":n" the n-th time, ":" none).
QByteArray Stn(const QByteArray& bibs) {
    QByteArray bytes;
    int position = 0;
    for (const QByteArray& bib : bibs.split(' '))
        if (!bib.isEmpty())
            bytes += QByteArray::number(++position) + ';' + bib + "\r\n";
    return bytes;
}

QByteArray Times(const QByteArray& entries) {
    QByteArray bytes;
    int position = 0;
    for (const QByteArray& entry : entries.split(' ')) {
        if (entry.isEmpty())
            continue;
        const QList<QByteArray> parts = entry.split(':');
        bytes += QByteArray::number(++position) + ';' + parts[0] + ';' +
                 (parts[1].isEmpty() ? "" : T(parts[1].toInt())) + "\r\n";
    }
    return bytes;
}

// One step of a session as the main window drives the list: "a417" appends, "i1" inserts an
// empty record before index 1, "e1=13" edits, "d1" deletes, "m0" moves index 0 down (two edits
// stored together), "r" opens the file again.
void Run(clsFile& file, const QByteArray& step) {
    const QByteArray arg = step.mid(1);
    switch (step[0]) {
    case 'a':
        QVERIFY(file.AddBib(arg.toInt()));
        break;
    case 'i':
        QVERIFY(file.AddBib(0, arg.toInt()));
        break;
    case 'e':
        QVERIFY(file.EditBib(arg.split('=')[0].toInt(), arg.split('=')[1].toInt()));
        break;
    case 'd':
        QVERIFY(file.DeleteBib(arg.toInt()));
        break;
    case 'm': {
        const qint32 i = arg.toInt();
        const qint32 upper = file.GetRecord(i).Bib;
        file.BeginChange();
        QVERIFY(file.EditBib(i, file.GetRecord(i + 1).Bib));
        QVERIFY(file.EditBib(i + 1, upper));
        QVERIFY(file.EndChange());
        break;
    }
    default: {
        const QString path = file.FileName();
        file = clsFile(); // closed without a dated copy
        QVERIFY(file.OpenFile(path));
    }
    }
}

} // namespace

class TestTimesSidecar : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(QStringLiteral("race.stn"));
        m_ticks = 0;
        SetClockSource(
            [this] { return QDateTime(QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200)).addSecs(m_ticks++); });
    }
    void cleanup() {
        SetClockSource(nullptr);
        m_dir.reset();
        QVERIFY2(m_messages->lastText().isEmpty(), qPrintable(m_messages->lastText()));
        m_messages.reset();
        m_env.reset();
    }

    void followsSession_data() {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<QByteArray>("stn");
        QTest::addColumn<QByteArray>("times");
        QTest::addColumn<QList<int>>("repeat"); // bib, window, seconds since its last passage (-1: no warning)
        const auto row = [](const char* name, const char* steps, const char* stn, const char* times,
                            const QList<int>& repeat) {
            QTest::newRow(name) << QByteArray(steps) << Stn(stn) << Times(times) << repeat;
        };
        row("latest passage counts", "a417 a12 a417 a9", "417 12 417 9", "417:0 12:1 417:2 9:3", {417, 2, 2});
        row("beyond the window", "a417 a1 a2", "417 1 2", "417:0 1:1 2:2", {417, 2, -1});
        row("window 0 is off", "a417", "417", "417:0", {417, 0, -1});
        row("edit keeps the time", "a417 a12 e1=13", "417 13", "417:0 13:1", {13, 60, 1});
        row("corrected away", "a417 a12 e0=13", "13 12", "13:0 12:1", {417, 60, -1});
        row("insert has no time", "a417 a12 i1", "417 0 12", "417:0 0: 12:1", {0, 60, -1});
        row("passage after corrections", "a417 i0 e0=5 a8", "5 417 8", "5: 417:0 8:1", {5, 60, -1});
        row("delete takes its time", "a417 a12 a9 d1", "417 9", "417:0 9:2", {12, 60, -1});
        row("deleted passage leaves the one before", "a417 a12 a417 d2", "417 12", "417:0 12:1", {417, 60, 3});
        row("move leaves times at positions", "a417 a12 a9 m0", "12 417 9", "12:0 417:1 9:2", {12, 60, 3});
        row("deleting all", "a417 d0", "", "", {417, 60, -1});
        row("times survive reopening", "a417 a12 r a9 m1", "417 9 12", "417:0 9:1 12:2", {417, 60, 3});
    }
    // Through any session the record file is what it would be without times, the times file has
    // one line per record with the time of the passage recorded there, reads back the same, and
    // a bib's last passage is the latest time among its records.
    void followsSession() {
        QFETCH(QByteArray, steps);
        QFETCH(QByteArray, stn);
        QFETCH(QByteArray, times);
        QFETCH(QList<int>, repeat);
        WriteBytes(m_path, QByteArray());
        clsFile file;
        QVERIFY(file.OpenFile(m_path));
        for (const QByteArray& step : steps.split(' ')) {
            Run(file, step);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(FileBytes(m_path), stn);
        QCOMPARE(FileBytes(TimesSidecar::PathFor(m_path)), times);
        const std::optional<qint64> since = SecondsSinceRepeat(file.LastPassage(repeat[0]), Now(), repeat[1]);
        QCOMPARE(since.value_or(-1), qint64(repeat[2]));

        clsFile reread;
        QVERIFY(reread.OpenFile(m_path));
        QCOMPARE(reread.TimesState().kind, TimesFileState::Kind::InStep);
        QByteArray readBack;
        for (qint32 i = 0; i < reread.Count(); ++i)
            readBack += TimesSidecar::FormatLine(i + 1, reread.GetRecord(i).Bib, reread.PassageTime(i));
        QCOMPARE(readBack, times);
    }

    void distrustedLines_data() {
        QTest::addColumn<QByteArray>("sidecar"); // beside the records 417, 12, 9; "-" for none
        QTest::addColumn<QByteArray>("kept");    // the times file once bib 5 was recorded
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("dropped");
        using K = TimesFileState::Kind;

        const QByteArray all = Times("417:7 12:8 9:9");
        QTest::newRow("in step") << all << Times("417:7 12:8 9:9 5:0") << int(K::InStep) << 0;
        QTest::newRow("missing") << QByteArray("-") << Times("417: 12: 9: 5:0") << int(K::Missing) << 0;
        QTest::newRow("empty") << QByteArray() << Times("417: 12: 9: 5:0") << int(K::InStep) << 0;
        QTest::newRow("last passage without time (killed between the two writes)")
            << Times("417:7 12:8") << Times("417:7 12:8 9: 5:0") << int(K::InStep) << 0;
        QTest::newRow("truncated") << all.left(all.size() - 9) << Times("417:7 12:8 9: 5:0") << int(K::PartlyDropped)
                                   << 1;
        QTest::newRow("garbled line") << Times("417:7") + "x;;\r\n3;9;" + T(9) + "\r\n"
                                      << Times("417:7 12: 9:9 5:0") << int(K::PartlyDropped) << 1;
        QTest::newRow("garbled time") << QByteArray("1;417;yesterday\r\n2;12;" + T(8) + "\r\n")
                                      << Times("417: 12:8 9: 5:0") << int(K::PartlyDropped) << 1;
        QTest::newRow("bib edited by another program")
            << Times("417:7 13:8 9:9") << Times("417:7 12: 9:9 5:0") << int(K::PartlyDropped) << 1;
        QTest::newRow("record deleted by another program")
            << Times("417:7 6:8 12:9 9:10") << Times("417:7 12: 9: 5:0") << int(K::PartlyDropped) << 3;
        QTest::newRow("binary") << QByteArray("\0\xff\xfe;;;\n", 7) << Times("417: 12: 9: 5:0") << int(K::PartlyDropped)
                                << 1;
    }

    // The record file decides: lines that do not match the record at their position are dropped
    // and counted, the file still opens, and the next write brings the times file in step.
    void distrustedLines() {
        QFETCH(QByteArray, sidecar);
        QFETCH(QByteArray, kept);
        QFETCH(int, kind);
        QFETCH(int, dropped);
        WriteBytes(m_path, Stn("417 12 9"));
        if (sidecar != "-")
            WriteBytes(TimesSidecar::PathFor(m_path), sidecar);
        clsFile file;
        QVERIFY(file.OpenFile(m_path));
        QCOMPARE(file.Count(), 3);
        QCOMPARE(int(file.TimesState().kind), kind);
        QCOMPARE(file.TimesState().dropped, dropped);
        QVERIFY(file.AddBib(5));
        QCOMPARE(FileBytes(m_path), Stn("417 12 9 5"));
        QCOMPARE(FileBytes(TimesSidecar::PathFor(m_path)), kept);
    }

    // The record is safe when its time cannot be written; the times file catches up later.
    void timesFileFailureLeavesRecordSaved() {
        WriteBytes(m_path, QByteArray());
        clsFile file;
        QVERIFY(file.OpenFile(m_path));
        QVERIFY(QDir().mkdir(TimesSidecar::PathFor(m_path))); // a folder where the file should be
        QVERIFY(file.AddBib(417));
        QVERIFY(!file.TimesSaved());
        QCOMPARE(FileBytes(m_path), Stn("417"));
        QVERIFY(QDir().rmdir(TimesSidecar::PathFor(m_path)));
        QVERIFY(file.AddBib(12));
        QVERIFY(file.TimesSaved());
        // (the logged failure took a time stamp of its own)
        QCOMPARE(FileBytes(TimesSidecar::PathFor(m_path)), "1;417;" + T(0) + "\r\n2;12;" + T(2) + "\r\n");
    }

    void newFileDropsOldTimes() {
        WriteBytes(m_path, Stn("417"));
        WriteBytes(TimesSidecar::PathFor(m_path), Times("417:0"));
        clsFile file;
        file.SetPathDialog([this](clsFile::PathQuestion) { return m_path; });
        QVERIFY(file.NewFile());
        QVERIFY(!QFile::exists(TimesSidecar::PathFor(m_path)));
        QCOMPARE(file.TimesState().kind, TimesFileState::Kind::Missing);
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    int m_ticks = 0;
};

QTEST_GUILESS_MAIN(TestTimesSidecar)
#include "tst_timessidecar.moc"
