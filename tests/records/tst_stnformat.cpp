#include "GuiTestHelpers.h"
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
        QTest::newRow("crlf lines") << QByteArray("1;17\r\n2;4\r\n3;17\r\n") << QVector<qint32>{17, 4, 17};
        QTest::newRow("positions ignored") << QByteArray("5;12\r\n9;7\r\n") << QVector<qint32>{12, 7};
        QTest::newRow("last line without crlf") << QByteArray("1;12\r\n2;7") << QVector<qint32>{12, 7};
        QTest::newRow("lone lf") << QByteArray("1;12\n2;13") << QVector<qint32>{12, 13};
        QTest::newRow("lone cr") << QByteArray("1;12\r2;13") << QVector<qint32>{12, 13};
        QTest::newRow("mixed ends") << QByteArray("1;1\r\n2;2\n3;3\r4;4\r\n") << QVector<qint32>{1, 2, 3, 4};
        QTest::newRow("cr cr lf") << QByteArray("1;1\r\r\n2;2\r\n") << QVector<qint32>{1, 2};
        QTest::newRow("blank lines skipped") << QByteArray("\r\n1;5\r\n\r\n\n2;6\r\n") << QVector<qint32>{5, 6};
        QTest::newRow("line without separator skipped") << QByteArray("abc\r\n1;3\r\n") << QVector<qint32>{3};
        QTest::newRow("only separator") << QByteArray(";\r\n") << QVector<qint32>{0};
        QTest::newRow("text around number") << QByteArray("x;42x\r\n") << QVector<qint32>{42};
        QTest::newRow("negative") << QByteArray("1;-5\r\n") << QVector<qint32>{-5};
        QTest::newRow("second separator ends number") << QByteArray("1;2;3\r\n") << QVector<qint32>{2};
        QTest::newRow("blanks and tabs ignored") << QByteArray("1; 1\t2 \r\n") << QVector<qint32>{12};
        QTest::newRow("comma ends number") << QByteArray("1;12,5\r\n") << QVector<qint32>{12};
        QTest::newRow("half rounds to even down") << QByteArray("1;2.5\r\n") << QVector<qint32>{2};
        QTest::newRow("half rounds to even up") << QByteArray("1;3.5\r\n") << QVector<qint32>{4};
        QTest::newRow("hexadecimal") << QByteArray("1;&H1F\r\n") << QVector<qint32>{31};
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

    void format_data() {
        QTest::addColumn<QVector<qint32>>("bibs");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("empty list is no bytes") << QVector<qint32>{} << QByteArray();
        QTest::newRow("one") << QVector<qint32>{8} << QByteArray("1;8\r\n");
        QTest::newRow("doubles") << QVector<qint32>{17, 4, 17} << QByteArray("1;17\r\n2;4\r\n3;17\r\n");
        QTest::newRow("zero and negative") << QVector<qint32>{0, -5} << QByteArray("1;0\r\n2;-5\r\n");
        QTest::newRow("limits") << QVector<qint32>{std::numeric_limits<qint32>::max(),
                                                   std::numeric_limits<qint32>::min()}
                                << QByteArray("1;2147483647\r\n2;-2147483648\r\n");
    }

    void format() {
        QFETCH(QVector<qint32>, bibs);
        QFETCH(QByteArray, bytes);
        QCOMPARE(FormatStn(RecordsOf(bibs)), bytes);
    }

    void formatLine() {
        QCOMPARE(FormatStnLine(1, 8), QByteArray("1;8\r\n"));
        QCOMPARE(FormatStnLine(32768, -1), QByteArray("32768;-1\r\n"));
        QCOMPARE(FormatStnLine(std::numeric_limits<qint64>::max(), std::numeric_limits<qint32>::min()),
                 QByteArray("9223372036854775807;-2147483648\r\n"));
    }

    // Beyond the 16-bit range of positions and with every width of bib, what the writer produced
    // reads back to the same bibs and is written again byte for byte.
    void roundTripIsByteExact() {
        QRandomGenerator random(20210502);
        QVector<qint32> bibs;
        for (int i = 0; i < 40000; ++i)
            bibs.append(i % 7 == 0 ? static_cast<qint32>(random.generate()) : random.bounded(-10, 100000));
        bibs.append(std::numeric_limits<qint32>::min());
        bibs.append(std::numeric_limits<qint32>::max());

        const QByteArray written = FormatStn(RecordsOf(bibs));
        const QVector<qint32> read = ParseStn(written);
        QCOMPARE(read, bibs);
        QCOMPARE(FormatStn(RecordsOf(read)), written);
        QVERIFY(written.endsWith(QByteArray("40002;2147483647\r\n")));
    }

private:
    ScopedLanguage m_language; // refusals are read in English
};

QTEST_GUILESS_MAIN(TestStnFormat)
#include "tst_stnformat.moc"
