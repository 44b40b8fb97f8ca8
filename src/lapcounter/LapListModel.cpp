#include "lapcounter/LapListModel.h"

LapListModel::LapListModel(QObject* parent) : QAbstractListModel(parent) {}

int LapListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant LapListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_lines.at(index.row());
    return {};
}

void LapListModel::SetLines(QStringList lines) {
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

bool LapListModel::MoveLine(int from, int to, const QString& text) {
    const qsizetype count = m_lines.size();
    if (from < -1 || to < -1 || from >= count || to > (from >= 0 ? count - 1 : count))
        return false;
    if (from >= 0 && to >= 0) {
        // The lines between shift by one: their texts change, the number of rows does not, so
        // the view repaints what it shows instead of laying out every row again.
        m_lines.move(from, to);
        m_lines[to] = text;
        emit dataChanged(index(qMin(from, to)), index(qMax(from, to)));
        return true;
    }
    if (from >= 0) {
        beginRemoveRows(QModelIndex(), from, from);
        m_lines.removeAt(from);
        endRemoveRows();
    }
    if (to >= 0) {
        beginInsertRows(QModelIndex(), to, to);
        m_lines.insert(to, text);
        endInsertRows();
    }
    return true;
}
