// Random bytes on the serial line of the main window's scanner: only digit runs ended by a carriage
// return are recorded, exactly as the rules for a scanned bib give them, and nothing else reaches
// the record file.

#include "app/Clock.h"
#include "app/NumericValue.h"
#include "records/clsFile.h"

#include "GuiFixture.h"
#include "ScanHelper.h"
#include "ScannerPty.h"

#include <QRandomGenerator>
#include <QSerialPort>
#include <QtTest>

namespace {

// What the window records from the bytes, and what stays in the entry box: digits go into the box
// while it holds fewer than eight, a carriage return presses the record button, every other byte is
// dropped. The button ignores a value of 0 (the box keeps its text) and rejects a bib equal to the
// last one recorded (the box is emptied); a recorded bib empties the box.
QVector<qint32> Scanned(const QByteArray& bytes, QString& entry) {
    QVector<qint32> recorded;
    for (const char byte : bytes) {
        if (byte >= '0' && byte <= '9' && entry.size() < 8)
            entry += QLatin1Char(byte);
        if (byte != '\r' || WholeNumberValue(entry) <= 0)
            continue;
        if (recorded.isEmpty() || recorded.last() != WholeNumberValue(entry))
            recorded << WholeNumberValue(entry);
        entry.clear();
    }
    return recorded;
}

} // namespace

class TestScannerNoise : public QObject {
    Q_OBJECT

private slots:
    void onlyDigitRunsAreRecorded_data() {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("digits");  // percent of the bytes that are digits
        QTest::addColumn<int>("returns"); // percent that are carriage returns; the rest is any byte
        QTest::newRow("all byte values alike") << 1u << 0 << 0;
        QTest::newRow("mostly noise") << 2u << 20 << 5;
        QTest::newRow("scanner-like, with noise") << 3u << 60 << 10;
        QTest::newRow("long digit runs") << 4u << 90 << 3;
    }

    void onlyDigitRunsAreRecorded() {
        QFETCH(quint32, seed);
        QFETCH(int, digits);
        QFETCH(int, returns);
        GuiFixture f;
        const FixedClock clock(QDateTime(QDate(2021, 5, 2), QTime(15, 30, 12)));
        ScannerPty scanner;
        QVERIFY(scanner.IsValid());
        const QString path = f.path(QStringLiteral("noise.stn"));
        WriteBytes(path, QByteArray());
        QVERIFY(f.Load(path));
        f.window->findChild<BarcodeScanner*>()->Open(scanner.Device()); // switched on by the operator
        QVERIFY(Find<QSerialPort>(f.window, "MSComm")->isOpen());

        QRandomGenerator random(seed);
        QByteArray noise(12000, Qt::Uninitialized);
        for (char& byte : noise) {
            const int pick = int(random.bounded(100));
            byte = pick < digits             ? char('0' + random.bounded(10))
                   : pick < digits + returns ? '\r'
                                             : char(random.bounded(256));
        }
        QString entry;
        const QVector<qint32> expected = Scanned(noise, entry);
        QVERIFY(!expected.isEmpty());

        // In pieces of any size, as reads of the serial line split them.
        for (qsizetype at = 0; at < noise.size();) {
            const qsizetype piece = 1 + qsizetype(random.bounded(200));
            QVERIFY(scanner.Send(noise.mid(at, piece)));
            at += piece;
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.window->RecordFile.Count(), qint32(expected.size()), 120000);
        QTRY_COMPARE(f.Entry()->text(), entry);
        QCOMPARE(FileBytes(path), StnOf(expected));
        QVERIFY(f.Finish());
        QFile::remove(clsFile::DatedCopyPath(path, Now())); // kept in the program's folder
    }
};

QTEST_MAIN(TestScannerNoise)
#include "tst_gui_scannernoise.moc"
