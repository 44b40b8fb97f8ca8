#include "lapcounter/LapStandings.h"

#include "records/clsFile.h"

#include <cmath>
#include <limits>

LapStandings::Step LapStandings::Sync(LapMove* move) {
    const quint64 current = m_records.Revision();
    if (m_counted && current == m_recordsRevision)
        return Step::Unchanged;
    const tBib added = m_records.LastAdded();
    if (m_counted && current == m_recordsRevision + 1 && added.ID != 0) {
        m_recordsRevision = current;
        if (!Add(added, move))
            return Step::Unchanged;
        ++m_revision;
        return Step::Moved;
    }
    Recount();
    m_recordsRevision = current;
    m_counted = true;
    ++m_revision;
    return Step::Recounted;
}

void LapStandings::SetFirstCountedID(qint32 id) {
    if (id == m_firstCountedID)
        return;
    m_firstCountedID = id;
    m_counted = false;
}

// The passages are counted as the lap list always counted them (by sorting them by bib and
// grouping), then ranked.
void LapStandings::Recount() {
    m_ranking.Clear();
    m_rows.clear();
    QVector<LapEntry> entries = CollectLapEntries(m_records, m_firstCountedID);
    SortLapEntries(entries);
    const QVector<LapRow> rows = GroupLapEntries(entries);
    entries = QVector<LapEntry>();
    m_rows.reserve(rows.size());
    for (const LapRow& row : rows) {
        m_rows.insert(row.Bib, row);
        m_ranking.Insert(row);
    }
}

bool LapStandings::Add(const tBib& record, LapMove* move) {
    if (record.ID < m_firstCountedID || record.Bib <= 0)
        return false;
    LapMove result;
    auto found = m_rows.find(record.Bib);
    if (found == m_rows.end()) {
        result.row = LapRow{record.Bib, 1, record.ID};
        m_rows.insert(record.Bib, result.row);
    } else {
        const LapRow before = *found;
        result.oldLaps = before.Laps;
        result.oldRank = m_ranking.RankOf(before);
        m_ranking.Erase(before);
        result.row = LapRow{record.Bib, before.Laps + 1, qMax<qint64>(before.LastID, record.ID)};
        *found = result.row;
    }
    m_ranking.Insert(result.row);
    result.newRank = m_ranking.RankOf(result.row);
    if (move)
        *move = result;
    return true;
}

qint64 LapStandings::ListedCount(double minimum) const {
    // A row is left out when its laps are below the minimum.
    if (!(minimum > 1))
        return m_ranking.Size();
    if (minimum > std::numeric_limits<qint32>::max())
        return 0;
    return m_ranking.CountWithAtLeast(qint32(std::ceil(minimum)));
}
