#include "startlist/BackupComparison.h"

#include <optional>
#include <utility>
#include <vector>

namespace {

// Positions (0-based) of the records that agree, in increasing order on both sides.
using Matches = std::vector<std::pair<int, int>>;

// Aligns two sequences so that as many of their elements as possible agree (Myers' O((n+m)·D)
// method in linear space). Recordings that share little would take time in proportion to the
// square of their length; past a budget of steps the stretches left are taken as having nothing
// in common, which is what they nearly are.
class Aligner {
public:
    Aligner(const qint32* a, const qint32* b) : m_a(a), m_b(b) {}

    // Appends the agreeing records of a[a0..a1) and b[b0..b1).
    void Align(int a0, int a1, int b0, int b1, Matches& matches);

private:
    std::optional<std::pair<int, int>> MeetingPoint(const qint32* a, int n, const qint32* b, int m);

    static constexpr qint64 kBudget = 500'000'000; // steps: about a second
    const qint32* m_a;
    const qint32* m_b;
    qint64 m_steps = 0;
};

// A point that an alignment with the fewest differences of a[0..n) and b[0..m) passes through,
// found by following the best paths from both ends until they meet; none when the two have
// nothing in common (or the budget is spent).
std::optional<std::pair<int, int>> Aligner::MeetingPoint(const qint32* a, int n, const qint32* b, int m) {
    const int maxD = (n + m + 1) / 2;
    const int offset = maxD;
    // Two more than the diagonals reached, so that the start's diagonal 1 exists when one record
    // stands against one.
    const int length = 2 * maxD + 2;
    // forward[offset + k]: how far the best path of the current cost reaches on diagonal k;
    // backward the same from the ends.
    std::vector<int> forward(length, -1);
    std::vector<int> backward(length, -1);
    forward[offset + 1] = 0;
    backward[offset + 1] = 0;
    const int delta = n - m;
    const bool front = delta % 2 != 0; // which direction's step can meet the other's
    int k1start = 0, k1end = 0, k2start = 0, k2end = 0;
    for (int d = 0; d < maxD && m_steps < kBudget; ++d) {
        m_steps += 2 * d + 2;
        for (int k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
            const int i = offset + k1;
            int x = (k1 == -d || (k1 != d && forward[i - 1] < forward[i + 1])) ? forward[i + 1] : forward[i - 1] + 1;
            int y = x - k1;
            while (x < n && y < m && a[x] == b[y]) {
                ++x;
                ++y;
                ++m_steps;
            }
            forward[i] = x;
            if (x > n) {
                k1end += 2;
            } else if (y > m) {
                k1start += 2;
            } else if (front) {
                const int j = offset + delta - k1;
                if (j >= 0 && j < length && backward[j] != -1 && x >= n - backward[j])
                    return std::make_pair(x, y);
            }
        }
        for (int k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
            const int j = offset + k2;
            int x =
                (k2 == -d || (k2 != d && backward[j - 1] < backward[j + 1])) ? backward[j + 1] : backward[j - 1] + 1;
            int y = x - k2;
            while (x < n && y < m && a[n - x - 1] == b[m - y - 1]) {
                ++x;
                ++y;
                ++m_steps;
            }
            backward[j] = x;
            if (x > n) {
                k2end += 2;
            } else if (y > m) {
                k2start += 2;
            } else if (!front) {
                const int i = offset + delta - k2;
                if (i >= 0 && i < length && forward[i] != -1 && forward[i] >= n - x)
                    return std::make_pair(forward[i], offset + forward[i] - i);
            }
        }
    }
    return std::nullopt;
}

// The ends the two share are taken first, so two recordings that differ in a few places cost
// little more than one pass.
void Aligner::Align(int a0, int a1, int b0, int b1, Matches& matches) {
    const qint32* a = m_a;
    const qint32* b = m_b;
    while (a0 < a1 && b0 < b1 && a[a0] == b[b0])
        matches.emplace_back(a0++, b0++);
    int shared = 0;
    while (a0 < a1 - shared && b0 < b1 - shared && a[a1 - 1 - shared] == b[b1 - 1 - shared])
        ++shared;
    a1 -= shared;
    b1 -= shared;
    if (a0 < a1 && b0 < b1) {
        if (const auto meeting = MeetingPoint(a + a0, a1 - a0, b + b0, b1 - b0)) {
            Align(a0, a0 + meeting->first, b0, b0 + meeting->second, matches);
            Align(a0 + meeting->first, a1, b0 + meeting->second, b1, matches);
        }
    }
    for (int k = 0; k < shared; ++k)
        matches.emplace_back(a1 + k, b1 + k);
}

} // namespace

QVector<BackupDifference> CompareWithBackup(const QVector<qint32>& primary, const QVector<qint32>& backup) {
    Matches matches;
    const int n = static_cast<int>(primary.size());
    const int m = static_cast<int>(backup.size());
    Aligner(primary.constData(), backup.constData()).Align(0, n, 0, m, matches);
    QVector<BackupDifference> differences;
    int i = 0;
    int j = 0;
    // The records before primary[iEnd] and backup[jEnd] not yet listed, paired while both sides have one.
    const auto listUpTo = [&](int iEnd, int jEnd) {
        while (i < iEnd || j < jEnd) {
            BackupDifference difference;
            if (i < iEnd) {
                difference.primaryPosition = i + 1;
                difference.primaryBib = primary[i++];
            }
            if (j < jEnd) {
                difference.backupPosition = j + 1;
                difference.backupBib = backup[j++];
            }
            differences.append(difference);
        }
    };
    for (const auto& [x, y] : matches) {
        listUpTo(x, y);
        ++i;
        ++j;
    }
    listUpTo(n, m);
    return differences;
}

QString BackupDifferenceLine(const BackupDifference& difference) {
    const auto side = [](qint32 position, qint32 bib) {
        return position > 0 ? std::make_pair(QString::number(position), QString::number(bib))
                            : std::make_pair(QString(), QString());
    };
    const auto [primaryPosition, primaryBib] = side(difference.primaryPosition, difference.primaryBib);
    const auto [backupPosition, backupBib] = side(difference.backupPosition, difference.backupBib);
    return QStringList{primaryPosition, backupPosition, primaryBib, backupBib}.join(QLatin1Char(';'));
}

BackupAdoption AdoptionOf(const QVector<BackupDifference>& differences, qsizetype which) {
    const BackupDifference& difference = differences[which];
    if (difference.backupPosition == 0)
        return {BackupAdoption::Kind::Delete, difference.primaryPosition - 1, difference.primaryBib};
    if (difference.primaryPosition > 0)
        return {BackupAdoption::Kind::Edit, difference.primaryPosition - 1, difference.backupBib};
    // The backup's records before this one stand against as many of the primary's, but for those
    // listed as the backup's alone; the primary's listed alone come on top.
    qint32 before = difference.backupPosition - 1;
    for (qsizetype i = 0; i < which; ++i)
        before += (differences[i].primaryPosition == 0 ? -1 : 0) + (differences[i].backupPosition == 0 ? 1 : 0);
    return {BackupAdoption::Kind::Insert, before, difference.backupBib};
}
