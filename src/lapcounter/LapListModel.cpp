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
