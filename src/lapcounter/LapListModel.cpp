#include "lapcounter/LapListModel.h"

LapListModel::LapListModel(QObject* parent) : QAbstractListModel(parent) {}

int LapListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.Count());
}

QVariant LapListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_list.Line(index.row());
    return {};
}

void LapListModel::SetList(LapList list) {
    beginResetModel();
    m_list = std::move(list);
    endResetModel();
}

bool LapListModel::MoveLine(int from, int to, const LapRow& row) {
    const int first = int(m_list.heading.size());
    const int count = int(m_list.Count());
    const bool fromValid = from == -1 || (from >= first && from < count);
    const bool toValid = to == -1 || (to >= first && to <= (from >= 0 ? count - 1 : count));
    if (!fromValid || !toValid)
        return false;
    std::vector<LapRow>& rows = m_list.rows;
    if (from >= 0 && to >= 0) {
        // The lines between shift by one: their texts change, the number of rows does not, so
        // the view repaints what it shows instead of laying out every row again.
        const auto at = [&rows, first](int line) { return rows.begin() + (line - first); };
        if (from < to)
            std::rotate(at(from), at(from) + 1, at(to) + 1);
        else
            std::rotate(at(to), at(from), at(from) + 1);
        *at(to) = row;
        emit dataChanged(index(qMin(from, to)), index(qMax(from, to)));
        return true;
    }
    if (from >= 0) {
        beginRemoveRows(QModelIndex(), from, from);
        rows.erase(rows.begin() + (from - first));
        endRemoveRows();
    }
    if (to >= 0) {
        beginInsertRows(QModelIndex(), to, to);
        rows.insert(rows.begin() + (to - first), row);
        endInsertRows();
    }
    return true;
}
