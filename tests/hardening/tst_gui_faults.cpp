// Faults around the program's real writers and its scanner, driven through the main window.

#include "app/FileHandoff.h"
#include "base/Clock.h"
#include "base/Settings.h"
#include "grid/ctlGrid.h"
#include "records/DurableFile.h"
#include "records/RecordLock.h"
#include "records/RecoveryCopy.h"
#include "records/clsFile.h"

#include "GuiFixture.h"
#include "ScanHelper.h"
#include "ScannerPty.h"

#include <QLocalServer>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

namespace {

// Makes a file or folder unwritable while it lives: the write bits for a normal user, the file
// system's immutable flag for root, whom the bits do not stop.
class WriteProtection {
public:
    explicit WriteProtection(const QString& path) : m_path(path) { Set(true); }
    ~WriteProtection() { Lift(); }
    // False on a file system without the immutable flag.
    bool IsEffective() const { return ::access(QFile::encodeName(m_path).constData(), W_OK) != 0; }
    void Lift() const { Set(false); }

private:
    void Set(bool on) const {
        const auto bits = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
        if (::geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), {QLatin1String(on ? "+i" : "-i"), m_path});
        else
            QFile::setPermissions(m_path, on ? QFile::permissions(m_path) & ~bits : QFile::permissions(m_path) | bits);
    }

    QString m_path;
};

// Bibs whose file is exactly `size` bytes (some thousands) long: the last bib takes up the rest.
QVector<qint32> BibsFilling(int size) {
    QVector<qint32> bibs;
    qsizetype used = 0;
    while (size - used > 15) {
        bibs << 7;
        used += FormatStnLine(bibs.size(), 7).size();
    }
    const qsizetype digits = size - used - QByteArray::number(bibs.size() + 1).size() - 3;
    bibs << QByteArray(digits, '7').toInt();
    return bibs;
}

// Writes to a file until the file system refuses; the errno of the refusal.
int FillUp(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    const QByteArray block(4096, 'x');
    while (::write(file.handle(), block.constData(), size_t(block.size())) > 0) {
    }
    return errno;
}

enum class Fault { DiskFull, DiskNearlyFull, ReadOnly };

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:

    void init() {
        m_f.emplace();
        m_clock.emplace(QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12)));
        QFile::remove(clsFile::DatedCopyPath(m_f->path(), Now())); // kept in the program's folder
    }

    void cleanup() {
        InjectWriteFailure(0, 0);            // a file still out of step catches up as the window closes
        const bool finished = m_f->Finish(); // closed, and no box shown that a test did not take back
        QFile::remove(clsFile::DatedCopyPath(m_f->path(), Now()));
        if (!m_mountPoint.isEmpty())
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), std::exchange(m_mountPoint, QString())});
        m_clock.reset();
        m_f.reset();
        QVERIFY(finished);
    }

    void writeFaultsShowInBandUntilCleared_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("size");        // of the record file
        QTest::addColumn<QString>("because"); // what the band says of the cause
        const QString full = QStringLiteral("No space left on device");
        // Three bytes before a page boundary: the next line fits only partly, and is cut back.
        QTest::newRow("disk full") << Fault::DiskFull << 4093 << full;
        // Room for more lines, not for the second copy a rewrite needs: the correction waits.
        QTest::newRow("disk nearly full") << Fault::DiskNearlyFull << 5 * 4096 - 100 << full;
        QTest::newRow("made read-only") << Fault::ReadOnly << 4093 << "(read-only|ermission|not permitted)";
    }

    // A correction, then typed and scanned bibs interleaved, while the fault lasts: no box, the
    // keyboard stays in the entry box, one alarm per failed write; list, grid, recovery copy and an
    // export agree. Once the fault clears the next bib writes them all and the band goes.
    void writeFaultsShowInBandUntilCleared() {
        QFETCH(Fault, fault);
        QFETCH(int, size);
        QFETCH(QString, because);
        const QString stick = m_f->path(QStringLiteral("stick"));
        const QString path = stick + QStringLiteral("/event/race.stn"), filler = stick + QStringLiteral("/filler");
        QVERIFY(QDir().mkpath(stick));
        if (fault != Fault::ReadOnly) {
            if (::geteuid() != 0 ||
                QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", stick}))
                QSKIP("Needs a small tmpfs, which only root may mount.");
            m_mountPoint = stick;
        }
        QVERIFY(QDir().mkpath(stick + QStringLiteral("/event")));
        const QVector<qint32> before = BibsFilling(size);
        WriteBytes(path, StnOf(before));
        QCOMPARE(FileBytes(path).size(), size);
        QVERIFY(Open(path));
        ScannerPty scanner;
        SwitchScannerOn(scanner);

        std::optional<WriteProtection> protection;
        if (!m_mountPoint.isEmpty())
            QCOMPARE(FillUp(filler), ENOSPC);
        if (fault == Fault::DiskNearlyFull)
            QVERIFY(QFile::resize(filler, QFileInfo(filler).size() - 2 * 4096));
        if (fault == Fault::ReadOnly && !protection.emplace(path).IsEffective())
            QSKIP("This file system cannot make a file read-only for this user.");
        int alarmsSounded = 0;
        const SoundSink silent = SetSoundSink([&](const QString& sound) { alarmsSounded += sound == kAlarmSoundPath; });
        OpenEditorOn(1); // typed over, left with Enter
        QTest::keyClicks(Find<QLineEdit>(Window(), "txtWorkOn"), QStringLiteral("4242\r"));
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        QVector<qint32> expected = before, uncorrected = before;
        expected[0] = 4242;
        for (qint32 i = 1; i <= 3; ++i) {
            m_f->Record(QString::number(100 + i));
            QVERIFY(scanner.Send(QByteArray::number(200 + i) + '\r'));
            expected << 100 + i << 200 + i;
            uncorrected << 100 + i << 200 + i;
            QTRY_COMPARE(Bibs(), expected);
        }
        SetSoundSink(silent);
        QVERIFY(m_f->Entry()->hasFocus());
        QTRY_COMPARE(Bibs(true), expected);
        QCOMPARE(alarmsSounded, 7);
        QVERIFY2(Band().contains(QRegularExpression(because)), qPrintable(Band()));
        QVERIFY2(Band().contains(RecoveryCopyPath(path)), qPrintable(Band()));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
        QCOMPARE(FileBytes(RecoveryCopyPath(path)), StnOf(expected));
        QCOMPARE(FileBytes(path), StnOf(fault == Fault::DiskNearlyFull ? uncorrected : before));
        FileDialogSeam::setNextAnswer({m_f->path(QStringLiteral("export.stn"))}); // the list, not the lagging file
        m_f->Trigger("mnuFile_Export");
        QCOMPARE(FileBytes(m_f->path(QStringLiteral("export.stn"))), StnOf(expected));

        QFile::remove(filler);
        protection.reset();
        m_f->Record(QStringLiteral("300"));
        QCOMPARE(FileBytes(path), StnOf(expected << 300));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));
        QCOMPARE(Band(), QString());
        QVERIFY(!QFileInfo::exists(RecoveryCopyPath(path)));
    }

    void bandTellsWhatWasFoundInTheFile_data() {
        QTest::addColumn<QByteArray>("opened");
        QTest::addColumn<QByteArray>("putInPlace"); // renamed over the file before the next bib, unless empty
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("atOpen");   // the whole band
        QTest::addColumn<QString>("afterBib"); // the whole band; %1: the dated copy
        QTest::addColumn<QByteArray>("dated"); // kept before the file was written whole; none when empty
        const QByteArray twoRecords("1;11\r\n2;12\r\n");
        // Line 2 holds a zero byte, line 3 is torn, and a power cut's zero bytes follow.
        const QByteArray padded = "1;11\r\n2;1" + QByteArray(1, '\0') + "2\r\n3;" + QByteArray(512, '\0');
        QTest::newRow("two damaged lines and zero bytes, in German")
            << padded << QByteArray() << "de"
            << "^In .* Null-Bytes [^\n]*\n2 Zeilen von .* \\(2, 3\\);[^\n]*$"
            << "^2 Zeilen von .* ist in \"%1\" aufbewahrt\\.$" << padded;
        QTest::newRow("replaced by a file with records the list lacks")
            << twoRecords << QByteArray("1;11\r\n2;12\r\n3;77\r\n") << "en"
            << "^$"
            << "^The record file .* no longer the one .* is kept in \"%1\"\\.$"
            << QByteArray("1;11\r\n2;12\r\n3;77\r\n");
        QTest::newRow("an older file put back") << twoRecords << QByteArray("1;11\r\n") << "en"
                                                << "^$"
                                                << "^The record file .* whole list to it\\.$" << QByteArray();
    }

    // What the reader skipped, and a file found not the one last written, each said in the band on
    // its own line; the next bib writes the whole list, after keeping the file as it was when it
    // held what the list lacks, and the band says where.
    void bandTellsWhatWasFoundInTheFile() {
        QFETCH(QByteArray, opened);
        QFETCH(QByteArray, putInPlace);
        QFETCH(QString, language);
        QFETCH(QString, atOpen);
        QFETCH(QString, afterBib);
        QFETCH(QByteArray, dated);
        WriteSetting(QStringLiteral("Language"), language);
        QVERIFY(m_f->LoadRecords(opened));
        QVERIFY2(Band().contains(QRegularExpression(atOpen)), qPrintable(Band()));
        QVector<qint32> bibs = Bibs();
        const QString other = m_f->path(QStringLiteral("other.stn"));
        WriteBytes(other, putInPlace);
        QVERIFY(putInPlace.isEmpty() || ::rename(QFile::encodeName(other), QFile::encodeName(m_f->path())) == 0);
        m_f->Record(QStringLiteral("5"));
        QCOMPARE(FileBytes(m_f->path()), StnOf(bibs << 5));
        const QString copy = clsFile::DatedCopyPath(m_f->path(), Now());
        QCOMPARE(FileBytes(copy), dated);
        QVERIFY2(Band().contains(QRegularExpression(afterBib.arg(QRegularExpression::escape(copy)))),
                 qPrintable(Band()));
    }

    void recoveryOfferCountsEachSide_data() {
        QTest::addColumn<QVector<qint32>>("file");
        QTest::addColumn<QVector<qint32>>("copy");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("told"); // what the question says of each side
        QTest::newRow("one more in the copy")
            << QVector<qint32>{11, 12} << QVector<qint32>{11, 12, 13} << "en"
            << QStringList{"1 record is only in the recovery copy.", "0 records are only in the record file."};
        QTest::newRow("each side holds records the other lacks, in German")
            << QVector<qint32>{11, 12, 13} << QVector<qint32>{11, 14} << "de"
            << QStringList{"1 Datensatz steht nur in der Sicherungskopie.",
                           "2 Datensätze stehen nur in der Datensatzdatei."};
    }

    // The offer of a recovery copy counts what each side alone holds. Using the copy takes its
    // records, into the grid too, after a dated copy of the file; when the file holds records the copy
    // lacks, both stay instead: the copy is written beside the file and the band says where.
    void recoveryOfferCountsEachSide() {
        QFETCH(QVector<qint32>, file);
        QFETCH(QVector<qint32>, copy);
        QFETCH(QString, language);
        QFETCH(QStringList, told);
        WriteSetting(QStringLiteral("Language"), language);
        QVector<tBib> kept;
        for (qint32 bib : copy)
            kept << tBib{qint32(kept.size() + 1), bib};
        WriteRecoveryCopy(m_f->path(), kept);
        m_f->messages.setNextAnswer(MsgAnswer::Choice1);
        QVERIFY(m_f->LoadRecords(StnOf(file)));
        QCOMPARE(m_f->messages.shown().size(), 1);
        for (const QString& side : told)
            QVERIFY2(m_f->messages.lastText().contains(side), qPrintable(m_f->messages.lastText()));
        m_f->messages.clear();
        const bool both = !std::all_of(file.begin(), file.end(), [&](qint32 bib) { return copy.contains(bib); });
        const QStringList beside = QDir(m_f->dir.path()).entryList({QStringLiteral("race (recovered*).stn")});
        QCOMPARE(beside.size(), both ? 1 : 0);
        QCOMPARE(Bibs(true), both ? file : copy);
        QCOMPARE(FileBytes(clsFile::DatedCopyPath(m_f->path(), Now())), both ? QByteArray() : StnOf(file));
        QVERIFY2(both ? Band().contains(m_f->dir.filePath(beside.value(0))) : Band().isEmpty(), qPrintable(Band()));
    }

    void leavingWhileOutOfStepAsks_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<MsgAnswer>("answer"); // Choice1 Retry, Choice2 Save as, Choice3 Cancel
        for (const char* command : {"close", "exit", "new", "open", "recent"})
            for (const auto& [name, answer] : {std::pair{"cancel", MsgAnswer::Choice3},
                                               {"save as", MsgAnswer::Choice2},
                                               {"retry", MsgAnswer::Choice1}})
                QTest::addRow("%s, %s", command, name) << command << answer;
    }

    // Every command that gives up the list asks while the file lags behind it. Cancel keeps it all;
    // Save as writes every passage elsewhere; Retry, once the disk works again, writes them all to the
    // file and removes the recovery copy. Then the command goes on.
    void leavingWhileOutOfStepAsks() {
        QFETCH(QString, command);
        QFETCH(MsgAnswer, answer);
        const QString path = m_f->path(), other = m_f->path(QStringLiteral("other.stn"));
        const QString saved = m_f->path(QStringLiteral("saved.stn")), created = m_f->path(QStringLiteral("new.stn"));
        WriteBytes(path, "1;11\r\n");
        WriteBytes(other, "1;77\r\n");
        QVERIFY(Open(other));
        QVERIFY(Window()->OpenRecordFile(path)); // "other" is the second recent file now
        WriteProtection protection(path);
        if (!protection.IsEffective())
            QSKIP("This file system cannot make a file read-only for this user.");
        m_f->Record(QStringLiteral("101"));
        m_f->Record(QStringLiteral("102"));
        const QByteArray all = StnOf({11, 101, 102});

        QList<MessageRequest> asked;
        bool openAfterExit = false;
        const MessagePresenter script = SetMessagePresenter([&](const MessageRequest& request) {
            asked << request;
            Window()->close(); // Exit while the question is open does nothing else
            openAfterExit = Window() && Window()->isVisible();
            if (answer == MsgAnswer::Choice1)
                protection.Lift(); // the operator mends the file, then retries
            return answer;
        });
        if (command == QLatin1String("new") || command == QLatin1String("open")) // chosen before the question
            FileDialogSeam::setNextAnswer({command == QLatin1String("new") ? created : other});
        if (answer == MsgAnswer::Choice2)
            FileDialogSeam::setNextAnswer({saved});
        bool closed = false;
        const QList<QAction*> recent = Window()->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"));
        if (command == QLatin1String("exit"))
            closed = Window()->close();
        else if (command == QLatin1String("recent"))
            (*std::find_if(recent.begin(), recent.end(), [](QAction* entry) {
                return entry->property("index") == 2;
            }))->trigger();
        else
            m_f->Trigger(qPrintable(QStringLiteral("mnuFile_") + command.at(0).toUpper() + command.mid(1)));
        SetMessagePresenter(script);

        QCOMPARE(asked.size(), 1);
        QVERIFY(openAfterExit);
        QVERIFY2(asked.first().text.contains(RecoveryCopyPath(path)), qPrintable(asked.first().text));
        if (answer == MsgAnswer::Choice3) {
            QVERIFY(!closed);
            QCOMPARE(Window()->Records().FileName(), path);
            QCOMPARE(Bibs(), (QVector<qint32>{11, 101, 102}));
            QCOMPARE(FileBytes(RecoveryCopyPath(path)), all);
            return;
        }
        QCOMPARE(FileBytes(answer == MsgAnswer::Choice2 ? saved : path), all);
        QVERIFY(!QFileInfo::exists(RecoveryCopyPath(path)));
        if (closed)
            QTRY_VERIFY(!Window());
        else
            QCOMPARE(Window()->Records().FileName(), command == QLatin1String("close") ? QString()
                                                     : command == QLatin1String("new") ? created
                                                                                       : other);
    }

    // Bibs scanned while a box is open are read and wait, and are recorded in order as soon as it closes.
    void scannerWaitsForBoxes() {
        ScannerPty scanner;
        QVERIFY(m_f->LoadRecords(StnOf({11, 12, 5})));
        SwitchScannerOn(scanner);
        bool heldWhileOpen = false;
        const MessagePresenter script = SetMessagePresenter([&](const MessageRequest&) {
            heldWhileOpen =
                scanner.Send("11\r22\r33\r") &&
                QTest::qWaitFor([&] { return m_f->Panel(2) == GetCountText(QStringLiteral("MKL_SB_SCANSHELD"), 3); }) &&
                Window()->Records().Count() == 3;
            return MsgAnswer::Cancel;
        });
        OpenEditorOn(3);
        QTest::mouseClick(Find<QToolButton>(Window(), "cmdDelete"), Qt::LeftButton); // the question: Cancel
        SetMessagePresenter(script);
        QVERIFY(heldWhileOpen);
        QCOMPARE(Bibs(), (QVector<qint32>{11, 12, 5, 11, 22, 33})); // at once, before the command goes on
        QCOMPARE(FileBytes(m_f->path()), StnOf({11, 12, 5, 11, 22, 33}));
    }

    // A record file opened from the file manager goes to the real program running with no file. A
    // copy that has a file open declines; a second copy started on that file is told which computer
    // and process hold it, and opens nothing.
    void secondCopyWaitsForTheFirst() {
        const QString path = m_f->path(QStringLiteral("shared.stn"));
        WriteBytes(path, "1;11\r\n");
        QProcess first; // shares this test's settings and data folders
        first.start(QStringLiteral(MARKLOG_BINARY), {});
        QVERIFY2(first.waitForStarted(), qPrintable(first.errorString()));
        QVERIFY(QTest::qWaitFor([&] { return HandFileToRunningCopy(path); }, 60000)); // the file manager's start
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(RecordLockPath(path)), 60000);
        QVERIFY(!HandFileToRunningCopy(m_f->path(QStringLiteral("other.stn"))));
        QVERIFY(m_f->Load(path) && Window()->Records().FileName().isEmpty()); // started on the same file
        QCOMPARE(m_f->messages.shown().size(), 1);
        const QString told = m_f->messages.lastText();
        QVERIFY2(told.contains(QSysInfo::machineHostName()) && told.contains(QString::number(first.processId())),
                 qPrintable(told));
        m_f->messages.clear();
        first.kill();
        QVERIFY(first.waitForFinished());
        QLocalServer::removeServer(HandoffServerName()); // the name the killed program left
    }

private:
    // Clicks the bib cell of a grid row; the editor opens there.
    void OpenEditorOn(int row) {
        auto* table = Find<QTableView>(Find<ctlGrid>(Window(), "Grid"), "Grid");
        const QModelIndex cell = table->model()->index(row - 1, 1);
        table->scrollTo(cell);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(cell).center());
        QTRY_VERIFY(Find<QLineEdit>(Window(), "txtWorkOn")->hasFocus());
    }

    frmMain* Window() const { return m_f->window; }
    bool Open(const QString& path) { return m_f->Load(path) && Window()->Records().FileName() == path; }
    void SwitchScannerOn(const ScannerPty& scanner) { Window()->findChild<BarcodeScanner*>()->Open(scanner.Device()); }
    // The alarm band's text; "" while it is hidden.
    QString Band() const {
        auto* band = Find<QLabel>(Window(), "lblAlarm");
        return band->isVisible() ? band->text() : QString();
    }
    // The bibs of the list, or of the grid's rows.
    QVector<qint32> Bibs(bool grid = false) const {
        auto* table = Find<ctlGrid>(Window(), "Grid");
        QVector<qint32> bibs;
        for (int i = 0; i < (grid ? table->RowCount() - 1 : Window()->Records().Count()); ++i)
            bibs << (grid ? table->CellText(i + 1, 1).toInt() : Window()->Records().GetRecord(i).Bib);
        return bibs;
    }

    std::optional<GuiFixture> m_f;
    std::optional<FixedClock> m_clock;
    QString m_mountPoint; // a tmpfs to unmount after the test
};

SCAN_HELPER_TEST_MAIN(TestFaults)
#include "tst_gui_faults.moc"
