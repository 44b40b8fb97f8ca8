#include "GuiTestHelpers.h"
#include "TestEnvironment.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/RecoveryCopy.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

namespace {

// The file the writer must produce for a list: positions 1 to n, CR LF after every line.
QByteArray Lines(const QVector<qint32>& bibs) {
    QByteArray bytes;
    for (qsizetype i = 0; i < bibs.size(); ++i)
        bytes += QByteArray::number(i + 1) + ';' + QByteArray::number(bibs[i]) + "\r\n";
    return bytes;
}

QVector<qint32> Bibs(const clsFile& file) {
    QVector<qint32> bibs;
    for (qint32 i = 0; i < file.Count(); ++i)
        bibs.append(file.GetRecord(i).Bib);
    return bibs;
}

QVector<qint32> Ids(const clsFile& file) {
    QVector<qint32> ids;
    for (qint32 i = 0; i < file.Count(); ++i)
        ids.append(file.GetRecord(i).ID);
    return ids;
}

// Operations that rewrite the whole file, for data tables.
enum Rewrite { Edit, Delete, Insert, Save };

bool RunRewrite(clsFile& file, int operation) {
    switch (operation) {
    case Edit:
        return file.EditBib(1, 70);
    case Delete:
        return file.DeleteBib(0);
    case Insert:
        return file.AddBib(99, 1);
    default:
        return file.SaveFile();
    }
}

} // namespace

class TestClsFile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() {
        InjectWriteFailure(0, 0);
        for (const QString& copy : std::as_const(m_copies)) {
            QFile::remove(copy);
            QFile::remove(copy + QStringLiteral(".times"));
        }
        m_copies.clear();
        m_dir.reset();
        m_messages.reset();
        m_env.reset();
    }

    void readAndRewrite_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVector<qint32>>("bibs");

        QTest::newRow("positions ignored") << QByteArray("5;12\r\n9;7\r\n") << QVector<qint32>{12, 7};
        QTest::newRow("lone lf") << QByteArray("1;12\n2;13") << QVector<qint32>{12, 13};
        QTest::newRow("lone cr") << QByteArray("1;12\r2;13") << QVector<qint32>{12, 13};
        QTest::newRow("empty") << QByteArray() << QVector<qint32>{};
    }
    // The line parser has its own tests. Records are numbered by the reader; the first rewrite writes CR LF
    // lines numbered 1 to n and reads back byte for byte.
    void readAndRewrite() {
        QFETCH(QByteArray, bytes);
        QFETCH(QVector<qint32>, bibs);
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QCOMPARE(Bibs(file), bibs);
        QVector<qint32> ids;
        for (qint32 id = 1; id <= bibs.size(); ++id)
            ids.append(id);
        QCOMPARE(Ids(file), ids);
        QCOMPARE(file.MaxID(), bibs.size());

        QVERIFY(file.SaveFile());
        const QByteArray written = FileBytes(path());
        QCOMPARE(written, Lines(bibs));
        QVERIFY(file.CloseFile());
        QVERIFY(file.OpenFile(path()));
        QVERIFY(file.SaveFile());
        QCOMPARE(FileBytes(path()), written);
    }
    void appendCompletesUnfinishedLastLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("appended");

        QTest::newRow("empty") << QByteArray() << QByteArray("1;5\r\n");
        QTest::newRow("no line end") << QByteArray("1;12\r\n2;7") << QByteArray("1;12\r\n2;7\r\n3;5\r\n");
        QTest::newRow("lf end") << QByteArray("1;12\n") << QByteArray("1;12\n2;5\r\n");
        QTest::newRow("cr end") << QByteArray("1;12\r") << QByteArray("1;12\r2;5\r\n");
    }
    void appendCompletesUnfinishedLastLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, appended);
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QVERIFY(file.AddBib(5));
        QCOMPARE(FileBytes(path()), appended);

        clsFile again;
        QVERIFY(again.OpenFile(path()));
        QCOMPARE(Bibs(again), Bibs(file));
    }
    void insert_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<QVector<qint32>>("bibs");
        QTest::addColumn<QVector<qint32>>("ids");

        QTest::newRow("first") << 0 << QVector<qint32>{99, 12, 7} << QVector<qint32>{3, 1, 2};
        QTest::newRow("middle") << 1 << QVector<qint32>{12, 99, 7} << QVector<qint32>{1, 3, 2};
        QTest::newRow("at the end") << 2 << QVector<qint32>{12, 7, 99} << QVector<qint32>{1, 2, 3};
    }
    void insert() {
        QFETCH(int, before);
        QFETCH(QVector<qint32>, bibs);
        QFETCH(QVector<qint32>, ids);
        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
        QVERIFY(file.AddBib(99, before));
        QCOMPARE(Bibs(file), bibs);
        QCOMPARE(Ids(file), ids);
        QCOMPARE(file.MaxID(), 3);
        QVERIFY(file.Changed());
        QCOMPARE(FileBytes(path()), Lines(bibs));
    }
    void editAndDelete() {
        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n2;7\r\n3;40\r\n"));

        QVERIFY(file.DeleteBib(1));
        QCOMPARE(Bibs(file), (QVector<qint32>{12, 40}));
        QCOMPARE(Ids(file), (QVector<qint32>{1, 3}));
        QCOMPARE(FileBytes(path()), Lines({12, 40}));
        QCOMPARE(file.GetRecord(2).ID, 0); // the place the deleted record left is no record

        // Deleting never lowers MaxID, so a new record never reuses an ID.
        QCOMPARE(file.MaxID(), 3);
        QVERIFY(file.AddBib(5));
        QCOMPARE(file.GetRecord(2).ID, 4);
        QCOMPARE(FileBytes(path()), Lines({12, 40, 5}));

        QVERIFY(file.EditBib(0, -8));
        QCOMPARE(file.GetRecord(0).ID, 1);
        QCOMPARE(FileBytes(path()), Lines({-8, 40, 5}));

        for (int i = 0; i < 3; ++i)
            QVERIFY(file.DeleteBib(0));
        QVERIFY(QFileInfo::exists(path()));
        QCOMPARE(QFileInfo(path()).size(), 0);
        QCOMPARE(file.MaxID(), 4);
        QCOMPARE(file.GetRecord(-1).ID, 0);
        QVERIFY(m_messages->shown().isEmpty());
    }
    void indexOutOfRange_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("messages");

        QTest::newRow("edit -1") << int(Edit) << -1 << 0;
        QTest::newRow("edit count") << int(Edit) << 2 << 0;
        QTest::newRow("delete -1") << int(Delete) << -1 << 0;
        QTest::newRow("delete count") << int(Delete) << 2 << 0;
        QTest::newRow("insert beyond end") << int(Insert) << 3 << 1;
    }
    void indexOutOfRange() {
        QFETCH(int, operation);
        QFETCH(int, index);
        QFETCH(int, messages);
        const QByteArray bytes("5;12\r\n9;7"); // a rewrite would show in the bytes
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QVERIFY(!(operation == Edit     ? file.EditBib(index, 1)
                  : operation == Delete ? file.DeleteBib(index)
                                        : file.AddBib(99, index)));
        QCOMPARE(Bibs(file), (QVector<qint32>{12, 7}));
        QCOMPARE(file.MaxID(), 2);
        QVERIFY(!file.Changed());
        QCOMPARE(FileBytes(path()), bytes);
        QCOMPARE(m_messages->shown().size(), messages);
    }
    // Positions are not limited to 16 bits, neither in a rewrite nor in an append.
    void hundredThousandRecords() {
        constexpr qint32 kCount = 100000;
        QByteArray bytes;
        QVector<qint32> bibs;
        for (qint32 i = 0; i < kCount; ++i) {
            bibs.append(i % 997);
            bytes += "0;" + QByteArray::number(i % 997) + "\r\n";
        }
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QCOMPARE(file.Count(), kCount);
        QCOMPARE(file.GetRecord(kCount - 1).ID, kCount);

        QVERIFY(file.EditBib(kCount - 1, 123456));
        bibs.last() = 123456;
        QCOMPARE(FileBytes(path()), Lines(bibs));

        QVERIFY(file.AddBib(5, 0));
        bibs.prepend(5);
        QCOMPARE(file.GetRecord(0).ID, kCount + 1);
        QCOMPARE(FileBytes(path()), Lines(bibs));

        QVERIFY(file.AddBib(9));
        QVERIFY(FileBytes(path()).endsWith("\r\n100001;123456\r\n100002;9\r\n"));
    }

    void interruptedRewriteKeepsOldFile_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QVector<qint32>>("after"); // the list the operation makes of 12, 7, 40
        const struct {
            const char* name;
            Rewrite operation;
            QVector<qint32> after;
        } operations[] = {{"edit", Edit, {12, 70, 40}},
                          {"delete", Delete, {7, 40}},
                          {"insert", Insert, {12, 99, 7, 40}},
                          {"save", Save, {12, 7, 40}}};
        for (const auto& operation : operations) {
            // Before the first byte, within the first line, mid-file, and after the whole content.
            for (qint64 bytes : {0, 2, 9, 1000})
                QTest::addRow("%s after %lld bytes", operation.name, bytes)
                    << int(operation.operation) << bytes << operation.after;
        }
    }
    // A rewrite cut short by a full disk leaves the old file complete and unchanged, says which file
    // failed and why, and the next write brings the file in step with the list.
    void interruptedRewriteKeepsOldFile() {
        QFETCH(int, operation);
        QFETCH(qint64, bytes);
        QFETCH(QVector<qint32>, after);
        const QByteArray old("1;12\r\n2;7\r\n3;40\r\n");
        clsFile file;
        QVERIFY(openWith(file, old));

        InjectWriteFailure(bytes);
        QVERIFY(!RunRewrite(file, operation));
        QCOMPARE(FileBytes(path()), old);
        QVERIFY(failed(file, QStringLiteral("No space left on device")));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"race.stn"});
        QCOMPARE(Bibs(file), after); // the list keeps the change, and so does the recovery copy
        QCOMPARE(FileBytes(file.KeptIn()), Lines(after));
        QCOMPARE(file.Changed(), operation != Save);

        // The next record is not merely appended: the whole list is written; the copy goes.
        QVERIFY(file.AddBib(77));
        QCOMPARE(FileBytes(path()), Lines(after << 77));
        QVERIFY(file.InStep());
        QVERIFY(!QFileInfo::exists(RecoveryCopyPath(path())));
    }
    void failedAppendLeavesNoTornLine_data() {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<qint64>("bytes");

        for (qint64 bytes : {0, 1, 3, 1000}) {
            QTest::addRow("after %lld bytes", bytes) << QByteArray("1;12\r\n2;7\r\n") << bytes;
            QTest::addRow("unfinished line, after %lld bytes", bytes) << QByteArray("1;12\r\n2;7") << bytes;
        }
    }
    // A failed append is reported, cut back to the old file, and kept in the list; the next append
    // writes every record once the disk works again.
    void failedAppendLeavesNoTornLine() {
        QFETCH(QByteArray, old);
        QFETCH(qint64, bytes);
        clsFile file;
        QVERIFY(openWith(file, old));

        InjectWriteFailure(bytes);
        QVERIFY(!file.AddBib(99));
        QCOMPARE(FileBytes(path()), old);
        QVERIFY(failed(file, QStringLiteral("No space left on device")));
        QCOMPARE(Bibs(file), (QVector<qint32>{12, 7, 99}));
        QCOMPARE(FileBytes(file.KeptIn()), Lines({12, 7, 99}));
        QCOMPARE(file.RecordsNotInFile(), 1);
        QCOMPARE(file.MaxID(), 3);
        QVERIFY(!file.Changed());

        QVERIFY(file.AddBib(5));
        QCOMPARE(FileBytes(path()), Lines({12, 7, 99, 5}));
        QVERIFY(file.Changed());
        QVERIFY(file.AddBib(6));
        QCOMPARE(FileBytes(path()), Lines({12, 7, 99, 5, 6}));
    }
    // While the file lags behind, every change reaches the recovery copy; a copy an earlier run
    // left is set aside, not replaced. Save as makes another file the record file, in step.
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
        QVERIFY(file.InStep());
        QVERIFY(!QFileInfo::exists(copy));
        QCOMPARE(FileBytes(path()), QByteArray("1;12\r\n"));
        // The times go with the list to the new file.
        const QList<QByteArray> times = FileBytes(TimesSidecar::PathFor(file.FileName())).split('\n');
        QCOMPARE(times.size(), 4);
        QCOMPARE(times[0], QByteArray("1;13;\r"));
        QVERIFY2(times[2].startsWith("3;6;2") && file.PassageTime(2).isValid(), times[2].constData());
        QVERIFY(m_messages->shown().isEmpty());
    }
    void zeroPaddingSkippedAndRewritten_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("opens");
        const QByteArray lines("1;12\r\n2;7\r\n");
        QTest::newRow("1 zero byte at the end") << lines + QByteArray(1, '\0') << true;
        QTest::newRow("4 KiB of zeros at the end") << lines + QByteArray(4096, '\0') << true;
        QTest::newRow("64 KiB of zeros at the end") << lines + QByteArray(65536, '\0') << true;
        QTest::newRow("a zero-filled block between lines")
            << QByteArray("1;12\r\n") + QByteArray(4096, '\0') + QByteArray("\r\n2;7\r\n") << true;
        QTest::newRow("UTF-16") << QByteArray("\xff\xfe"
                                              "1\0;\0"
                                              "1\0"
                                              "2\0\r\0\n\0",
                                              14)
                                << false;
        QTest::newRow("a zero within a record") << QByteArray("1;12\r\n2;\0"
                                                              "7\r\n",
                                                              11)
                                                << false;
    }
    // Zero bytes a power cut left are skipped and gone with the next change; text of another
    // encoding and binary content are refused, the file untouched.
    void zeroPaddingSkippedAndRewritten() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, opens);
        clsFile file;
        QCOMPARE(openWith(file, bytes), opens);
        if (!opens) {
            QCOMPARE(m_messages->shown().size(), 1);
            QCOMPARE(FileBytes(path()), bytes);
            return;
        }
        QCOMPARE(Bibs(file), (QVector<qint32>{12, 7}));
        QVERIFY(file.ZeroPadded());
        QVERIFY(file.AddBib(5));
        QCOMPARE(FileBytes(path()), Lines({12, 7, 5}));
        QVERIFY(!file.ZeroPadded());
    }
    void appendWithoutOpenFile() {
        clsFile file;
        QVERIFY(!file.AddBib(5));
        QCOMPARE(m_messages->shown().size(), 1);
        QCOMPARE(Bibs(file), QVector<qint32>{5});
        QVERIFY(!file.SaveFile());
        QCOMPARE(m_messages->shown().size(), 1);
    }

    void openMissingFileKeepsState() {
        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
        QVERIFY(file.AddBib(3));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.stn")));

        for (const QString& other : {path(QStringLiteral("missing.stn")), QString(), QStringLiteral("   "),
                                     path(QStringLiteral("folder.stn"))}) {
            QVERIFY2(!file.OpenFile(other), qPrintable(other));
            QCOMPARE(file.FileName(), path());
            QCOMPARE(Bibs(file), (QVector<qint32>{12, 7, 3}));
            QCOMPARE(file.MaxID(), 3);
            QVERIFY(file.Changed());
        }
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("missing.stn"))));
        QVERIFY(m_messages->shown().isEmpty());
    }
    // A file the reader cannot take completely is not opened, so no later rewrite can replace it
    // with a partial list; the file that was open stays open.
    void openOutOfRangeBibFails() {
        const QByteArray bad("1;5\r\n2;2147483648\r\n3;6\r\n");
        WriteBytes(path(QStringLiteral("bad.stn")), bad);

        clsFile fresh;
        QVERIFY(!fresh.OpenFile(path(QStringLiteral("bad.stn"))));
        QVERIFY(fresh.FileName().isEmpty() && fresh.Count() == 0);
        QCOMPARE(m_messages->shown().size(), 1);
        QVERIFY2(m_messages->lastText().contains(QStringLiteral("Line 2")), qPrintable(m_messages->lastText()));
        m_messages->clear();

        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
        QVERIFY(file.AddBib(3));
        QVERIFY(!file.OpenFile(path(QStringLiteral("bad.stn"))));
        QCOMPARE(m_messages->shown().size(), 1);
        QCOMPARE(file.FileName(), path());
        QCOMPARE(Ids(file), (QVector<qint32>{1, 2, 3}));
        QVERIFY(file.Changed());

        QVERIFY(file.AddBib(4));
        QVERIFY(file.EditBib(0, 11));
        QCOMPARE(FileBytes(path()), Lines({11, 7, 3, 4}));
        QCOMPARE(FileBytes(path(QStringLiteral("bad.stn"))), bad);
    }
    void datedCopyPath_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("copy");

        QTest::newRow("example") << QStringLiteral("/data/race.stn") << QDateTime({2021, 5, 2}, {15, 30, 12})
                                 << QStringLiteral("race2021-05-02 153012.stn");
        QTest::newRow("24 hours") << QStringLiteral("Lauf 1.stn") << QDateTime({2021, 12, 31}, {23, 5, 9})
                                  << QStringLiteral("Lauf 12021-12-31 230509.stn");
        QTest::newRow("midnight") << QStringLiteral("/x/a.stn") << QDateTime({2022, 1, 2}, {0, 0, 0})
                                  << QStringLiteral("a2022-01-02 000000.stn");
        QTest::newRow("no extension") << QStringLiteral("results") << QDateTime({2021, 5, 2}, {1, 2, 3})
                                      << QStringLiteral("results2021-05-02 010203.stn");
        QTest::newRow("four characters") << QStringLiteral("r.st") << QDateTime({2021, 5, 2}, {1, 2, 3})
                                         << QStringLiteral("r2021-05-02 010203.stn");
    }
    void datedCopyPath() {
        QFETCH(QString, fileName);
        QFETCH(QDateTime, moment);
        QFETCH(QString, copy);
        QCOMPARE(clsFile::DatedCopyPath(fileName, moment), WritableProgramFolder() + copy);
    }
    // Closing a changed file leaves exactly one dated copy beside the program, named after the file
    // without its extension (so no name keeps the program from closing); an unchanged file leaves none.
    void closeMakesCopy_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("copyBase");
        QTest::newRow("unchanged") << "unchanged.stn" << false << "unchanged";
        QTest::newRow("changed") << "changed.stn" << true << "changed";
        QTest::newRow("one letter") << "a" << true << "a";
        QTest::newRow("upper-case extension") << "RACE.STN" << true << "RACE";
        QTest::newRow("other extension") << "lap.txt" << true << "lap";
        QTest::newRow("two dots") << "spring.run.stn" << true << "spring.run";
    }
    void closeMakesCopy() {
        QFETCH(QString, name);
        QFETCH(bool, change);
        QFETCH(QString, copyBase);
        const QDateTime moment({2021, 5, 2}, {15, 30, 12});
        FixedClock clock(moment);
        const QString copy = expectCopy(path(name), moment);
        QCOMPARE(copy, WritableProgramFolder() + copyBase + QStringLiteral("2021-05-02 153012.stn"));
        // Other tests running at the same time keep their copies in the same folder (many of them of
        // a "race.stn"): look only at copies of this file, its name matched with its case.
        const QDir folder(WritableProgramFolder(), copyBase + QStringLiteral("2*.stn"));
        const QStringList before = folder.entryList(QDir::Files | QDir::CaseSensitive);

        clsFile file;
        QVERIFY(openWith(file, "1;12\r\n", name));
        if (change)
            QVERIFY(file.AddBib(8));
        QVERIFY(file.CloseFile());
        QVERIFY(file.FileName().isEmpty());
        QCOMPARE(file.Count(), 0);
        QVERIFY(!file.Changed());

        QStringList added = folder.entryList(QDir::Files | QDir::CaseSensitive);
        for (const QString& old : before)
            added.removeAll(old);
        QCOMPARE(added, change ? QStringList{QFileInfo(copy).fileName()} : QStringList{});
        if (change)
            QCOMPARE(FileBytes(copy), QByteArray("1;12\r\n2;8\r\n"));
        QVERIFY(m_messages->shown().isEmpty());
    }
    void closeDoesNotOverwriteCopy() {
        const QDateTime moment({2021, 5, 2}, {15, 30, 12});
        FixedClock clock(moment);
        const QString copy = expectCopy(path(), moment);
        WriteBytes(copy, "earlier");
        clsFile file;
        QVERIFY(openWith(file, QByteArray()));
        QVERIFY(file.AddBib(8));
        QVERIFY(file.CloseFile());
        QVERIFY(file.FileName().isEmpty());
        QCOMPARE(FileBytes(copy), QByteArray("earlier"));
        QVERIFY(m_messages->shown().isEmpty());
    }
    // A bib moved in the grid changes two records; the file holds both changes or neither.
    void editsOfOneChangeReachTheDiskTogether() {
        clsFile file;
        QVERIFY(openWith(file, "1;11\r\n2;22\r\n3;33\r\n"));
        file.BeginChange();
        QVERIFY(file.EditBib(0, 22));
        QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n")); // nothing written halfway
        QVERIFY(file.EditBib(1, 11));
        InjectWriteFailure(6); // the one write of the change fails
        QVERIFY(!file.EndChange());
        QVERIFY(!file.InStep());
        QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n"));

        file.BeginChange();
        QVERIFY(file.EditBib(0, 11));
        QVERIFY(file.EditBib(1, 22));
        QVERIFY(file.EndChange());
        QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n"));
        QVERIFY(file.AddBib(44));
        QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n4;44\r\n"));
    }

    // The duplicate guard compares the directly preceding record only.
    void repeatsLast_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("repeats");
        QTest::newRow("no records") << QByteArray() << false;
        QTest::newRow("last record") << QByteArray("1;4\r\n2;5\r\n") << true;
        QTest::newRow("earlier record only") << QByteArray("1;5\r\n2;4\r\n") << false;
    }

    void repeatsLast() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, repeats);
        clsFile file;
        QVERIFY(openWith(file, bytes));
        QCOMPARE(file.RepeatsLast(5), repeats);
    }

private:
    QString path(const QString& name = QStringLiteral("race.stn")) const { return m_dir->filePath(name); }
    // Writes a fixture and opens it.
    bool openWith(clsFile& file, const QByteArray& bytes, const QString& name = QStringLiteral("race.stn")) {
        WriteBytes(path(name), bytes);
        return file.OpenFile(path(name));
    }
    // The file is out of step; its error names the file and holds the reason; no box was shown
    // (the window shows write failures without one).
    bool failed(const clsFile& file, const QString& reason) const {
        const QString text = file.WriteError().description;
        if (file.InStep() || !m_messages->shown().isEmpty() || !text.contains(QDir::toNativeSeparators(path())) ||
            !text.contains(reason)) {
            qWarning() << m_messages->shown().size() << "messages; error:" << text;
            return false;
        }
        return true;
    }
    // A copy CloseFile may write beside the test program; removed in cleanup().
    QString expectCopy(const QString& recordFile, const QDateTime& moment) {
        const QString copy = clsFile::DatedCopyPath(recordFile, moment);
        m_copies.append(copy);
        QFile::remove(copy);
        return copy;
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_copies;
    ScopedLanguage m_language; // failures are read in English
};

QTEST_GUILESS_MAIN(TestClsFile)
#include "tst_clsfile.moc"
