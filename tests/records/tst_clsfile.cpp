#include "TestEnvironment.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
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

// The list each operation above makes of the bibs 12, 7, 40.
QVector<qint32> AfterRewrite(int operation) {
    switch (operation) {
    case Edit:
        return {12, 70, 40};
    case Delete:
        return {7, 40};
    case Insert:
        return {12, 99, 7, 40};
    default:
        return {12, 7, 40};
    }
}

} // namespace

class TestClsFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void appendToEmptyFile();
    void readAndRewrite_data();
    void readAndRewrite();
    void appendCompletesUnfinishedLastLine_data();
    void appendCompletesUnfinishedLastLine();
    void insert_data();
    void insert();
    void insertBeyondEndIsRefused();
    void editAndDelete();
    void indexOutOfRange_data();
    void indexOutOfRange();
    void hundredThousandRecords();

    void interruptedRewriteKeepsOldFile_data();
    void interruptedRewriteKeepsOldFile();
    void failedAppendLeavesNoTornLine_data();
    void failedAppendLeavesNoTornLine();
    void readOnlyFile();
    void fileDeletedWhileOpen();
    void folderRemovedWhileOpen_data();
    void folderRemovedWhileOpen();
    void appendWithoutOpenFile();

    void openMissingFileKeepsState();
    void openOutOfRangeBibFails();
    void datedCopyPath_data();
    void datedCopyPath();
    void closeUnchangedFileMakesNoCopy();
    void closeChangedFileMakesOneCopy();
    void closeDoesNotOverwriteCopy();
    void editsOfOneChangeReachTheDiskTogether();
    void closeWithShortOrOddNameMakesCopy_data();
    void closeWithShortOrOddNameMakesCopy();

private:
    QString path(const QString& name = QStringLiteral("race.stn")) const { return m_dir->filePath(name); }
    // Writes a fixture and opens it.
    bool openWith(clsFile& file, const QByteArray& bytes, const QString& name = QStringLiteral("race.stn"));
    // Exactly one message was shown, naming the file and holding the reason.
    bool reported(const QString& file, const QString& reason) const;
    // A copy CloseFile may write beside the test program; removed in cleanup().
    QString expectCopy(const QString& recordFile, const QDateTime& moment);

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_copies;
};

void TestClsFile::init() {
    m_env = std::make_unique<IsolatedEnvironment>();
    m_messages = std::make_unique<ScriptedMessages>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestClsFile::cleanup() {
    InjectWriteFailure(0, 0);
    for (const QString& copy : std::as_const(m_copies))
        QFile::remove(copy);
    m_copies.clear();
    m_dir.reset();
    m_messages.reset();
    m_env.reset();
}

bool TestClsFile::openWith(clsFile& file, const QByteArray& bytes, const QString& name) {
    WriteBytes(path(name), bytes);
    return file.OpenFile(path(name));
}

bool TestClsFile::reported(const QString& file, const QString& reason) const {
    const QString text = m_messages->lastText();
    if (m_messages->shown().size() != 1 || !text.contains(QDir::toNativeSeparators(file)) || !text.contains(reason)) {
        qWarning() << m_messages->shown().size() << "messages, last:" << text;
        return false;
    }
    return true;
}

QString TestClsFile::expectCopy(const QString& recordFile, const QDateTime& moment) {
    const QString copy = clsFile::DatedCopyPath(recordFile, moment);
    m_copies.append(copy);
    QFile::remove(copy);
    return copy;
}

void TestClsFile::appendToEmptyFile() {
    clsFile file;
    QVERIFY(openWith(file, QByteArray()));
    QCOMPARE(file.Count(), 0);
    QCOMPARE(file.MaxID(), 0);
    QVERIFY(!file.Changed());

    QVERIFY(file.AddBib(8));
    QCOMPARE(FileBytes(path()), QByteArray("1;8\r\n"));
    QCOMPARE(file.MaxID(), 1);
    QVERIFY(file.Changed());

    clsFile again;
    QVERIFY(again.OpenFile(path()));
    QCOMPARE(Bibs(again), QVector<qint32>{8});
    QCOMPARE(Ids(again), QVector<qint32>{1});
    QVERIFY(m_messages->shown().isEmpty());
}

void TestClsFile::readAndRewrite_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<qint32>>("bibs");

    QTest::newRow("positions ignored") << QByteArray("5;12\r\n9;7\r\n") << QVector<qint32>{12, 7};
    QTest::newRow("last line without crlf") << QByteArray("1;12\r\n2;7") << QVector<qint32>{12, 7};
    QTest::newRow("lone lf") << QByteArray("1;12\n2;13") << QVector<qint32>{12, 13};
    QTest::newRow("lone cr") << QByteArray("1;12\r2;13") << QVector<qint32>{12, 13};
    QTest::newRow("odd lines") << QByteArray("abc\r\n;\r\nx;42x\r\n1;-5\r\n") << QVector<qint32>{0, 42, -5};
    QTest::newRow("empty") << QByteArray() << QVector<qint32>{};
}

// Records are numbered by the reader; the first rewrite writes CR LF lines numbered 1 to n and
// reads back byte for byte.
void TestClsFile::readAndRewrite() {
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

void TestClsFile::appendCompletesUnfinishedLastLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("appended");

    QTest::newRow("no line end") << QByteArray("1;12\r\n2;7") << QByteArray("1;12\r\n2;7\r\n3;5\r\n");
    QTest::newRow("lf end") << QByteArray("1;12\n") << QByteArray("1;12\n2;5\r\n");
    QTest::newRow("cr end") << QByteArray("1;12\r") << QByteArray("1;12\r2;5\r\n");
}

void TestClsFile::appendCompletesUnfinishedLastLine() {
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

void TestClsFile::insert_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QVector<qint32>>("bibs");
    QTest::addColumn<QVector<qint32>>("ids");

    QTest::newRow("first") << 0 << QVector<qint32>{99, 12, 7} << QVector<qint32>{3, 1, 2};
    QTest::newRow("middle") << 1 << QVector<qint32>{12, 99, 7} << QVector<qint32>{1, 3, 2};
    QTest::newRow("at the end") << 2 << QVector<qint32>{12, 7, 99} << QVector<qint32>{1, 2, 3};
}

void TestClsFile::insert() {
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

void TestClsFile::insertBeyondEndIsRefused() {
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
    QVERIFY(!file.AddBib(99, 3));
    QCOMPARE(m_messages->shown().size(), 1);
    QCOMPARE(Bibs(file), (QVector<qint32>{12, 7}));
    QCOMPARE(file.MaxID(), 2);
    QVERIFY(!file.Changed());
    QCOMPARE(FileBytes(path()), QByteArray("1;12\r\n2;7\r\n"));
}

void TestClsFile::editAndDelete() {
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n2;7\r\n3;40\r\n"));

    QVERIFY(file.DeleteBib(1));
    QCOMPARE(Bibs(file), (QVector<qint32>{12, 40}));
    QCOMPARE(Ids(file), (QVector<qint32>{1, 3}));
    QCOMPARE(FileBytes(path()), Lines({12, 40}));
    QCOMPARE(file.GetRecord(2).Bib, 0); // the place the deleted record left is no record
    QCOMPARE(file.GetRecord(2).ID, 0);

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
    QCOMPARE(file.Count(), 0);
    QCOMPARE(file.MaxID(), 4);
    QCOMPARE(file.GetRecord(-1).ID, 0);
    QCOMPARE(file.GetRecord(-1).Bib, 0);
    QCOMPARE(file.GetRecord(0).Bib, 0);
    QVERIFY(m_messages->shown().isEmpty());
}

void TestClsFile::indexOutOfRange_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("index");

    QTest::newRow("edit -1") << int(Edit) << -1;
    QTest::newRow("edit count") << int(Edit) << 2;
    QTest::newRow("delete -1") << int(Delete) << -1;
    QTest::newRow("delete count") << int(Delete) << 2;
}

void TestClsFile::indexOutOfRange() {
    QFETCH(int, operation);
    QFETCH(int, index);
    const QByteArray bytes("5;12\r\n9;7"); // a rewrite would show in the bytes
    clsFile file;
    QVERIFY(openWith(file, bytes));
    QVERIFY(!(operation == Edit ? file.EditBib(index, 1) : file.DeleteBib(index)));
    QCOMPARE(Bibs(file), (QVector<qint32>{12, 7}));
    QVERIFY(!file.Changed());
    QCOMPARE(FileBytes(path()), bytes);
    QVERIFY(m_messages->shown().isEmpty());
}

// Positions are not limited to 16 bits, neither in a rewrite nor in an append.
void TestClsFile::hundredThousandRecords() {
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

void TestClsFile::interruptedRewriteKeepsOldFile_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<qint64>("bytes");

    const QList<QPair<const char*, int>> operations{
        {"edit", Edit}, {"delete", Delete}, {"insert", Insert}, {"save", Save}};
    for (const auto& operation : operations) {
        // Before the first byte, within the first line, mid-file, and after the whole content.
        for (qint64 bytes : {0, 2, 9, 1000})
            QTest::addRow("%s after %lld bytes", operation.first, bytes) << operation.second << bytes;
    }
}

// A rewrite cut short by a full disk leaves the old file complete and unchanged, says which file
// failed and why, and the next write brings the file in step with the list.
void TestClsFile::interruptedRewriteKeepsOldFile() {
    QFETCH(int, operation);
    QFETCH(qint64, bytes);
    const QByteArray old("1;12\r\n2;7\r\n3;40\r\n");
    clsFile file;
    QVERIFY(openWith(file, old));

    InjectWriteFailure(bytes);
    QVERIFY(!RunRewrite(file, operation));
    QCOMPARE(FileBytes(path()), old);
    QVERIFY(reported(path(), QStringLiteral("No space left on device")));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"race.stn"});
    QCOMPARE(Bibs(file), AfterRewrite(operation)); // the list keeps the change
    QCOMPARE(file.Changed(), operation != Save);
    QVERIFY(!file.InStep());

    // The next record is not merely appended: the whole list is written.
    QVERIFY(file.AddBib(77));
    QCOMPARE(FileBytes(path()), Lines(AfterRewrite(operation) << 77));
    QVERIFY(file.InStep());
    QCOMPARE(m_messages->shown().size(), 1);
}

void TestClsFile::failedAppendLeavesNoTornLine_data() {
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<qint64>("bytes");

    for (qint64 bytes : {0, 1, 3, 1000}) {
        QTest::addRow("after %lld bytes", bytes) << QByteArray("1;12\r\n2;7\r\n") << bytes;
        QTest::addRow("unfinished line, after %lld bytes", bytes) << QByteArray("1;12\r\n2;7") << bytes;
    }
}

// A failed append is reported, cut back to the old file, and kept in the list; the next append
// writes every record once the disk works again.
void TestClsFile::failedAppendLeavesNoTornLine() {
    QFETCH(QByteArray, old);
    QFETCH(qint64, bytes);
    clsFile file;
    QVERIFY(openWith(file, old));

    InjectWriteFailure(bytes);
    QVERIFY(!file.AddBib(99));
    QCOMPARE(FileBytes(path()), old);
    QVERIFY(reported(path(), QStringLiteral("No space left on device")));
    QCOMPARE(Bibs(file), (QVector<qint32>{12, 7, 99}));
    QCOMPARE(file.MaxID(), 3);
    QVERIFY(!file.Changed());
    QVERIFY(!file.InStep());

    QVERIFY(file.AddBib(5));
    QCOMPARE(FileBytes(path()), Lines({12, 7, 99, 5}));
    QVERIFY(file.Changed());
    QVERIFY(file.AddBib(6));
    QCOMPARE(FileBytes(path()), Lines({12, 7, 99, 5, 6}));
    QCOMPARE(m_messages->shown().size(), 1);
}

void TestClsFile::readOnlyFile() {
    clsFile file;
    const QByteArray old("1;12\r\n2;7\r\n");
    QVERIFY(openWith(file, old));
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QFile probe(path());
    if (probe.open(QIODevice::WriteOnly | QIODevice::Append))
        QSKIP("A read-only file is still writable here (running as root), so this case cannot be tested.");

    QVERIFY(!file.AddBib(99));
    QVERIFY(reported(path(), QStringLiteral("ermission")));
    m_messages->clear();
    QVERIFY(!file.EditBib(0, 13)); // a rename would replace the read-only file all the same
    QVERIFY(reported(path(), QStringLiteral("read-only")));
    QCOMPARE(FileBytes(path()), old);

    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(file.AddBib(5));
    QCOMPARE(FileBytes(path()), Lines({13, 7, 99, 5}));
}

void TestClsFile::fileDeletedWhileOpen() {
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
    QVERIFY(QFile::remove(path()));
    QVERIFY(file.AddBib(5));
    QCOMPARE(FileBytes(path()), Lines({12, 7, 5}));
    QVERIFY(m_messages->shown().isEmpty());
}

void TestClsFile::folderRemovedWhileOpen_data() {
    QTest::addColumn<bool>("wholeTree");
    // The file's own folder is created again by the write; a lost parent folder (a removed stick)
    // makes writes fail until it is back.
    QTest::newRow("own folder") << false;
    QTest::newRow("parent folder") << true;
}

void TestClsFile::folderRemovedWhileOpen() {
    QFETCH(bool, wholeTree);
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("event/day1")));
    const QString name = QStringLiteral("event/day1/race.stn");
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n2;7\r\n", name));
    QVERIFY(QDir(path(wholeTree ? QStringLiteral("event") : QStringLiteral("event/day1"))).removeRecursively());

    if (wholeTree) {
        QVERIFY(!file.AddBib(5));
        QVERIFY(reported(path(name), QStringLiteral("could not be")));
        QVERIFY(!file.EditBib(0, 13));
        QCOMPARE(m_messages->shown().size(), 2);
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("event/day1")));
        QVERIFY(file.AddBib(6));
        QCOMPARE(FileBytes(path(name)), Lines({13, 7, 5, 6}));
    } else {
        QVERIFY(file.AddBib(5));
        QCOMPARE(FileBytes(path(name)), Lines({12, 7, 5}));
        QVERIFY(m_messages->shown().isEmpty());
    }
}

void TestClsFile::appendWithoutOpenFile() {
    clsFile file;
    QVERIFY(!file.AddBib(5));
    QCOMPARE(m_messages->shown().size(), 1);
    QCOMPARE(Bibs(file), QVector<qint32>{5});
    QVERIFY(!file.SaveFile());
    QCOMPARE(m_messages->shown().size(), 1);
}

void TestClsFile::openMissingFileKeepsState() {
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
    QVERIFY(file.AddBib(3));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.stn")));

    for (const QString& other :
         {path(QStringLiteral("missing.stn")), QString(), QStringLiteral("   "), path(QStringLiteral("folder.stn"))}) {
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
void TestClsFile::openOutOfRangeBibFails() {
    const QByteArray bad("1;5\r\n2;2147483648\r\n3;6\r\n");
    WriteBytes(path(QStringLiteral("bad.stn")), bad);

    clsFile fresh;
    QVERIFY(!fresh.OpenFile(path(QStringLiteral("bad.stn"))));
    QVERIFY(fresh.FileName().isEmpty());
    QCOMPARE(fresh.Count(), 0);
    QCOMPARE(m_messages->shown().size(), 1);
    QVERIFY2(m_messages->lastText().contains(QStringLiteral("Line 2")), qPrintable(m_messages->lastText()));
    m_messages->clear();

    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n2;7\r\n"));
    QVERIFY(file.AddBib(3));
    QVERIFY(!file.OpenFile(path(QStringLiteral("bad.stn"))));
    QCOMPARE(m_messages->shown().size(), 1);
    QCOMPARE(file.FileName(), path());
    QCOMPARE(Bibs(file), (QVector<qint32>{12, 7, 3}));
    QCOMPARE(Ids(file), (QVector<qint32>{1, 2, 3}));
    QCOMPARE(file.MaxID(), 3);
    QVERIFY(file.Changed());

    QVERIFY(file.AddBib(4));
    QVERIFY(file.EditBib(0, 11));
    QCOMPARE(FileBytes(path()), Lines({11, 7, 3, 4}));
    QCOMPARE(FileBytes(path(QStringLiteral("bad.stn"))), bad);
}

void TestClsFile::datedCopyPath_data() {
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

void TestClsFile::datedCopyPath() {
    QFETCH(QString, fileName);
    QFETCH(QDateTime, moment);
    QFETCH(QString, copy);
    QCOMPARE(clsFile::DatedCopyPath(fileName, moment), WritableProgramFolder() + copy);
}

void TestClsFile::closeUnchangedFileMakesNoCopy() {
    const QDateTime moment({2021, 5, 2}, {15, 30, 12});
    FixedClock clock(moment);
    const QString copy = expectCopy(path(QStringLiteral("unchanged.stn")), moment);
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n", QStringLiteral("unchanged.stn")));
    QVERIFY(file.CloseFile());
    QVERIFY(!QFileInfo::exists(copy));
    QVERIFY(file.FileName().isEmpty());
    QCOMPARE(file.Count(), 0);
}

void TestClsFile::closeChangedFileMakesOneCopy() {
    const QDateTime moment({2021, 5, 2}, {15, 30, 12});
    FixedClock clock(moment);
    const QString copy = expectCopy(path(QStringLiteral("changed.stn")), moment);
    QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("changed2021-05-02 153012.stn"));
    // Other tests running at the same time keep their copies in the same folder: look only at
    // copies of this file.
    const QDir folder(WritableProgramFolder(), QStringLiteral("changed*.stn"));
    const QStringList before = folder.entryList(QDir::Files);

    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n", QStringLiteral("changed.stn")));
    QVERIFY(file.AddBib(8));
    QVERIFY(file.CloseFile());
    QVERIFY(file.FileName().isEmpty());
    QCOMPARE(file.Count(), 0);
    QVERIFY(!file.Changed());

    QStringList added = folder.entryList(QDir::Files);
    for (const QString& name : before)
        added.removeAll(name);
    QCOMPARE(added, QStringList{QFileInfo(copy).fileName()});
    QCOMPARE(FileBytes(copy), QByteArray("1;12\r\n2;8\r\n"));
    QVERIFY(m_messages->shown().isEmpty());
}

void TestClsFile::closeDoesNotOverwriteCopy() {
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

// Any file name closes: the copy is named after the name without its extension, so a short name
// can never keep the program from closing.
void TestClsFile::closeWithShortOrOddNameMakesCopy_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("copyBase");
    QTest::newRow("short") << "abc"
                           << "abc";
    QTest::newRow("one letter") << "a"
                                << "a";
    QTest::newRow("upper-case extension") << "RACE.STN"
                                          << "RACE";
    QTest::newRow("other extension") << "race.txt"
                                     << "race";
    QTest::newRow("two dots") << "spring.run.stn"
                              << "spring.run";
}

void TestClsFile::closeWithShortOrOddNameMakesCopy() {
    QFETCH(QString, name);
    QFETCH(QString, copyBase);
    const QDateTime moment({2021, 5, 2}, {15, 30, 12});
    FixedClock clock(moment);
    const QString copy = WritableProgramFolder() + copyBase + QStringLiteral("2021-05-02 153012.stn");
    QFile::remove(copy);
    clsFile file;
    QVERIFY(openWith(file, "1;12\r\n", name));
    QVERIFY(file.AddBib(8));
    QVERIFY(file.CloseFile());
    QVERIFY(file.FileName().isEmpty());
    QCOMPARE(FileBytes(copy), QByteArray("1;12\r\n2;8\r\n"));
    QFile::remove(copy);
    QVERIFY(m_messages->shown().isEmpty());
}

// A bib moved in the grid changes two records; the file holds both changes or neither.
void TestClsFile::editsOfOneChangeReachTheDiskTogether() {
    clsFile file;
    QVERIFY(openWith(file, "1;11\r\n2;22\r\n3;33\r\n"));
    file.BeginChange();
    QVERIFY(file.EditBib(0, 22));
    QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n")); // nothing written halfway
    QVERIFY(file.EditBib(1, 11));
    InjectWriteFailure(6); // the one write of the change fails
    QVERIFY(!file.EndChange());
    QCOMPARE(m_messages->shown().size(), 1);
    QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n"));
    m_messages->clear();

    file.BeginChange();
    QVERIFY(file.EditBib(0, 11));
    QVERIFY(file.EditBib(1, 22));
    QVERIFY(file.EndChange());
    QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n"));
    QVERIFY(file.AddBib(44));
    QCOMPARE(FileBytes(path()), QByteArray("1;11\r\n2;22\r\n3;33\r\n4;44\r\n"));
}

QTEST_GUILESS_MAIN(TestClsFile)
#include "tst_clsfile.moc"
