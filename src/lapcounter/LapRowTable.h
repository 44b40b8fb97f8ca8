#pragma once

#include "lapcounter/LapCounting.h"

#include <vector>

// The lap rows by bib (bibs above 0). Counting a million passages looks a bib up a million times,
// so the rows lie in one array and an open-addressing table (linear probing) holds their places.
class LapRowTable {
public:
    void Clear() {
        m_rows.clear();
        m_slots.assign(kFirstSlots, 0);
        m_shift = kFirstShift;
    }

    // The row of a bib; made with its bib and no laps when the bib has none yet.
    LapRow& operator[](qint32 bib) {
        if (m_slots.empty())
            Clear();
        for (size_t slot = SlotOf(bib);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const qint32 place = m_slots[slot];
            if (place == 0) {
                m_rows.push_back(LapRow{bib, 0, 0});
                m_slots[slot] = qint32(m_rows.size());
                if (m_rows.size() * 2 > m_slots.size())
                    Grow();
                return m_rows.back();
            }
            if (m_rows[size_t(place - 1)].Bib == bib)
                return m_rows[size_t(place - 1)];
        }
    }

    // The row of a bib; nullptr when it has none.
    const LapRow* Find(qint32 bib) const {
        if (m_slots.empty())
            return nullptr;
        for (size_t slot = SlotOf(bib);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const qint32 place = m_slots[slot];
            if (place == 0)
                return nullptr;
            if (m_rows[size_t(place - 1)].Bib == bib)
                return &m_rows[size_t(place - 1)];
        }
    }

    // Every row, in the order their bibs first came.
    const std::vector<LapRow>& Rows() const { return m_rows; }

private:
    static constexpr size_t kFirstSlots = 16;
    static constexpr int kFirstShift = 32 - 4;

    // Fibonacci hashing: neighbouring bibs land far apart.
    size_t SlotOf(qint32 bib) const { return size_t((quint32(bib) * 2654435769u) >> m_shift); }

    void Grow() {
        m_slots.assign(m_slots.size() * 2, 0);
        --m_shift;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            size_t slot = SlotOf(m_rows[i].Bib);
            while (m_slots[slot] != 0)
                slot = (slot + 1) & (m_slots.size() - 1);
            m_slots[slot] = qint32(i + 1);
        }
    }

    std::vector<LapRow> m_rows;
    std::vector<qint32> m_slots; // a row's place in m_rows plus 1; 0: free
    int m_shift = kFirstShift;
};
