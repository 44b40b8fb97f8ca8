#include "records/RecordPath.h"

#include <QDir>
#include <QtTest>

class TestRecordPath : public QObject {
    Q_OBJECT

private slots:
    void recordPath_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("path");
        const QString here = QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("race.stn")));
        QTest::newRow("quoted") << "\"race.stn\"" << here;
        QTest::newRow("quote at the start only") << "\"race.stn" << here;
        QTest::newRow("quote at the end only") << "race.stn\"" << here;
        QTest::newRow("inner quote stays") << "/a/\"b\".stn"
                                           << "/a/\"b\".stn";
        QTest::newRow("absolute stays") << "/data/race.stn"
                                        << "/data/race.stn";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("only quotes") << "\"\""
                                     << "";
    }

    void recordPath() {
        QFETCH(QString, given);
        QFETCH(QString, path);
        QCOMPARE(AbsoluteRecordPath(WithoutQuotes(given)), path);
    }
};

QTEST_GUILESS_MAIN(TestRecordPath)
#include "tst_recordpath.moc"
