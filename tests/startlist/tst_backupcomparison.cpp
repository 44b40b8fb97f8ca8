#include "startlist/BackupComparison.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {
QStringList Lines(const QVector<BackupDifference>& differences) {
    QStringList lines;
    for (const BackupDifference& difference : differences)
        lines << BackupDifferenceLine(difference);
    return lines;
}

// The length of a longest common subsequence, by the table of all prefixes.
int CommonLength(const QVector<qint32>& a, const QVector<qint32>& b) {
    std::vector<std::vector<int>> table(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (int i = 1; i <= a.size(); ++i)
        for (int j = 1; j <= b.size(); ++j)
            table[i][j] = a[i - 1] == b[j - 1] ? table[i - 1][j - 1] + 1 : std::max(table[i - 1][j], table[i][j - 1]);
    return table[a.size()][b.size()];
}
} // namespace

// A recording against the backup a second person recorded of the same passages.
class TestBackupComparison : public QObject {
    Q_OBJECT

private slots:
    void differences_data() {
        QTest::addColumn<QVector<qint32>>("primary");
        QTest::addColumn<QVector<qint32>>("backup");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("only in the backup, a bib 0 too")
            << QVector<qint32>{5, 9} << QVector<qint32>{0, 5, 7, 9} << QStringList{";1;;0", ";3;;7"};
        QTest::newRow("two against three pair up in order")
            << QVector<qint32>{1, 2, 3, 9} << QVector<qint32>{1, 4, 5, 6, 9}
            << QStringList{"2;2;2;4", "3;3;3;5", ";4;;6"};
        QTest::newRow("a lap missing among repeats")
            << QVector<qint32>{5, 7, 5, 7, 5} << QVector<qint32>{5, 7, 5, 5} << QStringList{"4;;7;"};
        // 20,000 passages with a few faults far apart.
        QVector<qint32> primary(20000);
        std::iota(primary.begin(), primary.end(), 1);
        QVector<qint32> backup = primary;
        backup[14999] = 77777;
        backup.insert(5000, 99999);
        backup.remove(99);
        QTest::newRow("long recordings") << primary << backup
                                         << QStringList{"100;;100;", ";5000;;99999", "15000;15000;15000;77777"};
    }
    void differences() {
        QFETCH(QVector<qint32>, primary);
        QFETCH(QVector<qint32>, backup);
        QTEST(Lines(CompareWithBackup(primary, backup)), "lines");
    }

    // Random recordings: the records not listed agree and are as many as a longest common
    // subsequence; the listed ones are the records at their positions, in order; and between
    // two agreeing records one side stands alone only when the other has no record left there.
    void randomAgainstReference() {
        QRandomGenerator random(20260503);
        for (int round = 0; round < 2000; ++round) {
            QVector<qint32> sides[2];
            for (QVector<qint32>& side : sides)
                for (int i = random.bounded(12); i > 0; --i)
                    side.append(random.bounded(1, 5));
            const QVector<BackupDifference> differences = CompareWithBackup(sides[0], sides[1]);
            const QString context = Lines(differences).join(QLatin1Char(' '));
            QVector<bool> listed[2] = {QVector<bool>(sides[0].size()), QVector<bool>(sides[1].size())};
            qint32 last[2] = {0, 0};
            QString gap; // the kinds of rows since the last agreeing record
            for (const BackupDifference& difference : differences) {
                const qint32 position[2] = {difference.primaryPosition, difference.backupPosition};
                const qint32 bib[2] = {difference.primaryBib, difference.backupBib};
                bool agreedBetween = false;
                for (int side : {0, 1}) {
                    if (position[side] == 0)
                        continue;
                    QVERIFY2(position[side] > last[side] && bib[side] == sides[side][position[side] - 1],
                             qPrintable(context));
                    agreedBetween |= position[side] > last[side] + 1;
                    listed[side][position[side] - 1] = true;
                    last[side] = position[side];
                }
                gap = (agreedBetween ? QString() : gap) + (position[0] && position[1] ? 'p' : position[0] ? 'a' : 'b');
                QVERIFY2(!gap.contains(QLatin1Char('a')) || !gap.contains(QLatin1Char('b')), qPrintable(context));
                QVERIFY2(!QRegularExpression(QStringLiteral("[ab]p")).match(gap).hasMatch(), qPrintable(context));
            }
            QVector<qint32> agreeing[2];
            for (int side : {0, 1})
                for (int i = 0; i < sides[side].size(); ++i)
                    if (!listed[side][i])
                        agreeing[side].append(sides[side][i]);
            QVERIFY2(agreeing[0] == agreeing[1], qPrintable(context));
            QVERIFY2(agreeing[0].size() == CommonLength(sides[0], sides[1]), qPrintable(context));
            // Adopting any difference takes the primary one insertion or deletion (an edit: two) nearer.
            const auto distance = [&] {
                return sides[0].size() + sides[1].size() - 2 * CommonLength(sides[0], sides[1]);
            };
            for (QVector<BackupDifference> left = differences; !left.isEmpty();
                 left = CompareWithBackup(sides[0], sides[1])) {
                const qsizetype before = distance();
                const BackupAdoption adopted = AdoptionOf(left, random.bounded(int(left.size())));
                if (adopted.kind == BackupAdoption::Kind::Edit)
                    sides[0][adopted.index] = adopted.bib;
                else if (adopted.kind == BackupAdoption::Kind::Insert)
                    sides[0].insert(adopted.index, adopted.bib);
                else
                    sides[0].remove(adopted.index);
                QVERIFY2(distance() == before - (adopted.kind == BackupAdoption::Kind::Edit ? 2 : 1),
                         qPrintable(context));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestBackupComparison)
#include "tst_backupcomparison.moc"
