#pragma once

#include "startlist/StartListImport.h"

#include <QAbstractTableModel>

// A start list file as a table while it is imported: a row per record of the file, headed by its
// line number; first what the record loads as (or why it does not), then the file's columns,
// headed by their titles and the part each plays (bib, name, ...).
class StartListPreviewModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Show(const StartListImport& import);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString LoadedAs(int row) const;
    QString ColumnTitle(int column) const;

    StartListImport m_import;
};

// The title of a file's column (0-based): the header row's title, else "Column 3".
QString StartListColumnTitle(const StartListImport& import, int column);
