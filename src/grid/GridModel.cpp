#include "grid/GridModel.h"

#include <QColor>

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2 + static_cast<int>(m_extraColumns.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    if (index.column() >= 2) {
        if (role != Qt::DisplayRole)
            return QVariant();
        const ExtraColumn& column = m_extraColumns[index.column() - 2];
        return column.text ? column.text(index.row(), row.bib) : QString();
    }
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(index.column() == 0 ? row.number : row.bib);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
    case Qt::ToolTipRole: {
        const QString warning = index.column() == 1 && m_bibWarning ? m_bibWarning(row.bib) : QString();
        if (warning.isEmpty())
            return QVariant();
        return role == Qt::ToolTipRole ? QVariant(warning) : QVariant(QColor(255, 214, 153)); // light amber
    }
    default:
        return QVariant();
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return section < 2 ? m_headers[section] : m_extraColumns[section - 2].header;
    return QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    // Editing goes through the control's own editor, never through the view's delegates.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void GridModel::SetHeader(int column, const QString& text) {
    if (column < 0 || column > 1 || m_headers[column] == text)
        return;
    m_headers[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString GridModel::Header(int column) const {
    return headerData(column, Qt::Horizontal).toString();
}

// Columns are removed and inserted rather than the model reset, so the current cell stays.
void GridModel::SetExtraColumns(QVector<ExtraColumn> columns) {
    if (!m_extraColumns.isEmpty()) {
        beginRemoveColumns(QModelIndex(), 2, 1 + static_cast<int>(m_extraColumns.size()));
        m_extraColumns.clear();
        endRemoveColumns();
    }
    if (!columns.isEmpty()) {
        beginInsertColumns(QModelIndex(), 2, 1 + static_cast<int>(columns.size()));
        m_extraColumns = std::move(columns);
        endInsertColumns();
    }
}

void GridModel::SetBibWarning(BibWarning warning) {
    m_bibWarning = std::move(warning);
    if (!m_rows.empty())
        emit dataChanged(index(0, 1), index(static_cast<int>(m_rows.size()) - 1, 1));
}

int GridModel::Count() const {
    if (!m_holding)
        return static_cast<int>(m_rows.size());
    return static_cast<int>(m_heldReplaces ? m_held.size() : m_rows.size() + m_held.size());
}

GridModel::Row GridModel::At(int index) const {
    if (index < 0 || index >= Count())
        return Row();
    const auto i = static_cast<size_t>(index);
    if (!m_holding || m_heldReplaces)
        return m_holding ? m_held[i] : m_rows[i];
    return i < m_rows.size() ? m_rows[i] : m_held[i - m_rows.size()];
}

void GridModel::Append(Row row) {
    if (m_holding) {
        m_held.push_back(row);
        return;
    }
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(row);
    endInsertRows();
}

void GridModel::Clear() {
    if (m_holding) {
        m_held.clear();
        m_heldReplaces = true;
        return;
    }
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void GridModel::SetBib(int index, qint32 bib) {
    if (index < 0 || index >= Count())
        return;
    if (m_holding) {
        TakeAllIntoHeld();
        m_held[static_cast<size_t>(index)].bib = bib;
        return;
    }
    m_rows[static_cast<size_t>(index)].bib = bib;
    const QModelIndex cell = this->index(index, 1);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void GridModel::Remove(int index) {
    if (index < 0 || index >= Count())
        return;
    if (m_holding) {
        TakeAllIntoHeld();
        m_held.erase(m_held.begin() + index);
        return;
    }
    beginRemoveRows(QModelIndex(), index, index);
    m_rows.erase(m_rows.begin() + index);
    endRemoveRows();
}

void GridModel::HoldBack(bool hold) {
    if (hold == m_holding)
        return;
    m_holding = hold;
    if (hold)
        return;
    if (m_heldReplaces) {
        beginResetModel();
        m_rows.swap(m_held);
        endResetModel();
    } else if (!m_held.empty()) {
        const int first = static_cast<int>(m_rows.size());
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(m_held.size()) - 1);
        m_rows.insert(m_rows.end(), m_held.begin(), m_held.end());
        endInsertRows();
    }
    m_held.clear();
    m_held.shrink_to_fit();
    m_heldReplaces = false;
}

void GridModel::TakeAllIntoHeld() {
    if (m_heldReplaces)
        return;
    m_held.insert(m_held.begin(), m_rows.begin(), m_rows.end());
    m_heldReplaces = true;
}
