#include "app/ErrorInfo.h"
#include "records/StnFormat.h"

#include <QRandomGenerator>
#include <QtTest>

#include <limits>

namespace {

QVector<tBib> RecordsOf(const QVector<qint32>& bibs) {
    QVector<tBib> records;
    for (qint32 bib : bibs)
        records.append(tBib{static_cast<qint32>(records.size() + 1), bib});
    return records;
}

} // namespace

class TestStnFormat : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVector<qint32>>("bibs");

        QTest::newRow("empty") << QByteArray() << QVector<qint32>{};
        QTest::newRow("crlf lines, positions ignored")
            << QByteArray("1;17\r\n9;4\r\n3;17\r\n") << QVector<qint32>{17, 4, 17};
        QTest::newRow("last line without crlf") << QByteArray("1;12\r\n2;7") << QVector<qint32>{12, 7};
        QTest::newRow("mixed ends") << QByteArray("1;1\r\n2;2\n3;3\r4;4\r\n") << QVector<qint32>{1, 2, 3, 4};
        QTest::newRow("cr cr lf") << QByteArray("1;1\r\r\n2;2\r\n") << QVector<qint32>{1, 2};
        QTest::newRow("blank lines skipped") << QByteArray("\r\n1;5\r\n\r\n\n2;6\r\n") << QVector<qint32>{5, 6};
        QTest::newRow("line without separator skipped") << QByteArray("abc\r\n1;3\r\n") << QVector<qint32>{3};
        QTest::newRow("only separator") << QByteArray(";\r\n") << QVector<qint32>{0};
        QTest::newRow("second separator ends number") << QByteArray("1;2;3\r\n") << QVector<qint32>{2};
        // The bib is the numeric value of the text after the separator, rounded half to even.
        QTest::newRow("numeric value") << QByteArray("x; -1\t2x\r\n1;&H1F\r\n1;2.5\r\n1;3.5\r\n")
                                       << QVector<qint32>{-12, 31, 2, 4};
        QTest::newRow("8-bit bytes before separator") << QByteArray("\xe4\xf6;9\r\n") << QVector<qint32>{9};
        QTest::newRow("32-bit limits") << QByteArray("1;2147483647\r\n2;-2147483648\r\n")
                                       << QVector<qint32>{std::numeric_limits<qint32>::max(),
                                                          std::numeric_limits<qint32>::min()};
    }

    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QVector<qint32>, bibs);
        QCOMPARE(ParseStn(bytes), bibs);
    }

    void outOfRangeBibRaises_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");

        QTest::newRow("above") << QByteArray("1;5\r\n2;2147483648\r\n") << QStringLiteral("Line 2");
        QTest::newRow("below") << QByteArray("1;-2147483649\r\n") << QStringLiteral("Line 1");
        QTest::newRow("beyond double") << QByteArray("1;1\n2;2\r3;1E999\r\n") << QStringLiteral("Line 3");
        QTest::newRow("skipped lines count") << QByteArray("abc\r\n1;99999999999") << QStringLiteral("Line 2");
    }

    void outOfRangeBibRaises() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        try {
            ParseStn(bytes);
            QFAIL("no error raised");
        } catch (const RaisedError& error) {
            QCOMPARE(error.info().number, ErrorNumber::Overflow);
            QVERIFY2(error.info().description.startsWith(line), qPrintable(error.info().description));
        }
    }

    // CR LF after every line, positions 1 to n; an empty list is no bytes. What the writer produced
    // reads back to the same bibs and is written again byte for byte.
    void formatRoundTrip() {
        QCOMPARE(FormatStn({}), QByteArray());
        QCOMPARE(FormatStn(RecordsOf({17, 0, -5, 17})), QByteArray("1;17\r\n2;0\r\n3;-5\r\n4;17\r\n"));
        QCOMPARE(FormatStnLine(std::numeric_limits<qint64>::max(), std::numeric_limits<qint32>::min()),
                 QByteArray("9223372036854775807;-2147483648\r\n"));
        QRandomGenerator random(20210502);
        QVector<qint32> bibs{std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
        for (int i = 0; i < 2000; ++i)
            bibs.append(i % 7 == 0 ? static_cast<qint32>(random.generate()) : random.bounded(-10, 100000));
        const QByteArray written = FormatStn(RecordsOf(bibs));
        QCOMPARE(ParseStn(written), bibs);
        QCOMPARE(FormatStn(RecordsOf(ParseStn(written))), written);
    }
};

QTEST_GUILESS_MAIN(TestStnFormat)
#include "tst_stnformat.moc"
