#include "GuiTestHelpers.h"
#include "TestEnvironment.h"
#include "base/Clock.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/RecoveryCopy.h"
#include "records/clsFile.h"

#include <QtTest>

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
        m_dir.reset();
        m_messages.reset();
        m_env.reset();
    }

    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVector<qint32>>("bibs");
        QTest::addColumn<QByteArray>("appended"); // the file once bib 5 was recorded; empty: not checked
        const QByteArray lines("1;12\r\n2;7\r\n");
        const auto row = [](const char* name, const QByteArray& bytes, const QVector<qint32>& bibs,
                            const QByteArray& appended = {}) { QTest::newRow(name) << bytes << bibs << appended; };
        row("empty", "", {}, "1;5\r\n");
        row("positions ignored", "5;12\r\n9;7\r\n", {12, 7}, "5;12\r\n9;7\r\n3;5\r\n");
        // An unfinished last line is completed before the new one.
        row("no line end", "1;12\r\n2;7", {12, 7}, lines + "3;5\r\n");
        row("lf end", "1;12\n", {12}, "1;12\n2;5\r\n");
        row("cr end", "1;12\r", {12}, "1;12\r2;5\r\n");
        row("mixed ends", "1;1\r\n2;2\n3;3\r4;4\r\n", {1, 2, 3, 4});
        row("cr cr lf", "1;1\r\r\n2;2\r\n", {1, 2});
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
    }
    // Records are numbered 1 to n by the reader; an append adds one line; a rewrite writes CR LF
    // lines numbered 1 to n.
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(QVector<qint32>, bibs);
        QFETCH(QByteArray, appended);
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QCOMPARE(Bibs(file), bibs);
        QCOMPARE(file.MaxID(), bibs.size());
        QCOMPARE(file.ZeroPadded(), bytes.contains('\0'));
        QCOMPARE(file.RepeatsLast(12), bibs.endsWith(12)); // the duplicate guard looks at the last record only
        QVERIFY(file.AddBib(5));
        if (!appended.isEmpty())
            QCOMPARE(FileBytes(path()), appended);
        QVERIFY(!file.ZeroPadded() && file.SaveFile());
        QCOMPARE(FileBytes(path()), Lines(bibs << 5));
        QVERIFY(m_messages->shown().isEmpty());
    }

    // A change where no record is changes nothing, not even the bytes. An inserted record gets the
    // newest ID; deleting never lowers MaxID, so no ID is used twice; an emptied list leaves an empty file.
    void changesKeepIds() {
        const QByteArray bytes("5;12\r\n9;7\r\n3;40"); // a rewrite would show in the bytes
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QVERIFY(!file.EditBib(-1, 1) && !file.EditBib(3, 1) && !file.DeleteBib(-1) && !file.DeleteBib(3));
        QVERIFY(m_messages->shown().isEmpty());
        QVERIFY(!file.AddBib(99, 4)); // an insertion beyond the end is told
        QCOMPARE(m_messages->shown().size(), 1);
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
        QCOMPARE(m_messages->shown().size(), 1);
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
    // writes the whole list, the copy goes, and appends work again.
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
        QVERIFY(!file.InStep() && m_messages->shown().isEmpty());
        QVERIFY2(error.contains(QDir::toNativeSeparators(path())) && error.contains("No space left on device"),
                 qPrintable(error));
        QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QStringLiteral("race.stn.times"));
        QCOMPARE(files, QStringList{"race.stn"});
        QCOMPARE(Bibs(file), after);
        QCOMPARE(FileBytes(file.KeptIn()), Lines(after));
        QCOMPARE(file.Changed(), step[0] != 's' && step[0] != 'a');
        QCOMPARE(file.RecordsNotInFile(), QByteArray("sdm").contains(step[0]) ? 0 : 1);

        QVERIFY(file.AddBib(77));
        QCOMPARE(FileBytes(path()), Lines(after << 77));
        QVERIFY(file.InStep() && file.Changed() && !QFileInfo::exists(RecoveryCopyPath(path())));
        QVERIFY(file.AddBib(78));
        QCOMPARE(FileBytes(path()), Lines(after << 78));
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
        QCOMPARE(file.KeptIn(), copy);
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
        QVERIFY(m_messages->shown().isEmpty());
    }

    void refusedOpenKeepsOpenFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // written to the file; none for a missing file
        QTest::addColumn<QString>("message");  // in the box shown; none: no box
        const auto row = [](const char* name, const char* file, const QByteArray& bytes, const char* message) {
            QTest::newRow(name) << QString::fromLatin1(file) << bytes << QString::fromLatin1(message);
        };
        row("missing", "missing.stn", {}, "");
        row("no name", "", {}, "");
        row("blank name", "   ", {}, "");
        row("a folder", "folder.stn", {}, "");
        // A bib beyond 32 bits names its line, skipped lines counted.
        row("above", "bad.stn", "1;5\r\n2;2147483648\r\n3;6\r\n", "Line 2");
        row("below", "bad.stn", "1;-2147483649\r\n", "Line 1");
        row("beyond double", "bad.stn", "1;1\n2;2\r3;1E999\r\n", "Line 3");
        row("skipped lines count", "bad.stn", "abc\r\n1;99999999999", "Line 2");
        row("UTF-16", "bad.stn", QByteArray::fromHex("fffe 3100 3b00 3100 3200 0d00 0a00"), "bad.stn");
        row("a zero within a record", "bad.stn", "1;12\r\n2;" + QByteArray(1, '\0') + "7\r\n", "bad.stn");
    }
    // A file the reader cannot take completely is not opened, so no later rewrite can replace it
    // with a partial list; the file that was open stays open, with its unsaved changes.
    void refusedOpenKeepsOpenFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString other = name.trimmed().isEmpty() ? name : path(name);
        if (!bytes.isEmpty())
            WriteBytes(other, bytes);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.stn")));

        clsFile fresh; // with no file open a record stays in the list, and the failure is told
        QVERIFY(!fresh.OpenFile(other) && fresh.FileName().isEmpty() && fresh.Count() == 0);
        QVERIFY(!fresh.AddBib(5) && !fresh.SaveFile());
        QCOMPARE(Bibs(fresh), QVector<qint32>{5});
        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
        QVERIFY(file.AddBib(3));
        QVERIFY(!file.OpenFile(other));
        QCOMPARE(file.FileName(), path());
        QCOMPARE(Bibs(file, true), (QVector<qint32>{1, 2, 3}));
        QVERIFY(file.Changed());
        QVERIFY(file.EditBib(0, 11));
        QCOMPARE(FileBytes(path()), Lines({11, 7, 3}));

        const QList<MessageRequest> shown = m_messages->shown(); // the refusals, the record with no file once
        QCOMPARE(shown.size(), message.isEmpty() ? 1 : 3);
        QVERIFY2(message.isEmpty() || (shown[0].text.contains(message) && shown[2].text.contains(message)),
                 qPrintable(shown.last().text));
        QCOMPARE(QFileInfo(other).isFile(), !bytes.isEmpty());
        QCOMPARE(FileBytes(other), bytes);
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
        row("four characters", "r.st", "r");
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
        QVERIFY(m_messages->shown().isEmpty());
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
        row("binary", QByteArray("\0\xff\xfe;;;\n", 7), "417: 12: 9: 5:0", 1);
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

        clsFile fresh;
        fresh.SetPathDialog([this](clsFile::PathQuestion) { return path(); });
        QVERIFY(fresh.NewFile() && !QFile::exists(TimesSidecar::PathFor(path())));
        QCOMPARE(fresh.TimesState().kind, TimesFileState::Kind::Missing);
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
