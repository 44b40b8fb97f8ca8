#include "lapcounter/LapRanking.h"

#include <limits>

void LapRanking::Clear() {
    m_nodes.clear();
    m_free.clear();
    m_root = -1;
}

// The treap that inserting the rows one by one would give, built along its right spine: each new
// row (the last so far) takes the nodes of lower priority at the spine's end as its left subtree.
// A node leaves the spine with its subtree complete, so its size is known then.
void LapRanking::Assign(const std::vector<LapRow>& ranked) {
    Clear();
    m_nodes.reserve(ranked.size());
    std::vector<qint32> spine;
    const auto leave = [this, &spine] {
        const qint32 node = spine.back();
        spine.pop_back();
        Update(node);
        return node;
    };
    for (const LapRow& row : ranked) {
        const qint32 fresh = NewNode(row);
        qint32 left = -1;
        while (!spine.empty() && m_nodes[size_t(spine.back())].priority < m_nodes[size_t(fresh)].priority)
            left = leave();
        m_nodes[size_t(fresh)].left = left;
        if (!spine.empty())
            m_nodes[size_t(spine.back())].right = fresh;
        spine.push_back(fresh);
    }
    while (!spine.empty())
        m_root = leave();
}

qint32 LapRanking::NewNode(const LapRow& row) {
    // xorshift32: cheap priorities that keep the tree balanced in expectation.
    m_seed ^= m_seed << 13;
    m_seed ^= m_seed >> 17;
    m_seed ^= m_seed << 5;
    Node node;
    node.row = row;
    node.priority = m_seed;
    if (!m_free.empty()) {
        const qint32 index = m_free.back();
        m_free.pop_back();
        m_nodes[size_t(index)] = node;
        return index;
    }
    m_nodes.push_back(node);
    return qint32(m_nodes.size() - 1);
}

void LapRanking::Update(qint32 node) {
    Node& n = m_nodes[size_t(node)];
    n.size = 1 + SizeOf(n.left) + SizeOf(n.right);
}

void LapRanking::Split(qint32 node, const LapRow& key, qint32& ahead, qint32& rest) {
    if (node < 0) {
        ahead = rest = -1;
        return;
    }
    Node& n = m_nodes[size_t(node)];
    if (Ahead(n.row, key)) {
        Split(n.right, key, m_nodes[size_t(node)].right, rest);
        ahead = node;
    } else {
        Split(n.left, key, ahead, m_nodes[size_t(node)].left);
        rest = node;
    }
    Update(node);
}

qint32 LapRanking::Merge(qint32 ahead, qint32 rest) {
    if (ahead < 0)
        return rest;
    if (rest < 0)
        return ahead;
    if (m_nodes[size_t(ahead)].priority > m_nodes[size_t(rest)].priority) {
        const qint32 right = Merge(m_nodes[size_t(ahead)].right, rest);
        m_nodes[size_t(ahead)].right = right;
        Update(ahead);
        return ahead;
    }
    const qint32 left = Merge(ahead, m_nodes[size_t(rest)].left);
    m_nodes[size_t(rest)].left = left;
    Update(rest);
    return rest;
}

qint32 LapRanking::InsertInto(qint32 node, qint32 fresh) {
    if (node < 0)
        return fresh;
    if (m_nodes[size_t(fresh)].priority > m_nodes[size_t(node)].priority) {
        qint32 ahead = -1;
        qint32 rest = -1;
        Split(node, m_nodes[size_t(fresh)].row, ahead, rest);
        m_nodes[size_t(fresh)].left = ahead;
        m_nodes[size_t(fresh)].right = rest;
        Update(fresh);
        return fresh;
    }
    if (Ahead(m_nodes[size_t(fresh)].row, m_nodes[size_t(node)].row)) {
        const qint32 left = InsertInto(m_nodes[size_t(node)].left, fresh);
        m_nodes[size_t(node)].left = left;
    } else {
        const qint32 right = InsertInto(m_nodes[size_t(node)].right, fresh);
        m_nodes[size_t(node)].right = right;
    }
    Update(node);
    return node;
}

qint32 LapRanking::EraseFrom(qint32 node, const LapRow& row) {
    if (node < 0)
        return -1;
    Node& n = m_nodes[size_t(node)];
    if (n.row.LastID == row.LastID) {
        const qint32 merged = Merge(n.left, n.right);
        m_free.push_back(node);
        return merged;
    }
    if (Ahead(row, n.row)) {
        const qint32 left = EraseFrom(n.left, row);
        m_nodes[size_t(node)].left = left;
    } else {
        const qint32 right = EraseFrom(n.right, row);
        m_nodes[size_t(node)].right = right;
    }
    Update(node);
    return node;
}

void LapRanking::Insert(const LapRow& row) {
    m_root = InsertInto(m_root, NewNode(row));
}

void LapRanking::Erase(const LapRow& row) {
    m_root = EraseFrom(m_root, row);
}

qint64 LapRanking::RankOf(const LapRow& row) const {
    qint64 rank = 0;
    for (qint32 node = m_root; node >= 0;) {
        const Node& n = m_nodes[size_t(node)];
        if (Ahead(n.row, row)) {
            rank += SizeOf(n.left) + 1;
            node = n.right;
        } else {
            node = n.left;
        }
    }
    return rank;
}

LapRow LapRanking::At(qint64 rank) const {
    qint32 node = m_root;
    while (node >= 0) {
        const Node& n = m_nodes[size_t(node)];
        const qint64 leftSize = SizeOf(n.left);
        if (rank < leftSize) {
            node = n.left;
        } else if (rank == leftSize) {
            return n.row;
        } else {
            rank -= leftSize + 1;
            node = n.right;
        }
    }
    return LapRow{};
}

qint64 LapRanking::CountWithAtLeast(qint32 laps) const {
    if (laps <= 1)
        return Size(); // every row has a lap
    // Every row with more than laps - 1 laps ranks ahead of this key, no other row does.
    return RankOf(LapRow{0, laps - 1, std::numeric_limits<qint64>::min()});
}
