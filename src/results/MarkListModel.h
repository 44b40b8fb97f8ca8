#pragma once

#include <QAbstractTableModel>

class FinishMarks;
class clsFile;

// The marks beside the passages they time, one row per number: the number, the mark, the
// passage's bib and its entry time. A number that has only one of the two shows in red.
class MarkListModel : public QAbstractTableModel {
public:
    MarkListModel(const FinishMarks& marks, const clsFile& records, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The marks or the passages changed.
    void Refresh();

private:
    const FinishMarks& m_marks;
    const clsFile& m_records;
};
