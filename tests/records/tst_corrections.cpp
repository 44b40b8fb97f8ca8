#include "TestEnvironment.h"
#include "base/Clock.h"
#include "records/CorrectionJournal.h"
#include "records/Corrections.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"

#include <QtTest>

// Corrections of a record file taken back and done again, by record rather than by position,
// with the file, its times and the journal written at every step.
class TestCorrections : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir.emplace();
        m_ticks = 0;
        SetClockSource([this] { return kStart.addSecs(m_ticks++); });
    }
    void cleanup() { SetClockSource(nullptr); }

    void undoRedo_data() {
        QTest::addColumn<QByteArray>("steps");   // "a5" appends (a passage), "e1=7", "i1=7", "d1", "m1" (up), "u", "r"
        QTest::addColumn<QByteArray>("records"); // bib:n, n the clock tick of its time; "bib:" without
        QTest::addColumn<QByteArray>("journal"); // without the times
        QTest::newRow("the last deleted, a scan, undo: back before it with its time")
            << QByteArray("a11 a17 d1 a40 u") << QByteArray("11:0 17:1 40:3")
            << QByteArray("delete;2;17;|undo delete;2;;17|");
        QTest::newRow("neighbours deleted, put back and deleted again")
            << QByteArray("a1 a2 a3 d1 d0 u u r r u u") << QByteArray("1:0 2:1 3:2")
            << QByteArray("delete;2;2;|delete;1;1;|undo delete;1;;1|undo delete;2;;2|redo delete;2;2;|"
                          "redo delete;1;1;|undo delete;1;;1|undo delete;2;;2|");
        QTest::newRow("a move: times stay at their positions; an insert at the end")
            << QByteArray("a1 a2 a3 m2 u r i3=0 u") << QByteArray("1:0 3:1 2:2")
            << QByteArray("move up;3;3;2|undo move up;3;2;3|redo move up;3;3;2|insert;4;;0|undo insert;4;0;|");
        QTest::newRow("a new correction ends what can be redone, a typed bib does not")
            << QByteArray("a1 a2 d0 u a3 r u e0=5 r") << QByteArray("5:0 2:1 3:4")
            << QByteArray("delete;1;1;|undo delete;1;;1|redo delete;1;1;|undo delete;1;;1|edit;1;1;5|");
    }
    void undoRedo() {
        QFETCH(QByteArray, steps);
        QFETCH(QByteArray, records);
        QFETCH(QByteArray, journal);
        const QString path = m_dir->filePath(QStringLiteral("race.stn"));
        WriteBytes(path, QByteArray());
        clsFile file;
        QVERIFY(file.OpenFile(path));
        Corrections corrections(file);
        int firstCorrection = -1; // the clock's tick then
        for (const QByteArray& step : steps.split(' ')) {
            if (step[0] != 'a' && firstCorrection < 0)
                firstCorrection = m_ticks;
            const qint32 index = step.mid(1).split('=')[0].toInt();
            const qint32 bib = step.split('=').value(1).toInt();
            const bool saved = step[0] == 'a'   ? file.AddBib(index)
                               : step[0] == 'e' ? corrections.Edit(index, bib)
                               : step[0] == 'i' ? corrections.Insert(index, bib)
                               : step[0] == 'd' ? corrections.Delete(index)
                               : step[0] == 'm' ? corrections.Move(index, index - 1)
                               : step[0] == 'u' ? corrections.Undo()
                                                : corrections.Redo();
            QVERIFY2(saved && corrections.JournalSaved(), step.constData());
        }
        QByteArray stn, times;
        for (const QByteArray& record : records.split(' ')) {
            const QList<QByteArray> parts = record.split(':');
            const QByteArray position = QByteArray::number(stn.count('\n') + 1);
            stn += position + ';' + parts[0] + "\r\n";
            times += TimesSidecar::FormatLine(position.toInt(), parts[0].toInt(),
                                              parts[1].isEmpty() ? QDateTime() : kStart.addSecs(parts[1].toInt()));
        }
        QCOMPARE(FileBytes(path), stn);
        QCOMPARE(FileBytes(TimesSidecar::PathFor(path)), times);
        QByteArray written;
        for (const QByteArray& line : FileBytes(JournalPath(path)).split('\n'))
            written += line.mid(line.indexOf(';') + 1).replace('\r', '|');
        QCOMPARE(written, journal);
        QVERIFY(
            FileBytes(JournalPath(path)).startsWith(TimesSidecar::FormatTime(kStart.addSecs(firstCorrection)) + ';'));
    }

    // A journal that cannot be written is told; the correction itself is made and written.
    void journalFault() {
        const QString path = m_dir->filePath(QStringLiteral("race.stn"));
        WriteBytes(path, "1;4\r\n");
        QVERIFY(QDir().mkpath(JournalPath(path)));
        clsFile file;
        QVERIFY(file.OpenFile(path));
        Corrections corrections(file);
        QVERIFY(corrections.Edit(0, 6) && !corrections.JournalSaved());
        QCOMPARE(FileBytes(path), QByteArray("1;6\r\n"));
        QVERIFY(QDir(JournalPath(path)).removeRecursively() && corrections.Undo() && corrections.JournalSaved());
    }

private:
    const QDateTime kStart{QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200)};
    std::optional<QTemporaryDir> m_dir;
    int m_ticks = 0;
};

QTEST_GUILESS_MAIN(TestCorrections)
#include "tst_corrections.moc"
