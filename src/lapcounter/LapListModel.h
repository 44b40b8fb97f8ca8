#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the lap list, replaced as a whole by each refresh.
class LapListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit LapListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void SetLines(QStringList lines);
    const QStringList& Lines() const { return m_lines; }

private:
    QStringList m_lines;
};
