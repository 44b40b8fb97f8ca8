#include "GuiTestHelpers.h"
#include "TestEnvironment.h"
#include "base/Clock.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/RecordLock.h"
#include "records/RecoveryCopy.h"
#include "records/clsFile.h"

#include <QtTest>

#include <functional>

namespace {

// The file the writer must produce for a list: positions 1 to n, CR LF after every line.
QByteArray Lines(const QVector<qint32>& bibs) {
    QByteArray bytes;
    for (qsizetype i = 0; i < bibs.size(); ++i)
        bytes += QByteArray::number(i + 1) + ';' + QByteArray::number(bibs[i]) + "\r\n";
    return bytes;
}
// The bibs of the list, or the records' IDs.
QVector<qint32> Bibs(const clsFile& file, bool ids = false) {
    QVector<qint32> column;
    for (qint32 i = 0; i < file.Count(); ++i)
        column.append(ids ? file.GetRecord(i).ID : file.GetRecord(i).Bib);
    return column;
}

// The n-th time the clock hands out: one second apart, in a zone two hours ahead of UTC.
QByteArray T(int n) {
    return "2026-05-03T10:42:" + QByteArray::number(7 + n).rightJustified(2, '0') + ".315+02:00";
}

// "417:0 12:" gives the times file: ":n" the n-th time, ":" none.
QByteArray Times(const QByteArray& entries) {
    QByteArray bytes;
    int position = 0;
    for (const QByteArray& entry : entries.split(' ')) {
        const QList<QByteArray> parts = entry.split(':');
        if (parts.size() == 2)
            bytes += QByteArray::number(++position) + ';' + parts[0] + ';' +
                     (parts[1].isEmpty() ? "" : T(parts[1].toInt())) + "\r\n";
    }
    return bytes;
}

// A step as the main window takes it: "a417" appends, "i1=99" inserts 99 (no "=": empty) before index
// 1, "e1=13" edits, "d1" deletes, "m0" moves index 0 down (two edits, one write), "s" saves, "r" reopens.
bool Run(clsFile& file, const QByteArray& step) {
    const qint32 index = step.mid(1).split('=')[0].toInt();
    const qint32 bib = step.split('=').value(1).toInt();
    switch (step[0]) {
    case 'a':
        return file.AddBib(index);
    case 'i':
        return file.AddBib(bib, index);
    case 'e':
        return file.EditBib(index, bib);
    case 'd':
        return file.DeleteBib(index);
    case 's':
        return file.SaveFile();
    case 'm': {
        const qint32 upper = file.GetRecord(index).Bib;
        file.BeginChange();
        return file.EditBib(index, file.GetRecord(index + 1).Bib) && file.EditBib(index + 1, upper) && file.EndChange();
    }
    }
    const QString path = file.FileName();
    file = clsFile(); // closed without a dated copy
    return file.OpenFile(path);
}

// A number of /proc/self: "VmHWM" of "status" (the peak resident memory, kB) or "rchar" of "io"
// (bytes read by this process).
qint64 ProcValue(const char* file, const char* field) {
    const QRegularExpression line(QStringLiteral("^%1:\\s*(\\d+)").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(FileBytes(QStringLiteral("/proc/self/") + QLatin1String(file))))
        .captured(1)
        .toLongLong();
}

// Why a file was not opened: the error raised, "" when none was; "opened" when it opened.
QString Refusal(clsFile& file, const QString& path, clsFile::Access access = clsFile::Access::Write) {
    try {
        return file.OpenFile(path, access) ? QStringLiteral("opened") : QString();
    } catch (const RaisedError& error) {
        return error.info().description;
    }
}

} // namespace

// The record file: its lines, durable, failed and interrupted writes, refusals, copies, passage times.
class TestRecordFile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_ticks = 0;
        SetClockSource(
            [this] { return QDateTime(QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200)).addSecs(m_ticks++); });
    }
    void cleanup() {
        SetClockSource(nullptr);
        InjectWriteFailure(0, 0);
        InjectSyncFailure(-1);
        m_dir.reset();
        const bool noBox = m_messages->shown().isEmpty(); // the record file tells its faults, never in a box
        m_messages.reset();
        m_env.reset();
        QVERIFY(noBox);
    }

    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVector<qint32>>("bibs");
        QTest::addColumn<QByteArray>("appended"); // the file once bib 5 was recorded; empty: not checked
        QTest::addColumn<QVector<qint64>>("damaged");
        const QByteArray lines("1;12\r\n2;7\r\n");
        const auto row = [](const char* name, const QByteArray& bytes, const QVector<qint32>& bibs,
                            const QByteArray& appended = {}, const QVector<qint64>& damaged = {}) {
            QTest::newRow(name) << bytes << bibs << appended << damaged;
        };
        row("empty", "", {}, "1;5\r\n");
        row("positions ignored", "5;12\r\n9;7\r\n", {12, 7}, "5;12\r\n9;7\r\n3;5\r\n");
        // An unfinished last line is completed before the new one.
        row("no line end", "1;12\r\n2;7", {12, 7}, lines + "3;5\r\n");
        row("lf end", "1;12\n", {12}, "1;12\n2;5\r\n");
        row("cr end", "1;12\r", {12}, "1;12\r2;5\r\n");
        row("mixed ends", "1;1\r\n2;2\n3;3\r4;4\r\n", {1, 2, 3, 4});
        row("blank lines skipped", "\r\n1;5\r\n\r\n\n2;6\r\n", {5, 6});
        row("line without separator skipped", "abc\r\n1;3\r\n", {3});
        row("only separator", ";\r\n", {0});
        row("second separator ends number", "1;2;3\r\n", {2});
        row("numeric value", "x; -1\t2x\r\n1;&H1F\r\n1;2.5\r\n1;3.5\r\n", {-12, 31, 2, 4});
        row("8-bit bytes before separator", "\xe4\xf6;9\r\n", {9});
        row("32-bit limits", "1;2147483647\r\n2;-2147483648\r\n", {2147483647, -2147483647 - 1});
        // Positions are not limited to 16 bits, neither in an append nor in a rewrite.
        const QVector<qint32> many(70000, 7);
        row("70000 records", Lines(many), many, Lines(many) + "70001;5\r\n");
        // Zero bytes a power cut left are skipped and gone with the next write.
        row("1 zero byte at the end", lines + QByteArray(1, '\0'), {12, 7}, Lines({12, 7, 5}));
        row("64 KiB of zeros at the end", lines + QByteArray(65536, '\0'), {12, 7}, Lines({12, 7, 5}));
        row("a zero-filled block between lines", "1;12\r\n" + QByteArray(4096, '\0') + "\r\n2;7\r\n", {12, 7},
            Lines({12, 7, 5}));
        // Damaged lines are skipped and named; every other record loads, and the first write is a
        // whole one, with the file as it was kept before it.
        row("a NUL within a record", "1;12\r\n2;" + QByteArray(1, '\0') + "7\r\n3;40\r\n", {12, 40}, Lines({12, 40, 5}),
            {2});
        row("torn last line, not bib 0", lines + "3;", {12, 7}, Lines({12, 7, 5}), {3});
        row("torn before its separator", "1;12\r\n2", {12}, Lines({12, 5}), {2});
        row("bib beyond 32 bits", "1;5\r\n2;2147483648\r\n3;6\r\n", {5, 6}, Lines({5, 6, 5}), {2});
        row("beyond double and below, lines counted", "abc\r\n1;1\n2;1E999\r3;-2147483649", {1}, Lines({1, 5}), {3, 4});
    }
    // Records are numbered 1 to n by the reader; an append adds one line; a rewrite writes CR LF
    // lines numbered 1 to n.
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(QVector<qint32>, bibs);
        QFETCH(QByteArray, appended);
        QFETCH(QVector<qint64>, damaged);
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QCOMPARE(Bibs(file), bibs);
        QCOMPARE(file.MaxID(), bibs.size());
        QCOMPARE(file.ZeroPadded(), bytes.contains('\0') && damaged.isEmpty());
        QCOMPARE(file.DamagedLines(), damaged);
        QCOMPARE(file.RepeatsLast(12), bibs.endsWith(12)); // the duplicate guard looks at the last record only
        QVERIFY(file.AddBib(5));
        if (!appended.isEmpty())
            QCOMPARE(FileBytes(path()), appended);
        const auto removeCopy = qScopeGuard([&file] { QFile::remove(file.DamagedCopy()); });
        QCOMPARE(FileBytes(file.DamagedCopy()), damaged.isEmpty() ? QByteArray() : bytes);
        const QString named = damaged.size() == 1 ? QStringLiteral("Line %1 of").arg(damaged[0])
                                                  : QStringLiteral("%1 lines of").arg(damaged.size());
        QVERIFY2(damaged.isEmpty() ||
                     (file.DamagedLinesText().contains(named) && file.DamagedLinesText().contains(file.DamagedCopy())),
                 qPrintable(file.DamagedLinesText()));
        QVERIFY(!file.ZeroPadded() && file.SaveFile());
        QCOMPARE(FileBytes(path()), Lines(bibs << 5));
    }

    // A change where no record is changes nothing, not even the bytes. An inserted record gets the
    // newest ID; deleting never lowers MaxID, so no ID is used twice; an emptied list leaves an empty file.
    void changesKeepIds() {
        const QByteArray bytes("5;12\r\n9;7\r\n3;40"); // a rewrite would show in the bytes
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QVERIFY(!file.EditBib(-1, 1) && !file.EditBib(3, 1) && !file.DeleteBib(-1) && !file.DeleteBib(3));
        QVERIFY_THROWS_EXCEPTION(RaisedError, file.AddBib(99, 4)); // an insertion beyond the end is told
        QVERIFY(file.MaxID() == 3 && !file.Changed());
        QCOMPARE(FileBytes(path()), bytes);

        for (const char* step : {"i0=99", "d2", "i1=98", "i4=97", "e0=-8"}) // "i4": before the end, at the end
            QVERIFY2(Run(file, step), step);
        QCOMPARE(Bibs(file, true), (QVector<qint32>{4, 5, 1, 3, 6}));
        QCOMPARE(file.GetRecord(5).ID, 0); // a place past the list holds no record
        QCOMPARE(FileBytes(path()), Lines({-8, 98, 12, 40, 97}));
        QVERIFY(file.Changed());
        while (file.Count() > 0)
            QVERIFY(file.DeleteBib(0));
        QVERIFY(QFileInfo::exists(path()) && QFileInfo(path()).size() == 0);
        QCOMPARE(file.MaxID(), 6);
    }

    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QVector<qint32>>("after"); // the list the step makes of 12, 7, 40
        const auto row = [](const char* name, const char* step, const QVector<qint32>& after, int chop = 0) {
            // Before the first byte, within the first line, mid-file, and after the whole content.
            for (qint64 bytes : {0, 2, 9, 1000})
                QTest::addRow("%s after %lld bytes", name, bytes)
                    << QByteArray(step) << Lines({12, 7, 40}).chopped(chop) << bytes << after;
        };
        row("edit", "e1=70", {12, 70, 40});
        row("delete", "d0", {7, 40});
        row("insert", "i1=99", {12, 99, 7, 40});
        row("save", "s", {12, 7, 40});
        row("append", "a99", {12, 7, 40, 99});
        row("move: two edits, one write", "m0", {7, 12, 40});
        row("append to an unfinished line", "a99", {12, 7, 40, 99}, 2);
    }
    // A write cut short by a full disk leaves the old file whole (no torn line, no temporary file), says
    // which file failed and why, keeps the change in the list and the recovery copy; the next record
    // writes the whole list and the copy goes.
    void failedWriteKeepsOldFile() {
        QFETCH(QByteArray, step);
        QFETCH(QByteArray, old);
        QFETCH(qint64, bytes);
        QFETCH(QVector<qint32>, after);
        clsFile file;
        QVERIFY(openWith(file, old));
        InjectWriteFailure(bytes);
        QVERIFY(!Run(file, step));
        QCOMPARE(FileBytes(path()), old);
        const QString error = file.WriteError().description; // shown in the window, without a box
        QVERIFY(!file.InStep());
        QVERIFY2(error.contains(QDir::toNativeSeparators(path())) && error.contains("No space left on device"),
                 qPrintable(error));
        QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QStringLiteral("race.stn.times"));
        QCOMPARE(files, (QStringList{"race.stn", "race.stn.lock"}));
        QCOMPARE(Bibs(file), after);
        QCOMPARE(FileBytes(file.KeptIn()), Lines(after));
        QCOMPARE(file.Changed(), step[0] != 's' && step[0] != 'a');
        QCOMPARE(file.RecordsNotInFile(), QByteArray("sdm").contains(step[0]) ? 0 : 1);

        QVERIFY(file.AddBib(77));
        QCOMPARE(FileBytes(path()), Lines(after << 77));
        QVERIFY(file.InStep() && file.Changed() && !QFileInfo::exists(RecoveryCopyPath(path())));
    }

    // While the file lags behind, every change reaches the recovery copy; an earlier run's copy is set
    // aside. Save as makes another file the record file, in step, with the times.
    void recoveryCopyFollowsTheList() {
        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n"));
        const QString copy = RecoveryCopyPath(path());
        QVERIFY(QDir().mkpath(QFileInfo(copy).path()));
        WriteBytes(copy, "1;99\r\n");
        InjectWriteFailure(0, 3);
        QVERIFY(!file.AddBib(5));
        QVERIFY(!file.EditBib(0, 13));
        QVERIFY(!file.AddBib(6));
        QCOMPARE(FileBytes(copy), Lines({13, 5, 6}));
        QCOMPARE(file.RecordsNotInFile(), 3);
        const QDir folder(QFileInfo(copy).path(), QStringLiteral("race-*.stn"));
        QStringList setAside = folder.entryList();
        QVERIFY(setAside.removeAll(QFileInfo(copy).fileName()) == 1 && setAside.size() == 1);
        QCOMPARE(FileBytes(folder.filePath(setAside.first())), QByteArray("1;99\r\n"));

        file.SaveAs(path(QStringLiteral("saved.stn")));
        QCOMPARE(file.FileName(), path(QStringLiteral("saved.stn")));
        QCOMPARE(FileBytes(file.FileName()), Lines({13, 5, 6}));
        QVERIFY(file.InStep() && !QFileInfo::exists(copy));
        QCOMPARE(FileBytes(path()), QByteArray("1;12\r\n"));
        QCOMPARE(FileBytes(TimesSidecar::PathFor(file.FileName())), Times("13: 5:0 6:2"));
    }

    void refusedOpenKeepsOpenFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // written to the file; none for a missing file
        QTest::addColumn<char>("fill");        // then 100 MiB of it and a line end; 'z': 2 GiB of zeros
        QTest::addColumn<QString>("message");  // the reason the error raised gives; none: no error
        const auto row = [](const char* name, const char* file, const QByteArray& bytes, const char* message,
                            char fill = 0) {
            QTest::newRow(name) << QString::fromLatin1(file) << bytes << fill << QString::fromLatin1(message);
        };
        const char* notRecordFile = "is not a Marklog record file.*not opened.*not changed";
        row("missing", "missing.stn", {}, "");
        row("no name", "", {}, "");
        row("a folder", "folder.stn", {}, "");
        row("UTF-16", "bad.stn", QByteArray::fromHex("fffe 3100 3b00 3100 3200 0d00 0a00"), notRecordFile);
        row("binary", "bad.stn",
            QByteArray("\x7f"
                       "ELF\2\1\1\0\0\0\r\n\0\0>\0\1\0\0\0\r\n1;2\r\n",
                       27),
            notRecordFile);
        // Files far too large are refused without reading more than once or filling the memory.
        row("2 GiB", "bad.stn", {}, "is 2048 MB large and cannot be a record file", 'z');
        row("one line of 100 MiB, digits", "bad.stn", "1;", notRecordFile, '7');
    }
    // A file the reader cannot take is not opened, so no later rewrite can replace it with a
    // partial list; the file that was open stays open, with its unsaved changes. No box is shown:
    // the caller learns why from the error, which names the file.
    void refusedOpenKeepsOpenFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(char, fill);
        QFETCH(QString, message);
        const QString other = name.trimmed().isEmpty() ? name : path(name);
        if (!bytes.isEmpty() || fill)
            WriteBytes(other, bytes);
        QFile big(other);
        QVERIFY(!fill || big.open(QIODevice::Append));
        for (int piece = 0; fill && fill != 'z' && piece < 100; ++piece) // one line, written in pieces
            QVERIFY(big.write(QByteArray(1 << 20, fill)) == 1 << 20);
        QVERIFY(!fill || (fill == 'z' ? big.resize(qint64(2048) << 20) : big.write("\r\n") == 2)); // sparse
        big.close();
        const QFileInfo before(other);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.stn")));

        clsFile fresh; // with no file open a record stays in the list, and the failure is told
        const qint64 readBefore = ProcValue("io", "rchar");
        const QString told = Refusal(fresh, other);
        const qint64 read = ProcValue("io", "rchar") - readBefore;
        const QRegularExpression reason(message, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(message.isEmpty() || (told.contains(reason) && told.contains(other)), qPrintable(told.left(300)));
        QVERIFY(fresh.FileName().isEmpty() && fresh.Count() == 0);
        // A file too large to be a record file is refused by its size alone.
        QVERIFY2(read <= (before.size() > kMaxRecordFileBytes ? 0 : before.size()) + (1 << 20), qPrintable(told));
        QVERIFY2(ProcValue("status", "VmHWM") < 1024 * 1024, "peak memory of 1 GiB or more");
        QVERIFY_THROWS_EXCEPTION(RaisedError, fresh.AddBib(5));
        QVERIFY(!fresh.SaveFile());
        QCOMPARE(Bibs(fresh), QVector<qint32>{5});
        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
        QVERIFY(file.AddBib(3));
        const QString refusal = Refusal(file, other);
        QVERIFY2(message.isEmpty() ? refusal.isEmpty() : refusal.contains(reason), qPrintable(refusal.left(300)));
        QCOMPARE(file.FileName(), path());
        QCOMPARE(Bibs(file, true), (QVector<qint32>{1, 2, 3}));
        QVERIFY(file.Changed());
        QVERIFY(file.EditBib(0, 11));
        QCOMPARE(FileBytes(path()), Lines({11, 7, 3}));
        QCOMPARE(QFileInfo(other).isFile(), !bytes.isEmpty() || fill);
        QVERIFY(fill ? QFileInfo(other).size() == before.size() &&
                           QFileInfo(other).lastModified() == before.lastModified()
                     : FileBytes(other) == bytes);
    }

    void closeMakesCopy_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("copyBase"); // empty: unchanged, no copy
        QTest::addColumn<bool>("earlierCopy");
        const auto row = [](const char* name, const char* file, const char* copyBase, bool earlierCopy = false) {
            QTest::newRow(name) << QString::fromLatin1(file) << QString::fromLatin1(copyBase) << earlierCopy;
        };
        row("unchanged", "unchanged.stn", "");
        row("changed", "changed.stn", "changed");
        row("a copy of the same second stays", "kept.stn", "kept", true);
        row("one letter", "a", "a");
        row("upper-case extension", "RACE.STN", "RACE");
        row("two dots", "spring.run.stn", "spring.run");
    }
    // Closing a changed file leaves one dated copy beside the program, named after the file without its
    // extension and the moment, never over an earlier one, with its times; an unchanged file leaves none.
    void closeMakesCopy() {
        QFETCH(QString, name);
        QFETCH(QString, copyBase);
        QFETCH(bool, earlierCopy);
        const bool change = !copyBase.isEmpty();
        const QDateTime moment({2021, 5, 2}, {15, 30, 12});
        FixedClock clock(moment);
        const QString copy = clsFile::DatedCopyPath(path(name), moment);
        const auto removeCopy = qScopeGuard([&copy] { // the program's folder outlives the test
            QFile::remove(copy);
            QFile::remove(TimesSidecar::PathFor(copy));
        });
        QFile::remove(copy);
        QVERIFY(!change || copy == WritableProgramFolder() + copyBase + QStringLiteral("2021-05-02 153012.stn"));
        WriteBytes(TimesSidecar::PathFor(copy), "left over");
        if (earlierCopy)
            WriteBytes(copy, "earlier");
        const QDir folder(WritableProgramFolder(), QStringLiteral("*.stn"));
        const qsizetype before = folder.entryList(QDir::Files).size();

        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n", name));
        if (change)
            QVERIFY(file.AddBib(8));
        QVERIFY(file.CloseFile());
        QVERIFY(file.FileName().isEmpty() && file.Count() == 0 && !file.Changed());
        QCOMPARE(folder.entryList(QDir::Files).size(), before + (change && !earlierCopy));
        if (change && !earlierCopy)
            QVERIFY(FileBytes(TimesSidecar::PathFor(copy)).startsWith("1;12;\r\n2;8;2021-05-02T15:30:12"));
        QCOMPARE(FileBytes(copy), QByteArray(!change ? "" : earlierCopy ? "earlier" : "1;12\r\n2;8\r\n"));
    }

    void followsSession_data() {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<QByteArray>("stn");
        QTest::addColumn<QByteArray>("times");
        QTest::addColumn<QList<int>>("repeat"); // bib, window, seconds since its last passage (-1: no warning)
        const auto row = [](const char* name, const char* steps, const QVector<qint32>& stn, const char* times,
                            const QList<int>& repeat) {
            QTest::newRow(name) << QByteArray(steps) << Lines(stn) << Times(times) << repeat;
        };
        row("latest passage counts", "a417 a12 a417 a9", {417, 12, 417, 9}, "417:0 12:1 417:2 9:3", {417, 2, 2});
        row("beyond the window", "a417 a1 a2", {417, 1, 2}, "417:0 1:1 2:2", {417, 2, -1});
        row("window 0 is off", "a417", {417}, "417:0", {417, 0, -1});
        row("edit keeps the time", "a417 a12 e1=13", {417, 13}, "417:0 13:1", {13, 60, 1});
        row("corrected away", "a417 a12 e0=13", {13, 12}, "13:0 12:1", {417, 60, -1});
        row("insert has no time", "a417 a12 i1", {417, 0, 12}, "417:0 0: 12:1", {0, 60, -1});
        row("passage after corrections", "a417 i0 e0=5 a8", {5, 417, 8}, "5: 417:0 8:1", {5, 60, -1});
        row("delete takes its time", "a417 a12 a9 d1", {417, 9}, "417:0 9:2", {12, 60, -1});
        row("deleted passage leaves the one before", "a417 a12 a417 d2", {417, 12}, "417:0 12:1", {417, 60, 3});
        row("move leaves times at positions", "a417 a12 a9 m0", {12, 417, 9}, "12:0 417:1 9:2", {12, 60, 3});
        row("deleting all", "a417 d0", {}, "", {417, 60, -1});
        row("times survive reopening", "a417 a12 r a9 m1", {417, 9, 12}, "417:0 9:1 12:2", {417, 60, 3});
    }
    // Through any session the record file is what it would be without times, the times file has
    // one line per record with the time of its passage, and a bib's last passage is its latest time.
    void followsSession() {
        QFETCH(QByteArray, steps);
        QFETCH(QByteArray, stn);
        QFETCH(QByteArray, times);
        QFETCH(QList<int>, repeat);
        clsFile file;
        QVERIFY(openWith(file, {}));
        for (const QByteArray& step : steps.split(' '))
            QVERIFY2(Run(file, step), step.constData());
        QCOMPARE(FileBytes(path()), stn);
        QCOMPARE(FileBytes(TimesSidecar::PathFor(path())), times);
        const std::optional<qint64> since = SecondsSinceRepeat(file.LastPassage(repeat[0]), Now(), repeat[1]);
        QCOMPARE(since.value_or(-1), qint64(repeat[2]));

        QVERIFY(Run(file, "r"));
        QCOMPARE(file.TimesState().kind, TimesFileState::Kind::InStep);
    }

    void distrustedLines_data() {
        QTest::addColumn<QByteArray>("sidecar"); // beside the records 417, 12, 9; "-" for none
        QTest::addColumn<QByteArray>("kept");    // the times file once bib 5 was recorded
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("dropped");
        const auto row = [](const char* name, const QByteArray& sidecar, const char* kept, int dropped,
                            TimesFileState::Kind kind = TimesFileState::Kind::PartlyDropped) {
            QTest::newRow(name) << sidecar << Times(kept) << int(kind) << dropped;
        };
        const QByteArray all = Times("417:7 12:8 9:9");
        row("in step", all, "417:7 12:8 9:9 5:0", 0, TimesFileState::Kind::InStep);
        row("missing", "-", "417: 12: 9: 5:0", 0, TimesFileState::Kind::Missing);
        row("empty", "", "417: 12: 9: 5:0", 0, TimesFileState::Kind::InStep);
        row("last passage without time (killed between the two writes)", Times("417:7 12:8"), "417:7 12:8 9: 5:0", 0,
            TimesFileState::Kind::InStep);
        row("truncated", all.left(all.size() - 9), "417:7 12:8 9: 5:0", 1);
        row("garbled line", Times("417:7") + "x;;\r\n3;9;" + T(9) + "\r\n", "417:7 12: 9:9 5:0", 1);
        row("garbled time", "1;417;yesterday\r\n2;12;" + T(8) + "\r\n", "417: 12:8 9: 5:0", 1);
        row("bib edited by another program", Times("417:7 13:8 9:9"), "417:7 12: 9:9 5:0", 1);
        row("record deleted by another program", Times("417:7 6:8 12:9 9:10"), "417:7 12: 9: 5:0", 3);
    }

    // The record file decides: lines that do not match the record at their position are dropped
    // and counted, the file still opens, and the next write brings the times file in step.
    void distrustedLines() {
        QFETCH(QByteArray, sidecar);
        QFETCH(QByteArray, kept);
        QFETCH(int, kind);
        QFETCH(int, dropped);
        if (sidecar != "-")
            WriteBytes(TimesSidecar::PathFor(path()), sidecar);
        clsFile file;
        QVERIFY(openWith(file, Lines({417, 12, 9})));
        QCOMPARE(int(file.TimesState().kind), kind);
        QCOMPARE(file.TimesState().dropped, dropped);
        QVERIFY(file.AddBib(5));
        QCOMPARE(FileBytes(path()), Lines({417, 12, 9, 5}));
        QCOMPARE(FileBytes(TimesSidecar::PathFor(path())), kept);
    }

    // The record is safe when its time cannot be written; the times file catches up later. A new
    // file in the place of the old drops its times.
    void timesFileFollowsTheRecords() {
        clsFile file;
        QVERIFY(openWith(file, {}));
        QVERIFY(QDir().mkdir(TimesSidecar::PathFor(path()))); // a folder where the file should be
        QVERIFY(file.AddBib(417) && !file.TimesSaved());
        QCOMPARE(FileBytes(path()), Lines({417}));
        QVERIFY(QDir().rmdir(TimesSidecar::PathFor(path())));
        QVERIFY(file.AddBib(12) && file.TimesSaved());
        QCOMPARE(FileBytes(TimesSidecar::PathFor(path())), Times("417:0 12:2")); // time 1: the failure logged
        // A time line is synced after its passage: when that sync fails the line goes again, and
        // the next write replaces the times file whole.
        InjectSyncFailure(1);
        QVERIFY(file.AddBib(31) && file.TimesSaved());
        file.SettleTimes();
        QVERIFY(!file.TimesSaved());
        QCOMPARE(FileBytes(TimesSidecar::PathFor(path())), Times("417:0 12:2"));
        QVERIFY(file.AddBib(8));
        file.SettleTimes();
        QVERIFY(file.TimesSaved());
        QCOMPARE(FileBytes(TimesSidecar::PathFor(path())), Times("417:0 12:2 31:3 8:5"));

        file = clsFile(); // closed without a dated copy
        clsFile fresh;
        fresh.NewFile(path());
        QVERIFY(!QFile::exists(TimesSidecar::PathFor(path())));
        QCOMPARE(fresh.TimesState().kind, TimesFileState::Kind::Missing);
    }

    void diskChangesBetweenWrites_data() {
        QTest::addColumn<QByteArray>("steps"); // as Run takes them; capitals: what befalls the file meanwhile
        QTest::addColumn<QByteArray>("file");  // at the end; "-": there is none
        QTest::addColumn<QByteArray>("kept");  // the dated copy of what the file held; "-": no word of it
        const QByteArray appended("5;12\r\n9;7\r\n3;5\r\n4;6\r\n"), whole = Lines({12, 7, 5, 6});
        const auto row = [](const char* name, const char* steps, const QByteArray& file, const QByteArray& kept) {
            QTest::newRow(name) << QByteArray(steps) << file << kept;
        };
        row("older copy renamed over it", "a5 P a6", whole, "");
        row("another race renamed over it", "a5 O a6", whole, "1;99\r\n");
        row("cut short by another writer", "a5 T a6", whole, "");
        row("grown by another writer", "a5 G a6", whole, "5;12\r\n9;7\r\n3;5\r\n4;77\r\n");
        row("copied back as it was", "a5 U a6", appended, "-");
        row("deleted: a fault, no new file", "a5 D a6", "-", "-");
        row("stick pulled and put back", "a5 M a6 B a7", appended + "5;7\r\n", "-");
        row("failed append caught up by appending", "X a5 a6", appended, "-");
    }
    // Before each write the file must be the one last written. Another file, or this one changed by
    // another writer, gets the whole list, after a dated copy when it held records the list lacks; a
    // file that is gone is a write fault and not made anew, not even its folder. After a failed write
    // the passages the file lacks are appended.
    void diskChangesBetweenWrites() {
        QFETCH(QByteArray, steps);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, kept);
        const QString event = path(QStringLiteral("event")), race = event + QStringLiteral("/race.stn");
        const QString other = path(QStringLiteral("other.stn")), away = path(QStringLiteral("away"));
        QVERIFY(QDir().mkpath(event));
        WriteBytes(race, "5;12\r\n9;7\r\n");
        clsFile records;
        QVERIFY(records.OpenFile(race));
        const auto removeCopy = qScopeGuard([&records] { QFile::remove(records.ReplacedCopy()); });
        const auto renameOver = [&](const QByteArray& bytes) {
            WriteBytes(other, bytes);
            return ::rename(QFile::encodeName(other).constData(), QFile::encodeName(race).constData()) == 0;
        };
        const QHash<char, std::function<bool()>> befalls{
            {'P', [&] { return renameOver("5;12\r\n9;7\r\n"); }},
            {'O', [&] { return renameOver("1;99\r\n"); }},
            {'U', [&] { return renameOver(FileBytes(race)); }},
            {'T', [&] { return QFile::resize(race, 6); }},
            {'G', [&] { return WriteBytes(race, FileBytes(race) + "4;77\r\n"), true; }},
            {'D', [&] { return QFile::remove(race); }},
            {'M', [&] { return QDir().rename(event, away); }},
            {'B', [&] { return QDir().rename(away, event); }},
            {'X', [&] { return InjectWriteFailure(0), true; }},
        };
        bool saved = false;
        for (const QByteArray& step : steps.split(' ')) {
            if (befalls.contains(step[0]))
                QVERIFY2(befalls[step[0]](), step.constData());
            else
                saved = Run(records, step);
        }
        QCOMPARE(saved, file != "-");
        QCOMPARE(QFileInfo::exists(race) ? FileBytes(race) : QByteArray("-"), file);
        QCOMPARE(records.InStep(), saved);
        if (!saved) {
            QVERIFY2(records.WriteError().description.contains(QRegularExpression("no longer there.*Put the stick")),
                     qPrintable(records.WriteError().description));
            QCOMPARE(FileBytes(records.KeptIn()), Lines({12, 7, 5, 6}));
        }
        QCOMPARE(records.FoundReplaced(), kept != "-");
        QCOMPARE(FileBytes(records.ReplacedCopy()), kept == "-" ? QByteArray() : kept);
        QVERIFY(records.ReplacedText().contains(QDir::toNativeSeparators(records.ReplacedCopy())));
        QCOMPARE(records.ReplacedText().isEmpty(), kept == "-");
    }

    // One writer per record file, however it is named: another object opening it, here through a
    // link, learns which computer and process write it and may only look; once the file is closed
    // there it writes, and its recovery copy is the file's own.
    void oneWriterPerFile() {
        clsFile first;
        QVERIFY(openWith(first, "1;12\r\n"));
        const QString link = path(QStringLiteral("link.stn"));
        QVERIFY(QFile::link(path(), link));
        clsFile second;
        const QString refusal = Refusal(second, link);
        QVERIFY2(refusal.contains(QSysInfo::machineHostName()) &&
                     refusal.contains(QString::number(QCoreApplication::applicationPid())) &&
                     refusal.contains(RecordLockPath(path())),
                 qPrintable(refusal));
        QVERIFY(second.FileName().isEmpty());
        QCOMPARE(Refusal(second, link, clsFile::Access::ReadOnly), QStringLiteral("opened"));
        QVERIFY(first.CloseFile() && !QFileInfo::exists(RecordLockPath(path())));
        QCOMPARE(Refusal(second, link), QStringLiteral("opened"));
        QVERIFY(!Refusal(first, path()).isEmpty());
        InjectWriteFailure(0);
        QVERIFY(!second.AddBib(5));
        QCOMPARE(second.KeptIn(), RecoveryCopyPath(path()));
    }

    void adoptRecoveryCopy_data() {
        QTest::addColumn<QVector<qint32>>("file"); // when it is opened again; the copy holds 11, 101, 102
        QTest::addColumn<int>("fileOnly");
        QTest::addColumn<int>("copyOnly");
        QTest::newRow("the copy holds more") << QVector<qint32>{11} << 0 << 2;
        QTest::newRow("the same, one moved") << QVector<qint32>{101, 11, 102} << 0 << 0;
        QTest::newRow("each holds records the other lacks") << QVector<qint32>{11, 50} << 1 << 2;
        QTest::newRow("the file holds more") << QVector<qint32>{11, 101, 102, 7} << 1 << 0;
    }
    // The recovery copy a run left keeps its passage times. Each side counts the records only it
    // holds; taking the copy drops nothing: when the file holds records the copy lacks, the copy goes
    // beside the file under a name of its own, with its times, and the file stays as it is.
    void adoptRecoveryCopy() {
        QFETCH(QVector<qint32>, file);
        QFETCH(int, fileOnly);
        QFETCH(int, copyOnly);
        const QString name = QStringLiteral("adopt.stn");
        const auto removeCopies = qScopeGuard([] {
            for (const QString& copy : QDir(WritableProgramFolder(), QStringLiteral("adopt2*")).entryList())
                QFile::remove(WritableProgramFolder() + copy);
        });
        clsFile run;
        QVERIFY(openWith(run, "1;11\r\n", name));
        InjectWriteFailure(0, 2);
        QVERIFY(!run.AddBib(101) && !run.AddBib(102));
        const QString copy = run.KeptIn();
        const QByteArray times = FileBytes(TimesSidecar::PathFor(copy));
        QCOMPARE(times.count(";2026-05-03T"), 2);
        run = clsFile(); // ended without closing the file

        clsFile later;
        QVERIFY(openWith(later, Lines(file), name));
        const std::optional<QVector<qint32>> kept = ReadRecoveryCopy(path(name));
        QVERIFY(kept);
        const RecoverySides sides = CompareWithRecoveryCopy(Bibs(later), *kept);
        QCOMPARE(sides.fileOnly, fileOnly);
        QCOMPARE(sides.copyOnly, copyOnly);
        QString beside;
        QVERIFY(later.AdoptRecoveryCopy(*kept, &beside));
        QCOMPARE(beside.isEmpty(), fileOnly == 0);
        const QString holder = beside.isEmpty() ? path(name) : beside;
        QCOMPARE(FileBytes(holder), Lines({11, 101, 102}));
        QCOMPARE(FileBytes(TimesSidecar::PathFor(holder)), times);
        QVERIFY(beside.isEmpty() || FileBytes(path(name)) == Lines(file));
        QVERIFY(!QFileInfo::exists(copy) && !QFileInfo::exists(TimesSidecar::PathFor(copy)));
    }

private:
    QString path(const QString& name = QStringLiteral("race.stn")) const { return m_dir->filePath(name); }
    // Writes a fixture and opens it.
    bool openWith(clsFile& file, const QByteArray& bytes, const QString& name = QStringLiteral("race.stn")) {
        WriteBytes(path(name), bytes);
        return file.OpenFile(path(name));
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_ticks = 0;
    ScopedLanguage m_language; // failures are read in English
};

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
