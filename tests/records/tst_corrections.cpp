#include "TestEnvironment.h"
#include "base/Clock.h"
#include "records/CorrectionJournal.h"
#include "records/Corrections.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"

#include <QtTest>

// Corrections of a record file taken back and done again by record rather than by position, with
// the passages recorded meanwhile, the passage times and the journal.
class TestCorrections : public QObject {
    Q_OBJECT

private slots:
    void undoRedo() {
        QTemporaryDir dir;
        int ticks = 0;
        SetClockSource([&] { return kStart.addSecs(ticks++); });
        const auto restore = qScopeGuard([] { SetClockSource(nullptr); });
        const QString path = dir.filePath(QStringLiteral("race.stn"));
        WriteBytes(path, QByteArray());
        clsFile file;
        QVERIFY(file.OpenFile(path));
        Corrections corrections(file);
        // "a5" appends a passage, "d1" deletes, "u" undoes, "r" redoes. The last record deleted, a
        // scan, undone: back before it with its time; a scan keeps the redo. Then two neighbours
        // deleted, put back (each with a new ID) and deleted again.
        for (const QByteArray& step : QByteArray("a11 a17 d1 a40 u a50 r u d1 d0 u u r r u u").split(' ')) {
            const qint32 index = step.mid(1).toInt();
            const bool saved = step[0] == 'a'   ? file.AddBib(index)
                               : step[0] == 'd' ? corrections.Delete(index)
                               : step[0] == 'u' ? corrections.Undo()
                                                : corrections.Redo();
            QVERIFY2(saved && corrections.JournalSaved(), step.constData());
        }
        QByteArray records; // bib:n, n the clock's tick at its passage
        for (qint32 index = 0; index < file.Count(); ++index)
            records += QByteArray::number(file.GetRecord(index).Bib) + ':' +
                       QByteArray::number(kStart.secsTo(file.PassageTime(index))) + ' ';
        QCOMPARE(records, QByteArray("11:0 17:1 40:3 50:5 "));
        const QList<QByteArray> lines = FileBytes(JournalPath(path)).split('\n');
        QByteArray journal;
        for (const QByteArray& line : lines)
            journal += line.mid(line.indexOf(';') + 1).replace('\r', '|');
        QCOMPARE(journal, "delete;2;17;|undo delete;2;;17|redo delete;2;17;|undo delete;2;;17|delete;2;17;|"
                          "delete;1;11;|undo delete;1;;11|undo delete;2;;17|redo delete;2;17;|redo delete;1;11;|"
                          "undo delete;1;;11|undo delete;2;;17|");
        QVERIFY(lines[lines.size() - 2].startsWith(TimesSidecar::FormatTime(kStart.addSecs(ticks - 1)) + ';')); // now
    }

    // A journal that cannot be written is told until it can; the correction is made all the same.
    void journalFault() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("race.stn"));
        WriteBytes(path, "1;4\r\n");
        clsFile file;
        Corrections corrections(file);
        QVERIFY(QDir().mkpath(JournalPath(path)) && file.OpenFile(path));
        QVERIFY(corrections.Edit(0, 6) && !corrections.JournalSaved() && FileBytes(path) == "1;6\r\n");
        QVERIFY(QDir(JournalPath(path)).removeRecursively() && corrections.Undo() && corrections.JournalSaved());
    }

private:
    const QDateTime kStart{QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200)};
};

QTEST_GUILESS_MAIN(TestCorrections)
#include "tst_corrections.moc"
