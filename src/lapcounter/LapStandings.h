#pragma once

#include "lapcounter/LapRanking.h"
#include "lapcounter/LapRowTable.h"
#include "records/tBib.h"

class clsFile;

// Where one counted passage moved its bib in the ranking (0 = the leader).
struct LapMove {
    LapRow row;          // the bib's row after the passage
    qint32 oldLaps = 0;  // 0: the bib was not listed before
    qint64 oldRank = -1; // -1: the bib was not listed before
    qint64 newRank = 0;
};

// The laps of every bib since a first counted ID, ranked, kept in step with a record file.
// A record added to the file (appended or inserted: it always gets the newest ID) updates its
// bib's count and place in O(log n); any other change of the records, or a new first counted
// ID, counts everything again.
class LapStandings {
public:
    explicit LapStandings(const clsFile& records) : m_records(records) {}

    enum class Step { Unchanged, Moved, Recounted };
    // Brings the standings in step with the records. After a single added record that counts,
    // Moved, and `move` tells where its bib went.
    Step Sync(LapMove* move = nullptr);
    // Only records with this ID or a larger one count; counts again at the next Sync.
    void SetFirstCountedID(qint32 id);
    qint32 FirstCountedID() const { return m_firstCountedID; }

    const LapRanking& Ranking() const { return m_ranking; }
    // The laps counted for a bib (0 when it has none).
    qint32 LapsOf(qint32 bib) const {
        const LapRow* row = m_rows.Find(bib);
        return row ? row->Laps : 0;
    }
    // The rows with at least `minimum` laps (a row with fewer is not listed); they come first.
    qint64 ListedCount(double minimum) const;
    // Changes with every Sync that changed something.
    quint64 Revision() const { return m_revision; }

private:
    void Recount();
    bool Add(const tBib& record, LapMove* move);

    const clsFile& m_records;
    LapRanking m_ranking;
    LapRowTable m_rows;
    qint32 m_firstCountedID = 0;
    quint64 m_recordsRevision = 0;
    bool m_counted = false;
    quint64 m_revision = 0;
};
