#pragma once

#include "lapcounter/LapCounting.h"

#include <QAbstractListModel>

// The lines of the lap list: replaced as a whole by a refresh, or one line moved when a single
// passage changed one bib. A line's text is made when a view asks for it.
class LapListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit LapListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void SetList(LapList list);
    // Takes the row's line at `from` away (-1: none) and puts the row's new line at `to` in the
    // result (-1: none). False, with nothing changed, when a line lies outside the rows: the list
    // is out of step.
    bool MoveLine(int from, int to, const LapRow& row);
    QStringList Lines() const { return m_list.Lines(); }

private:
    LapList m_list;
};
