#include "startlist/StartListPreviewModel.h"

#include "lang/clsLanguage.h"

#include <QBrush>
#include <QColor>

QString StartListColumnTitle(const StartListImport& import, int column) {
    const QString title = import.header >= 0 ? import.records[import.header].fields.value(column) : QString();
    return title.isEmpty()
               ? GetText(QStringLiteral("MKL_SLI_COLUMN"), {{QStringLiteral("[n]"), QString::number(column + 1)}})
               : title;
}

void StartListPreviewModel::Show(const StartListImport& import) {
    beginResetModel();
    m_import = import;
    endResetModel();
}

int StartListPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_import.records.size());
}

int StartListPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + m_import.columnCount;
}

QString StartListPreviewModel::LoadedAs(int row) const {
    if (row < m_import.header)
        return GetText(QStringLiteral("MKL_SLI_ABOVEHEADER"));
    if (row == m_import.header)
        return GetText(QStringLiteral("MKL_SLI_HEADERROW"));
    if (m_import.recordProblem[row] >= 0)
        return StartListProblemReason(m_import.problems[m_import.recordProblem[row]]);
    const QStringList& fields = m_import.records[row].fields;
    const StartListEntry* entry = m_import.list.Find(fields.value(m_import.columns.bib).toInt());
    if (!entry)
        return QString();
    QStringList more{entry->category, fields.value(m_import.columns.club)}; // the club is shown, not kept
    more.removeAll(QString());
    return QString::number(entry->bib) + QLatin1Char(' ') + entry->name +
           (more.isEmpty() ? QString() : QStringLiteral(" (") + more.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

QVariant StartListPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int row = index.row();
    const bool rejected = row > m_import.header && m_import.recordProblem[row] >= 0;
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? LoadedAs(row) : m_import.records[row].fields.value(index.column() - 1);
    case Qt::ToolTipRole:
        return index.column() == 0 ? LoadedAs(row) : QVariant();
    case Qt::BackgroundRole:
        return rejected ? QBrush(QColor(255, 215, 215)) : QVariant();
    case Qt::ForegroundRole:
        return rejected ? QBrush(Qt::black) : row <= m_import.header ? QBrush(Qt::gray) : QVariant();
    default:
        return {};
    }
}

// "Startnr (Bib)": the title and the parts the column plays.
QString StartListPreviewModel::ColumnTitle(int column) const {
    const StartListColumns& columns = m_import.columns;
    const std::pair<int, const char*> roles[] = {{columns.bib, "MKL_SLI_ROLE_BIB"},
                                                 {columns.firstName, "MKL_SLI_ROLE_FIRSTNAME"},
                                                 {columns.name, "MKL_SLI_ROLE_NAME"},
                                                 {columns.category, "MKL_SLI_ROLE_CATEGORY"},
                                                 {columns.club, "MKL_SLI_ROLE_CLUB"}};
    QStringList parts;
    for (const auto& [chosen, key] : roles) {
        if (chosen == column)
            parts << GetText(QLatin1String(key));
    }
    const QString title = StartListColumnTitle(m_import, column);
    return parts.isEmpty() ? title : title + QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QVariant StartListPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section < m_import.records.size())
            return m_import.records[section].line;
        return {};
    }
    if (role == Qt::DisplayRole)
        return section == 0 ? GetText(QStringLiteral("MKL_SLI_LOADEDAS")) : ColumnTitle(section - 1);
    return {};
}
