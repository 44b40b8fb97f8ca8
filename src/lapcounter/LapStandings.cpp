#include "lapcounter/LapStandings.h"

#include "records/clsFile.h"

#include <algorithm>
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

// One pass over the records counts every bib's laps; the rows are then sorted into ranking
// order once and the ranking is built from them in linear time.
void LapStandings::Recount() {
    m_rows.Clear();
    const qint32 count = m_records.Count();
    for (qint32 i = 0; i < count; ++i) {
        const tBib record = m_records.GetRecord(i);
        if (record.ID < m_firstCountedID || record.Bib <= 0)
            continue;
        LapRow& row = m_rows[record.Bib];
        ++row.Laps;
        row.LastID = qMax<qint64>(row.LastID, record.ID);
    }
    std::vector<LapRow> ranked = m_rows.Rows();
    std::sort(ranked.begin(), ranked.end(), [](const LapRow& a, const LapRow& b) { return LapRanking::Ahead(a, b); });
    m_ranking.Assign(ranked);
}

bool LapStandings::Add(const tBib& record, LapMove* move) {
    if (record.ID < m_firstCountedID || record.Bib <= 0)
        return false;
    LapMove result;
    LapRow& row = m_rows[record.Bib];
    if (row.Laps == 0) {
        result.row = LapRow{record.Bib, 1, record.ID};
    } else {
        result.oldLaps = row.Laps;
        result.oldRank = m_ranking.RankOf(row);
        m_ranking.Erase(row);
        result.row = LapRow{record.Bib, row.Laps + 1, qMax<qint64>(row.LastID, record.ID)};
    }
    row = result.row;
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
