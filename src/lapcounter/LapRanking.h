#pragma once

#include "lapcounter/LapCounting.h"

#include <vector>

// The rows of the lap list in ranking order, kept sorted as rows come and go: more laps first,
// and of equal laps the row whose last passage came first. Insert, erase, the rank of a row and
// the row at a rank each take O(log n) (a treap whose nodes count their subtree).
// Rows are told apart by their last ID, which no two rows share.
class LapRanking {
public:
    void Clear();
    // Replaces the rows by these, which are in ranking order; takes O(n).
    void Assign(const std::vector<LapRow>& ranked);
    void Insert(const LapRow& row);
    void Erase(const LapRow& row); // the row must be in the ranking
    // How many rows rank ahead of `row`: its 0-based place when it is in the ranking.
    qint64 RankOf(const LapRow& row) const;
    LapRow At(qint64 rank) const; // 0 <= rank < Size()
    qint64 Size() const { return m_root < 0 ? 0 : m_nodes[size_t(m_root)].size; }
    // The rows with at least `laps` laps, which all rank ahead of the others.
    qint64 CountWithAtLeast(qint32 laps) const;
    // Calls visit(row) for every row in ranking order.
    template <typename Visit> void ForEach(Visit visit) const;

    // True when a ranks ahead of b.
    static bool Ahead(const LapRow& a, const LapRow& b) {
        return a.Laps > b.Laps || (a.Laps == b.Laps && a.LastID < b.LastID);
    }

private:
    struct Node {
        LapRow row;
        quint32 priority = 0;
        qint32 left = -1;
        qint32 right = -1;
        qint64 size = 1;
    };
    qint64 SizeOf(qint32 node) const { return node < 0 ? 0 : m_nodes[size_t(node)].size; }
    void Update(qint32 node);
    // Splits a subtree into the rows ahead of `key` and the others.
    void Split(qint32 node, const LapRow& key, qint32& ahead, qint32& rest);
    qint32 Merge(qint32 ahead, qint32 rest);
    qint32 InsertInto(qint32 node, qint32 fresh);
    qint32 EraseFrom(qint32 node, const LapRow& row);
    qint32 NewNode(const LapRow& row);

    std::vector<Node> m_nodes;
    std::vector<qint32> m_free;
    qint32 m_root = -1;
    quint32 m_seed = 2463534242u;
};

template <typename Visit> void LapRanking::ForEach(Visit visit) const {
    std::vector<qint32> path;
    qint32 node = m_root;
    while (node >= 0 || !path.empty()) {
        while (node >= 0) {
            path.push_back(node);
            node = m_nodes[size_t(node)].left;
        }
        node = path.back();
        path.pop_back();
        visit(m_nodes[size_t(node)].row);
        node = m_nodes[size_t(node)].right;
    }
}
