#include "records/clsFile.h"
#include "startlist/CsvText.h"
#include "startlist/ResultsCsv.h"

#include "TestEnvironment.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

// The results CSV, read back with a CSV reader: one line per passage with its lap for its bib,
// names that need quoting intact, times with milliseconds and UTC offset.
class TestResultsCsv : public QObject {
    Q_OBJECT

private slots:
    void readsBack() {
        StartList names;
        names.Add({5, QStringLiteral("Müller, \"Ace\" Anna"), QStringLiteral("W40")});
        names.Add({7, QStringLiteral("Two\nLines"), QString()});
        const QDateTime first(QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200));
        const QDateTime local = QDateTime(QDate(2026, 5, 3), QTime(10, 43, 0, 5), Qt::LocalTime);
        const QVector<qint32> bibs = {5, 7, 5, 0, 432, 5};
        const QByteArray csv = BuildResultsCsv(
            bibs, [&](qint32 index) { return index == 0   ? first
                                             : index == 2 ? local
                                                          : QDateTime(); }, names);

        QVERIFY(csv.endsWith("\r\n"));
        const QVector<CsvRecord> records = ParseCsv(QString::fromUtf8(csv), QLatin1Char(','));
        QList<QStringList> rows;
        for (const CsvRecord& record : records)
            rows << record.fields;
        const QString localText = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
        QVERIFY(localText.contains(QLatin1String(".005")) && localText.size() > 23); // offset written
        const QList<QStringList> expected = {
            {"position", "bib", "time", "name", "category", "lap"},
            {"1", "5", "2026-05-03T10:42:07.315+02:00", "Müller, \"Ace\" Anna", "W40", "1"},
            {"2", "7", "", "Two\nLines", "", "1"},
            {"3", "5", localText, "Müller, \"Ace\" Anna", "W40", "2"},
            {"4", "0", "", "", "", ""},
            {"5", "432", "", "", "", "1"},
            {"6", "5", "", "Müller, \"Ace\" Anna", "W40", "3"},
        };
        QCOMPARE(rows, expected);
    }

    // The open record file's list is what is exported.
    void ofRecordFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("race.stn"));
        WriteBytes(path, "1;9\r\n2;9\r\n");
        clsFile records;
        QVERIFY(records.OpenFile(path));
        QCOMPARE(ResultsCsvOf(records, StartList()),
                 QByteArray("position,bib,time,name,category,lap\r\n1,9,,,,1\r\n2,9,,,,2\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestResultsCsv)
#include "tst_resultscsv.moc"
