#include "results/MarkListModel.h"

#include "lang/clsLanguage.h"
#include "records/clsFile.h"
#include "results/FinishMarks.h"

#include <QColor>

#include <algorithm>

namespace {

enum Column { kNumber, kMark, kBib, kEntry, kColumns };

QString ClockText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss.zzz")) : QString();
}

} // namespace

MarkListModel::MarkListModel(const FinishMarks& marks, const clsFile& records, QObject* parent)
    : QAbstractTableModel(parent), m_marks(marks), m_records(records) {}

int MarkListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(m_marks.Count(), m_records.Count());
}

int MarkListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant MarkListModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    const bool hasMark = row < m_marks.Count();
    const bool hasPassage = row < m_records.Count();
    if (role == Qt::ForegroundRole)
        return hasMark && hasPassage ? QVariant() : QVariant(QColor(0xb0, 0, 0));
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case kNumber:
        return row + 1;
    case kMark:
        return !hasMark                       ? QString()
               : m_marks.All()[row].isValid() ? ClockText(m_marks.All()[row])
                                              : GetText(QStringLiteral("MKL_TM_EMPTYMARK"));
    case kBib:
        return hasPassage ? QVariant(m_records.GetRecord(row).Bib) : QVariant();
    case kEntry:
        return hasPassage ? ClockText(m_records.PassageTime(row)) : QString();
    default:
        return QVariant();
    }
}

QVariant MarkListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const char* const keys[kColumns] = {"MKL_GRID_NR", "MKL_TM_COLMARK", "MKL_GRID_BIB", "MKL_TM_COLENTRY"};
    return section >= 0 && section < kColumns ? GetText(QLatin1String(keys[section])) : QVariant();
}

void MarkListModel::Refresh() {
    beginResetModel();
    endResetModel();
}
