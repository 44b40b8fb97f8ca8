#include "support/FileFilter.h"

#include <QTest>

class TestFileFilter : public QObject {
    Q_OBJECT

private slots:
    void nameFilter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("patterns");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Marklog"
                               << "*.stn"
                               << "Marklog (*.stn)";
        QTest::newRow("already labelled") << "Texte (*.txt;*.csv)"
                                          << "*.txt;*.csv"
                                          << "Texte (*.txt;*.csv)";
        QTest::newRow("labelled with spaces") << "Texte (*.txt *.csv)"
                                              << "*.txt;*.csv"
                                              << "Texte (*.txt *.csv)";
        QTest::newRow("several patterns") << "Texte"
                                          << "*.txt;*.csv"
                                          << "Texte (*.txt *.csv)";
        QTest::newRow("label of other patterns") << "Alt (*.old)"
                                                 << "*.stn"
                                                 << "Alt (*.old) (*.stn)";
    }
    void nameFilter() {
        QFETCH(QString, text);
        QFETCH(QString, patterns);
        QTEST(NameFilter(text, patterns), "expected");
    }

    void folderAndNetwork_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("network");
        QTest::newRow("local") << "/data/races/race.stn"
                               << "/data/races/" << false;
        QTest::newRow("root") << "/race.stn"
                              << "/" << false;
        QTest::newRow("bare name") << "race.stn"
                                   << "" << false;
        QTest::newRow("UNC") << "\\\\server/share/race.stn"
                             << "\\\\server/share/" << true;
        QTest::newRow("network, slashes") << "//server/share/race.stn"
                                          << "//server/share/" << true;
    }
    void folderAndNetwork() {
        QFETCH(QString, path);
        QTEST(FolderPart(path), "folder");
        QTEST(IsNetworkPath(path), "network");
    }
};

QTEST_APPLESS_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
