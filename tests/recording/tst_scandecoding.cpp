#include "recording/ScanDecoding.h"

#include <QtTest>

class TestScanDecoding : public QObject {
    Q_OBJECT

private slots:
    // The box's text and the Enters after the bytes, each Enter emptying the box as the record
    // button does.
    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("enters");
        QTest::newRow("digits") << QByteArray("417") << "417" << 0;
        QTest::newRow("carriage return ends a bib") << QByteArray("41\r7") << "7" << 1;
        QTest::newRow("line feed and letters are noise") << QByteArray("4\nA1x") << "41" << 0;
        QTest::newRow("digits beyond eight dropped") << QByteArray("1234567890") << "12345678" << 0;
        QTest::newRow("zero byte and high bytes") << QByteArray("1\0\xff"
                                                                "2",
                                                                4)
                                                  << "12" << 0;
    }

    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, enters);
        QString box;
        int pressed = 0;
        for (const char byte : bytes)
            if (DecodeScanByte(byte, box) == ScanEffect::Enter) {
                ++pressed;
                box.clear();
            }
        QCOMPARE(box, text);
        QCOMPARE(pressed, enters);
    }
};

QTEST_GUILESS_MAIN(TestScanDecoding)
#include "tst_scandecoding.moc"
