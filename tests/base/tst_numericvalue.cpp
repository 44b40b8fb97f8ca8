#include "base/ErrorInfo.h"
#include "base/NumericValue.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>

namespace {
// Exact text of a double, so that a result one unit in the last place off shows up.
QString Exact(double value) {
    return QString::number(value, 'g', 17);
}

// The value read from the text's bytes, as the record file reader reads part of a line: the digit
// behind the end must not be read.
double FromBytes(const QString& text) {
    const QByteArray bytes = text.toLatin1() + '7';
    return NumericValue(bytes.constData(), bytes.constData() + bytes.size() - 1);
}

// True when the call raises the overflow error with a description for the operator.
bool RaisesOverflow(const std::function<void()>& call) {
    try {
        call();
    } catch (const RaisedError& error) {
        return error.info().number == ErrorNumber::Overflow && !error.info().description.isEmpty();
    }
    return false;
}
} // namespace

class TestNumericValue : public QObject {
    Q_OBJECT

private slots:
    void numericValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");

        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("15 digits") << "999999999999999;" << 999999999999999.0;
        QTest::newRow("19 digits") << "1234567890123456789" << 1234567890123456789.0;
        QTest::newRow("inner blank, tab and line feed") << "1 2\t3\n4" << 1234.0;
        QTest::newRow("blank sign") << " - 5" << -5.0;
        QTest::newRow("carriage return ends") << " 1.5\r2" << 1.5;
        QTest::newRow("no-break space ends") << QStringLiteral(" 1.5\u00A02") << 1.5;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("minus zero") << "-0" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("second point ends") << "1.2.3" << 1.2;
        QTest::newRow("negative fraction") << "-.5" << -0.5;
        QTest::newRow("comma ends") << "2,5" << 2.0;
        QTest::newRow("exponent") << "1.5E3" << 1500.0;
        QTest::newRow("negative exponent") << "2e-2" << 0.02;
        QTest::newRow("D exponent") << "1d2" << 100.0;
        QTest::newRow("spaced exponent") << "3 e 2" << 300.0;
        QTest::newRow("exponent without digits") << "1e" << 1.0;
        QTest::newRow("underflow") << "-1e-400" << 0.0;
        QTest::newRow("smallest subnormal") << "4.9e-324" << std::numeric_limits<double>::denorm_min();
        QTest::newRow("largest double") << "1.7976931348623157e308" << std::numeric_limits<double>::max();
        QTest::newRow("2^53 + 1 ties to even") << "9007199254740993" << 9007199254740992.0;
        QTest::newRow("2^53 + 3 ties to even") << "9007199254740995" << 9007199254740996.0;
        QTest::newRow("many digits") << "123456789012345678901234567890" << 123456789012345678901234567890.0;
        const QString tie = QStringLiteral("9007199254740993.") + QString(800, '0');
        QTest::newRow("long tie") << tie << 9007199254740992.0;
        QTest::newRow("long tie broken far behind") << tie + "1" << 9007199254740994.0;
        QTest::newRow("long leading zeros") << "0." + QString(400, '0') + "1e420" << 1e19;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex stops at G") << "&H1G" << 1.0;
        QTest::newRow("hex stays positive") << "&HFFFFFFFF" << 4294967295.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("spaced octal") << "&o 1 7" << 15.0;
        QTest::newRow("octal stops at 8") << "&O8" << 0.0;
        QTest::newRow("other prefix") << "&X1" << 0.0;
        QTest::newRow("signed prefix") << "-&H10" << 0.0;
        const QString hexTie = QStringLiteral("&H20000000000001") + QString(21, '0');
        QTest::newRow("long hex tie") << hexTie << std::ldexp(9007199254740992.0, 84);
        QTest::newRow("long hex tie broken") << hexTie.chopped(1) + "1" << std::ldexp(9007199254740994.0, 84);
        QTest::newRow("Latin-1 letter ends") << QStringLiteral("12\u00B2") << 12.0;
        QTest::newRow("wide digit ends") << QStringLiteral("12\u0663") << 12.0;
    }

    void numericValue() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        const double value = NumericValue(text);
        QCOMPARE(Exact(value), Exact(expected));
        QVERIFY(!std::signbit(value) || value != 0.0); // never a negative zero
        QCOMPARE(Exact(FromBytes(text)), Exact(expected));
    }

    // Halves round to even; a value beyond 32 bits, too large for a double, infinite or no number
    // raises the overflow error.
    void toInt32AndOverflow() {
        const double values[] = {2.5, 3.5, -2.5, 0.5, 2.4999999, -2.5000001, 2147483647.4, -2147483648.5};
        const qint32 rounded[] = {2, 4, -2, 0, 2, -3, 2147483647, -2147483647 - 1};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(ToInt32(values[i]), rounded[i]);
        for (const QString& text : {QStringLiteral("1e400"), "1" + QString(400, '0'), "&H1" + QString(300, '0')}) {
            QVERIFY(RaisesOverflow([&] { NumericValue(text); }));
            QVERIFY(RaisesOverflow([&] { FromBytes(text); }));
        }
        for (const QString& text : {QStringLiteral("2147483647.5"), QStringLiteral("-2147483648.6")}) {
            QVERIFY(RaisesOverflow([&] { WholeNumberValue(text); }));
            QVERIFY(RaisesOverflow([&] { ToInt32(FromBytes(text)); }));
        }
        QVERIFY(RaisesOverflow([] { ToInt32(std::numeric_limits<double>::infinity()); }));
        QVERIFY(RaisesOverflow([] { ToInt32(std::numeric_limits<double>::quiet_NaN()); }));
    }
};

QTEST_APPLESS_MAIN(TestNumericValue)
#include "tst_numericvalue.moc"
