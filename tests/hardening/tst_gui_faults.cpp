// Faults around the program's real writers, driven through the main window: a full disk, a record
// file made read-only, deleted or pulled away with its stick, an unwritable log, program folder or
// settings store, a scanner pulled out or held by a box, a power cut's zero bytes, a kill while the
// file lags behind, and a storm of errors. Each checks what the operator is told (a write that
// fails while recording shows in the alarm band, never in a box) and what the files hold
// afterwards: once the fault clears, the next write brings the file in step and nothing recorded
// meanwhile is lost.

#include "app/Clock.h"
#include "app/ErrorHandler.h"
#include "app/ErrorInfo.h"
#include "app/LogWriter.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/clsFile.h"

#include "ScannerPty.h"
#include "StnCheck.h"
#include "TestEnvironment.h"
#include "WindowDriver.h"
#include "WriteProtection.h"

#include "recording/AckSound.h"
#include "recording/BarcodeScanner.h"
#include "recording/frmMain.h"
#include "records/RecoveryCopy.h"
#include "support/FileDialogSeam.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Bibs whose file is exactly `size` bytes long: five-digit bibs, and lines of one to eight digits
// for the last few bytes.
QVector<qint32> BibsFilling(int size) {
    QVector<qint32> bibs;
    const auto lineSize = [](qsizetype position, int digits) {
        return int(QByteArray::number(position).size()) + 3 + digits;
    };
    int used = 0;
    while (size - used > 60) {
        used += lineSize(bibs.size() + 1, 5);
        bibs << 10000 + qint32(bibs.size());
    }
    std::function<bool(int)> fill = [&](int rest) {
        if (rest == 0)
            return true;
        for (int digits = 1; digits <= 8 && lineSize(bibs.size() + 1, digits) <= rest; ++digits) {
            const int length = lineSize(bibs.size() + 1, digits);
            bibs << QByteArray(digits, '7').toInt();
            if (fill(rest - length))
                return true;
            bibs.removeLast();
        }
        return false;
    };
    fill(size - used);
    return bibs;
}

// Writes to a file until the file system refuses; the errno of the refusal.
int FillUp(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    const QByteArray block(4096, 'x');
    int error = 0;
    while (error == 0) {
        if (::write(fd, block.constData(), size_t(block.size())) < 0)
            error = errno;
    }
    ::close(fd);
    return error;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void diskFullThenFreed();
    void diskNearlyFullKeepsPassages();
    void recordFileFaults_data();
    void recordFileFaults();
    void logNotWritable_data();
    void logNotWritable();
    void programFolderNotWritable();
    void settingsStoreNotWritable();
    void errorStormKeepsLogSmall();
    void recordingGoesOnThroughWriteFailures_data();
    void recordingGoesOnThroughWriteFailures();
    void leavingWhileOutOfStepAsks_data();
    void leavingWhileOutOfStepAsks();
    void killedWhileOutOfStepOffersRecovery();
    void scannerWaitsForBoxesAndItsLossShowsInBand();
    void zeroPaddedFileOpensWithNotice();

private:
    bool MountSmallDisk(const QString& folder);
    bool Open(const QString& path);
    void Close();
    void EditRow(int row, int bib);
    QString Panel(int panel) const {
        return m_window->findChild<QLabel*>(QStringLiteral("StatusBar_Panel%1").arg(panel))->text();
    }
    // The alarm band's text; "" while it is hidden.
    QString Band() const {
        auto* band = m_window->findChild<QLabel*>(QStringLiteral("lblAlarm"));
        return band->isVisible() ? band->text() : QString();
    }
    // Records and grid rows as the window shows them.
    QVector<qint32> ListBibs() const;
    QVector<qint32> GridBibs() const;
    // A program of its own on a record file, whose scanner the operator switched on for a pty,
    // in its own home.
    void StartProgram(QProcess& marklog, const QString& path, const QString& device, const QString& home);

    std::unique_ptr<IsolatedEnvironment> m_env;

    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<frmMain> m_window;
    QString m_mountPoint; // a tmpfs to unmount after the test
};

void TestFaults::init() {
    m_env = std::make_unique<IsolatedEnvironment>();
    m_language = std::make_unique<ProcessLanguage>();
    m_messages = std::make_unique<ScriptedMessages>();
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12)));
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestFaults::cleanup() {
    InjectWriteFailure(0, 0); // a file still out of step catches up as the window closes
    if (m_window)
        Close();
    FileDialogSeam::reset();
    QFile::remove(clsFile::DatedCopyPath(QStringLiteral("race.stn"), Now())); // kept beside the program
    if (!m_mountPoint.isEmpty())
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint});
    m_mountPoint.clear();
    m_dir.reset();
    m_clock.reset();
    m_messages.reset();
    m_language.reset();
    m_env.reset();
}

// A 64 KiB tmpfs on the folder, when this process may mount one (root).
bool TestFaults::MountSmallDisk(const QString& folder) {
    if (::geteuid() != 0 ||
        QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=64k"), QStringLiteral("tmpfs"), folder}) != 0)
        return false;
    m_mountPoint = folder;
    return true;
}

bool TestFaults::Open(const QString& path) {
    m_window = new frmMain(path);
    return WindowDriver::Show(m_window) && m_window->RecordFile.FileName() == path;
}

void TestFaults::Close() {
    QVERIFY(m_window->close());
    QTRY_VERIFY(m_window.isNull());
}

void TestFaults::EditRow(int row, int bib) {
    QVERIFY(WindowDriver::OpenEditorOn(m_window, row));
    QVERIFY(WindowDriver::TypeIntoEditor(m_window, QString::number(bib)));
}

QVector<qint32> TestFaults::ListBibs() const {
    QVector<qint32> bibs;
    for (qint32 i = 0; i < m_window->RecordFile.Count(); ++i)
        bibs << m_window->RecordFile.GetRecord(i).Bib;
    return bibs;
}

QVector<qint32> TestFaults::GridBibs() const {
    QVector<qint32> bibs;
    for (int row = 1; row < WindowDriver::GridOf(m_window)->RowCount(); ++row)
        bibs << WindowDriver::GridOf(m_window)->CellText(row, 1).toInt();
    return bibs;
}

// A real small tmpfs fills up when the test may mount one; otherwise the writer's seam fails every
// write as a full disk would.
void TestFaults::diskFullThenFreed() {
    const QString disk = m_dir->filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    const bool tmpfs = MountSmallDisk(disk);
    if (tmpfs) {
        qInfo("disk full: a real 64 KiB tmpfs, filled up");
    } else {
        qInfo("disk full: injected write failures (no tmpfs could be mounted here)");
    }
    // The file ends three bytes before a page boundary: the next line fits only partly, so the
    // full disk takes a few of its bytes and refuses the rest.
    const QVector<qint32> bibs = BibsFilling(4093);
    const QByteArray old = FormatStn(RecordsOf(bibs));
    QCOMPARE(old.size(), 4093);
    const QString path = disk + QStringLiteral("/race.stn");
    WriteBytes(path, old);
    QVERIFY(Open(path));
    const QString filler = disk + QStringLiteral("/filler");
    if (tmpfs)
        QCOMPARE(FillUp(filler), ENOSPC);
    else
        InjectWriteFailure(3, 1000);

    WindowDriver::Record(m_window, QStringLiteral("100001"));
    QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
    WindowDriver::Record(m_window, QStringLiteral("100002"));
    EditRow(1, 4242);
    QVERIFY2(Band().contains(QStringLiteral("No space left on device")), qPrintable(Band()));
    QVERIFY(m_messages->shown().isEmpty());
    QCOMPARE(FileBytes(path), old); // whole, not a byte of a torn line
    QCOMPARE(m_window->RecordFile.Count(), bibs.size() + 2);

    // Room again: the next bib writes the whole list, with everything recorded meanwhile.
    if (tmpfs)
        QVERIFY(QFile::remove(filler));
    else
        InjectWriteFailure(0, 0);
    WindowDriver::Record(m_window, QStringLiteral("100003"));
    QVector<qint32> expected = bibs;
    expected[0] = 4242;
    expected << 100001 << 100002 << 100003;
    QCOMPARE(FileBytes(path), FormatStn(RecordsOf(expected)));
    QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));
    QCOMPARE(Band(), QString());
    WindowDriver::Record(m_window, QStringLiteral("100004"));
    expected << 100004;
    QCOMPARE(FileBytes(path), FormatStn(RecordsOf(expected)));
    QVERIFY(m_messages->shown().isEmpty());
}

// A stick with room for a few more lines but not for a second copy of the file: a correction
// cannot be written (a rewrite keeps the old file until the new one is complete), yet every
// passage recorded after it must still reach the disk.
void TestFaults::diskNearlyFullKeepsPassages() {
    const QString disk = m_dir->filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    if (!MountSmallDisk(disk))
        QSKIP("Needs a small tmpfs, which only root may mount.");
    QVector<qint32> bibs = BibsFilling(5 * 4096 - 100);
    const QString path = disk + QStringLiteral("/race.stn");
    const QByteArray old = FormatStn(RecordsOf(bibs));
    WriteBytes(path, old);
    QVERIFY(Open(path));
    // Everything but two pages taken.
    const QString filler = disk + QStringLiteral("/filler");
    QCOMPARE(FillUp(filler), ENOSPC);
    QVERIFY(QFile::resize(filler, QFileInfo(filler).size() - 2 * 4096));

    EditRow(1, 4242);
    QVERIFY(Band().contains(QDir::toNativeSeparators(path)));
    QCOMPARE(FileBytes(path), old);
    WindowDriver::Record(m_window, QStringLiteral("100001"));
    WindowDriver::Record(m_window, QStringLiteral("100002"));
    // The passages are on the disk behind the old records; the correction is still missing.
    const qsizetype n = bibs.size();
    QCOMPARE(FileBytes(path), old + FormatStnLine(n + 1, 100001) + FormatStnLine(n + 2, 100002));
    // The band stays all the same: the file is not yet in step with the list.
    QVERIFY(Band().contains(QDir::toNativeSeparators(path)));
    QVERIFY(m_messages->shown().isEmpty());

    QVERIFY(QFile::remove(filler));
    WindowDriver::Record(m_window, QStringLiteral("100003"));
    bibs[0] = 4242;
    bibs << 100001 << 100002 << 100003;
    QCOMPARE(FileBytes(path), FormatStn(RecordsOf(bibs)));
    QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));
    QVERIFY(m_messages->shown().isEmpty());
}

void TestFaults::recordFileFaults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("reported");   // whether writing fails while the fault lasts
    QTest::addColumn<QString>("because"); // what the report says about the cause
    QTest::newRow("made read-only") << "read-only" << true << "(read-only|ermission|not permitted)";
    QTest::newRow("deleted") << "deleted" << false << "";
    QTest::newRow("its folder removed") << "folder removed" << false << "";
    QTest::newRow("stick pulled, then back") << "stick pulled" << true << "No such file or directory";
}

void TestFaults::recordFileFaults() {
    QFETCH(QString, fault);
    QFETCH(bool, reported);
    QFETCH(QString, because);
    const QString folder = m_dir->filePath(QStringLiteral("stick/event"));
    const QString path = folder + QStringLiteral("/race.stn");
    QVERIFY(QDir().mkpath(folder));
    WriteBytes(path, "1;11\r\n2;17\r\n3;33\r\n");
    QVERIFY(Open(path));
    WindowDriver::Record(m_window, QStringLiteral("100001"));
    const QByteArray before = FileBytes(path);
    QCOMPARE(before, QByteArray("1;11\r\n2;17\r\n3;33\r\n4;100001\r\n"));

    std::unique_ptr<WriteProtection> protection;
    const QString pulled = m_dir->filePath(QStringLiteral("stick-away"));
    if (fault == QLatin1String("read-only")) {
        protection = std::make_unique<WriteProtection>(path);
        if (!protection->IsEffective())
            QSKIP("This file system cannot make a file read-only for this user.");
        qInfo("read-only by %s", qPrintable(protection->How()));
    } else if (fault == QLatin1String("deleted")) {
        QVERIFY(QFile::remove(path));
    } else if (fault == QLatin1String("folder removed")) {
        QVERIFY(QDir(folder).removeRecursively());
    } else {
        QVERIFY(QDir().rename(m_dir->filePath(QStringLiteral("stick")), pulled));
    }

    WindowDriver::Record(m_window, QStringLiteral("100002"));
    EditRow(2, 4242);
    WindowDriver::Record(m_window, QStringLiteral("100003"));
    QVERIFY(m_messages->shown().isEmpty());
    if (reported) {
        QVERIFY2(Band().contains(QRegularExpression(because)), qPrintable(Band()));
        QVERIFY(Band().contains(QDir::toNativeSeparators(path)));
        QCOMPARE(FileBytes(protection ? path : pulled + QStringLiteral("/event/race.stn")), before);
    } else {
        QCOMPARE(Band(), QString());
    }

    // The fault clears; the next bib brings the file in step.
    if (protection)
        protection->Lift();
    if (fault == QLatin1String("stick pulled"))
        QVERIFY(QDir().rename(pulled, m_dir->filePath(QStringLiteral("stick"))));
    WindowDriver::Record(m_window, QStringLiteral("100004"));
    QCOMPARE(FileBytes(path), QByteArray("1;11\r\n2;4242\r\n3;33\r\n4;100001\r\n5;100002\r\n6;100003\r\n7;100004\r\n"));
    QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));
    QCOMPARE(Band(), QString());
    QVERIFY(m_messages->shown().isEmpty());
}

void TestFaults::logNotWritable_data() {
    QTest::addColumn<bool>("folder"); // the log's folder rather than the log file
    QTest::newRow("log file") << false;
    QTest::newRow("log folder") << true;
}

// A failure is still shown to the operator when its log line cannot be written, and the program
// goes on recording.
void TestFaults::logNotWritable() {
    QFETCH(bool, folder);
    const QString logFolder = m_dir->filePath(QStringLiteral("logs"));
    const QString log = logFolder + QStringLiteral("/marklog.log");
    QVERIFY(QDir().mkpath(logFolder));
    if (!folder)
        WriteBytes(log, "earlier line\r\n");
    SetLogFilePath(log);
    WriteProtection protection(folder ? logFolder : log);
    if (!protection.IsEffective())
        QSKIP("This file system cannot make the log unwritable for this user.");

    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, "1;11\r\n");
    QVERIFY(Open(path));
    InjectWriteFailure(0, 1);
    WindowDriver::Record(m_window, QStringLiteral("100001"));
    QVERIFY(Band().contains(QDir::toNativeSeparators(path)));
    QCOMPARE(FileBytes(log), folder ? QByteArray() : QByteArray("earlier line\r\n"));
    QCOMPARE(QDir(logFolder).entryList(QDir::Files | QDir::Hidden),
             folder ? QStringList() : QStringList{"marklog.log"});
    WindowDriver::Record(m_window, QStringLiteral("100002"));
    QCOMPARE(FileBytes(path), QByteArray("1;11\r\n2;100001\r\n3;100002\r\n"));
}

// An installed program may not write to its own folder: its log goes to the user's data folder.
// The real program runs from an unwritable folder on a file it must refuse, so it reports an error.
void TestFaults::programFolderNotWritable() {
    const QString programFolder = m_dir->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(programFolder));
    const QString program = programFolder + QStringLiteral("/marklog");
    if (::link(MARKLOG_BINARY, QFile::encodeName(program).constData()) != 0)
        QVERIFY(QFile::copy(QStringLiteral(MARKLOG_BINARY), program));
    WriteProtection protection(programFolder);
    if (!protection.IsEffective())
        QSKIP("This file system cannot make a folder unwritable for this user.");
    const QString path = m_dir->filePath(QStringLiteral("binary.stn"));
    WriteBytes(path, QByteArray("1;12\r\n\0\x01\x02", 9));

    const QString home = m_dir->filePath(QStringLiteral("home"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    QProcess marklog;
    marklog.setProcessEnvironment(environment);
    marklog.setProcessChannelMode(QProcess::MergedChannels);
    marklog.start(program, {path});
    QVERIFY2(marklog.waitForStarted(), qPrintable(marklog.errorString()));
    // The error's message box now waits for an answer that never comes; its log line is written.
    const QString log = home + QStringLiteral("/data/Trevanta/marklog/marklog.log");
    QTRY_VERIFY_WITH_TIMEOUT(FileBytes(log).contains("is not a Marklog record file"), 60000);
    QVERIFY(FileBytes(log).contains(QDir::toNativeSeparators(path).toLocal8Bit()));
    QCOMPARE(marklog.state(), QProcess::Running);
    marklog.kill();
    marklog.waitForFinished();
    QCOMPARE(QDir(programFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"marklog"});
    QCOMPARE(FileBytes(path), QByteArray("1;12\r\n\0\x01\x02", 9));
}

// Settings that cannot be stored are lost quietly; recording goes on and nothing is shown.
void TestFaults::settingsStoreNotWritable() {
    WriteSetting(QStringLiteral("Beeper"), CheckBoxValue(false));
    const QString store = m_env->configFolder() + QStringLiteral("/Trevanta");
    const QStringList files = QDir(store).entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    std::vector<std::unique_ptr<WriteProtection>> protections;
    QByteArray before;
    for (const QString& file : files) {
        before += FileBytes(store + QLatin1Char('/') + file);
        protections.push_back(std::make_unique<WriteProtection>(store + QLatin1Char('/') + file));
    }
    protections.push_back(std::make_unique<WriteProtection>(store));
    if (!protections.back()->IsEffective())
        QSKIP("This file system cannot make a folder unwritable for this user.");

    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, "1;11\r\n");
    QVERIFY(Open(path)); // stores the file as the most recent one: lost
    QTest::mouseClick(m_window->findChild<QCheckBox*>(QStringLiteral("chkBeep")), Qt::LeftButton);
    WindowDriver::Record(m_window, QStringLiteral("100001"));
    Close(); // stores the window position and the check boxes: lost
    QVERIFY(m_messages->shown().isEmpty());
    QCOMPARE(FileBytes(path), QByteArray("1;11\r\n2;100001\r\n"));

    protections.clear();
    QCOMPARE(QDir(store).entryList(QDir::Files), files);
    QByteArray after;
    for (const QString& file : files)
        after += FileBytes(store + QLatin1Char('/') + file);
    QCOMPARE(after, before);
}

// 100,000 reported errors, every one shown and answered: the log stays below its limit throughout,
// holds whole lines ending with the last error, and the window keeps recording.
void TestFaults::errorStormKeepsLogSmall() {
    constexpr int kErrors = 100000;
    constexpr qint64 kLimit = 10000;
    QCOMPARE(SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("LogfileSize"),
                              QStringLiteral("10000"), RegistryType::String),
             0);
    ResetLogSizeLimit();
    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, "1;11\r\n");
    QVERIFY(Open(path));
    const QString log = m_env->logFile();
    qint64 largest = 0;
    for (int i = 0; i < kErrors; ++i) {
        ReportError(ErrorInfo{ErrorNumber::DeviceIoError, ProgramTitle(), QStringLiteral("Storm error %1").arg(i)});
        largest = qMax(largest, QFileInfo(log).size());
        if (i % 1000 == 0)
            QCoreApplication::processEvents();
        if (i == kErrors / 2) {
            WindowDriver::Record(m_window, QStringLiteral("100001"));
            QCOMPARE(FileBytes(path), QByteArray("1;11\r\n2;100001\r\n"));
        }
    }
    QVERIFY2(largest <= kLimit, qPrintable(QStringLiteral("the log reached %1 bytes").arg(largest)));
    QCOMPARE(m_messages->shown().size(), kErrors);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Storm error %1").arg(kErrors - 1));

    const QByteArray content = FileBytes(log);
    QVERIFY(content.size() > kLimit / 2);
    QVERIFY(content.endsWith(QStringLiteral("Storm error %1\r\n").arg(kErrors - 1).toLatin1()));
    // Whole lines only: each starts with the time stamp (the clock stands still here).
    const QByteArray stamp = FormatLogLine(Now(), QStringLiteral("ERROR: ")).chopped(2).toLocal8Bit();
    for (const QByteArray& line : content.split('\n')) {
        if (!line.isEmpty())
            QVERIFY2(line.startsWith(stamp) && line.endsWith('\r'), line.constData());
    }

    m_messages->clear();
    WindowDriver::Record(m_window, QStringLiteral("100002"));
    QCOMPARE(FileBytes(path), QByteArray("1;11\r\n2;100001\r\n3;100002\r\n"));
    QVERIFY(m_messages->shown().isEmpty());
}

void TestFaults::recordingGoesOnThroughWriteFailures_data() {
    QTest::addColumn<bool>("readOnly"); // a real read-only file, else failures injected
    QTest::newRow("injected failures") << false;
    QTest::newRow("read-only file") << true;
}

// Typed and scanned bibs, interleaved, and a correction, while every write fails: no box, the
// keyboard stays in the entry box, the alarm sounds once per failure, and list, grid and recovery
// copy agree; once the fault clears the next bib writes them all and the band goes.
void TestFaults::recordingGoesOnThroughWriteFailures() {
    QFETCH(bool, readOnly);
    ScannerPty scanner;
    QVERIFY(scanner.IsValid());
    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, "1;11\r\n");
    QVERIFY(Open(path));
    m_window->findChild<BarcodeScanner*>()->Open(scanner.Device()); // switched on by the operator
    std::unique_ptr<WriteProtection> protection;
    if (readOnly) {
        protection = std::make_unique<WriteProtection>(path);
        if (!protection->IsEffective())
            QSKIP("This file system cannot make a file read-only for this user.");
    } else {
        InjectWriteFailure(0, 1000);
    }
    int alarms = 0;
    const SoundSink speaker = SetSoundSink([&](const QString& sound) { alarms += sound == kAlarmSoundPath; });
    QVector<qint32> expected{11};
    for (qint32 i = 1; i <= 5; ++i) {
        WindowDriver::Record(m_window, QString::number(100 + i));
        QVERIFY(scanner.Send(QByteArray::number(200 + i) + '\r'));
        expected << 100 + i << 200 + i;
        QTRY_COMPARE(ListBibs(), expected);
    }
    EditRow(1, 4242);
    expected[0] = 4242;
    SetSoundSink(speaker);
    QVERIFY(m_messages->shown().isEmpty());
    QVERIFY(WindowDriver::EntryOf(m_window)->hasFocus());
    QCOMPARE(alarms, 11);
    QVERIFY(Band().contains(QDir::toNativeSeparators(RecoveryCopyPath(path))));
    QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
    QCOMPARE(GridBibs(), expected);
    QCOMPARE(ParseStn(FileBytes(RecoveryCopyPath(path))), expected);
    QCOMPARE(FileBytes(path), QByteArray("1;11\r\n"));
    if (protection) { // an export meanwhile holds the list, not the lagging file
        FileDialogSeam::setNextAnswer({m_dir->filePath(QStringLiteral("export.stn"))});
        m_window->findChild<QAction*>(QStringLiteral("mnuFile_Export"))->trigger();
        QCOMPARE(FileBytes(m_dir->filePath(QStringLiteral("export.stn"))), FormatStn(RecordsOf(expected)));
        protection->Lift();
    }
    InjectWriteFailure(0, 0);
    WindowDriver::Record(m_window, QStringLiteral("300"));
    QCOMPARE(FileBytes(path), FormatStn(RecordsOf(expected << 300)));
    QVERIFY(!QFileInfo::exists(RecoveryCopyPath(path)));
    QCOMPARE(Band(), QString());
}

void TestFaults::leavingWhileOutOfStepAsks_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<MsgAnswer>("answer"); // Choice1 Retry, Choice2 Save as, Choice3 Cancel
    for (const char* command : {"close", "exit", "new", "open", "recent"}) {
        QTest::addRow("%s, cancel", command) << command << MsgAnswer::Choice3;
        QTest::addRow("%s, save as", command) << command << MsgAnswer::Choice2;
        QTest::addRow("%s, retry", command) << command << MsgAnswer::Choice1;
    }
}

// Every command that gives up the list asks while the file lags behind it. Cancel keeps it all;
// Save as writes every passage elsewhere; Retry, once the disk works again, writes them all to the
// file and removes the recovery copy. Then the command goes on.
void TestFaults::leavingWhileOutOfStepAsks() {
    QFETCH(QString, command);
    QFETCH(MsgAnswer, answer);
    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    const QString other = m_dir->filePath(QStringLiteral("other.stn"));
    const QString saved = m_dir->filePath(QStringLiteral("saved.stn"));
    WriteBytes(path, "1;11\r\n");
    WriteBytes(other, "1;77\r\n");
    QVERIFY(Open(other));
    QVERIFY(m_window->OpenRecordFile(path)); // "other" is the second recent file now
    WriteProtection protection(path);
    if (!protection.IsEffective())
        QSKIP("This file system cannot make a file read-only for this user.");
    WindowDriver::Record(m_window, QStringLiteral("101"));
    WindowDriver::Record(m_window, QStringLiteral("102"));
    const QByteArray all = FormatStn(RecordsOf({11, 101, 102}));

    QList<MessageRequest> asked;
    bool openAfterExit = false;
    const MessagePresenter script = SetMessagePresenter([&](const MessageRequest& request) {
        asked << request;
        m_window->close(); // Exit while the question is open does nothing else
        openAfterExit = m_window && m_window->isVisible();
        if (answer == MsgAnswer::Choice1)
            protection.Lift(); // the operator mends the file, then retries
        return answer;
    });
    if (answer == MsgAnswer::Choice2)
        FileDialogSeam::setNextAnswer({saved});
    if (command == QLatin1String("new") || command == QLatin1String("open"))
        FileDialogSeam::setNextAnswer({command == QLatin1String("new") ? m_dir->filePath("new.stn") : other});
    bool closed = false;
    const char* action = command == QLatin1String("close")  ? "mnuFile_Close"
                         : command == QLatin1String("new")  ? "mnuFile_New"
                         : command == QLatin1String("open") ? "mnuFile_Open"
                                                            : nullptr;
    if (action) {
        m_window->findChild<QAction*>(QLatin1String(action))->trigger();
    } else if (command == QLatin1String("exit")) {
        closed = m_window->close();
    } else {
        for (QAction* entry : m_window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"))) {
            if (entry->property("index").toInt() == 2)
                entry->trigger();
        }
    }
    SetMessagePresenter(script);

    QCOMPARE(asked.size(), 1);
    QVERIFY(openAfterExit);
    QCOMPARE(asked.first().choices.size(), 3);
    QVERIFY2(asked.first().text.contains(QDir::toNativeSeparators(RecoveryCopyPath(path))),
             qPrintable(asked.first().text));
    if (answer == MsgAnswer::Choice3) {
        QVERIFY(!closed);
        QCOMPARE(m_window->RecordFile.FileName(), path);
        QCOMPARE(ListBibs(), (QVector<qint32>{11, 101, 102}));
        QCOMPARE(FileBytes(RecoveryCopyPath(path)), all);
        return;
    }
    QCOMPARE(FileBytes(answer == MsgAnswer::Choice2 ? saved : path), all);
    QVERIFY(!QFileInfo::exists(RecoveryCopyPath(path)));
    if (closed)
        QTRY_VERIFY(m_window.isNull());
    else
        QCOMPARE(m_window->RecordFile.FileName(), command == QLatin1String("close") ? QString()
                                                  : command == QLatin1String("new") ? m_dir->filePath("new.stn")
                                                                                    : other);
}

// The real program, killed while its file is read-only and lags behind: opening that file again
// offers the recovery copy, and using it yields every passage the program took.
void TestFaults::killedWhileOutOfStepOffersRecovery() {
    ScannerPty scanner;
    QVERIFY(scanner.IsValid());
    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, "1;11\r\n");
    WriteProtection protection(path);
    if (!protection.IsEffective())
        QSKIP("This file system cannot make a file read-only for this user.");
    // This process looks into the program's data folder as the program itself.
    const QString home = m_dir->filePath(QStringLiteral("home"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/data")));
    const QString application = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QStringLiteral("Trevanta"));
    QCoreApplication::setApplicationName(QStringLiteral("marklog"));
    const auto restoreNames = qScopeGuard([&] {
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setApplicationName(application);
    });

    QProcess marklog;
    StartProgram(marklog, path, scanner.Device(), home);
    QTRY_VERIFY_WITH_TIMEOUT(scanner.IsOpenedBy(marklog.processId()), 60000);
    QVERIFY(scanner.Send("101\r102\r103\r"));
    const QByteArray all = FormatStn(RecordsOf({11, 101, 102, 103}));
    QTRY_COMPARE_WITH_TIMEOUT(FileBytes(RecoveryCopyPath(path)), all, 60000);
    QCOMPARE(marklog.state(), QProcess::Running); // no box holds it: it runs on
    marklog.kill();
    QVERIFY(marklog.waitForFinished());
    protection.Lift();

    m_messages->setNextAnswer(MsgAnswer::Choice1);
    QVERIFY(Open(path));
    QCOMPARE(m_messages->shown().size(), 1);
    QVERIFY(m_messages->lastText().contains(QDir::toNativeSeparators(RecoveryCopyPath(path))));
    QCOMPARE(FileBytes(path), all);
    QCOMPARE(ListBibs(), (QVector<qint32>{11, 101, 102, 103}));
    QCOMPARE(FileBytes(clsFile::DatedCopyPath(path, Now())), QByteArray("1;11\r\n"));
    QVERIFY(!QFileInfo::exists(RecoveryCopyPath(path)));
}

void TestFaults::StartProgram(QProcess& marklog, const QString& path, const QString& device, const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    marklog.setProcessEnvironment(environment);
    marklog.setProcessChannelMode(QProcess::MergedChannels);
    marklog.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--scan-helper"), path, device});
    QVERIFY2(marklog.waitForStarted(), qPrintable(marklog.errorString()));
}

// Bibs scanned while a box is open wait in the port and are recorded in order after it, apart from
// the bib typed before; a scanner pulled out shows in the band, and typing goes on.
void TestFaults::scannerWaitsForBoxesAndItsLossShowsInBand() {
    ScannerPty scanner;
    QVERIFY(scanner.IsValid());
    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, QByteArray());
    QVERIFY(Open(path));
    m_window->findChild<BarcodeScanner*>()->Open(scanner.Device());
    auto* port = m_window->findChild<QSerialPort*>(QStringLiteral("MSComm"));
    QTRY_VERIFY(port->isOpen());
    WindowDriver::Record(m_window, QStringLiteral("5"));
    bool heldWhileOpen = false;
    const MessagePresenter script = SetMessagePresenter([&](const MessageRequest&) {
        heldWhileOpen = scanner.Send("11\r22\r33\r") && QTest::qWaitFor([&] { return port->bytesAvailable() == 9; }) &&
                        !m_window->findChild<QTimer*>(QStringLiteral("tmrBarcode"))->isActive() &&
                        m_window->RecordFile.Count() == 1;
        return MsgAnswer::Cancel;
    });
    QVERIFY(WindowDriver::OpenEditorOn(m_window, 1));
    WindowDriver::ClickButton(m_window, "cmdDelete"); // its question is answered with Cancel
    SetMessagePresenter(script);
    QVERIFY(heldWhileOpen);
    QCOMPARE(ListBibs(), (QVector<qint32>{5, 11, 22, 33})); // at once, before the command goes on
    QCOMPARE(FileBytes(path), FormatStn(RecordsOf({5, 11, 22, 33})));

    scanner.Close();
    QTRY_VERIFY(Band().contains(scanner.Device()));
    QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SCANNERLOST")));
    WindowDriver::Record(m_window, QStringLiteral("44"));
    QCOMPARE(ListBibs(), (QVector<qint32>{5, 11, 22, 33, 44}));
    QVERIFY(m_messages->shown().isEmpty());
}

// A power cut's zero bytes: the file opens with its records, the operator is told in the band
// (no box), and the next bib writes the file clean.
void TestFaults::zeroPaddedFileOpensWithNotice() {
    const QString path = m_dir->filePath(QStringLiteral("race.stn"));
    WriteBytes(path, QByteArray("1;11\r\n2;12\r\n") + QByteArray(4096, '\0'));
    QVERIFY(Open(path));
    QCOMPARE(ListBibs(), (QVector<qint32>{11, 12}));
    QVERIFY(Band().contains(QDir::toNativeSeparators(path)));
    QVERIFY(m_messages->shown().isEmpty());
    WindowDriver::Record(m_window, QStringLiteral("13"));
    QCOMPARE(FileBytes(path), QByteArray("1;11\r\n2;12\r\n3;13\r\n"));
    QCOMPARE(Band(), QString());
}

// The program a kill test stops: a main window on the record file, named as the program so it keeps
// its recovery copy where the program would, with its scanner switched on by the operator.
static int RunScanHelper(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Trevanta"));
    QCoreApplication::setApplicationName(QStringLiteral("marklog"));
    const ProcessLanguage language;
    auto* window = new frmMain(QString::fromLocal8Bit(argv[2]));
    window->Form_Load();
    window->show();
    window->findChild<BarcodeScanner*>()->Open(QString::fromLocal8Bit(argv[3]));
    return QApplication::exec(); // until killed
}

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--scan-helper") == 0)
        return RunScanHelper(argc, argv);
    QApplication application(argc, argv);
    TestFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_gui_faults.moc"
