#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// The rows of the record grid, two numbers each: the number a row was given when it was added
// (column 0) and its bib (column 1). Texts are made only when a cell is painted, so a million
// rows cost eight bytes each. A third column shows the passage times when a time source is set;
// the times stay with the host's record list and are asked for by 0-based row index.
//
// While held back, changes are collected without telling the views and announced at release as
// one insertion (rows were only appended) or one reset (anything else).
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        qint32 number = 0;
        qint32 bib = 0;
    };

    explicit GridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    using TimeSource = std::function<QDateTime(int index)>;
    // An empty source removes the time column.
    void SetTimeSource(TimeSource source);
    bool ShowsTimes() const { return static_cast<bool>(m_timeOf); }

    void SetHeader(int column, const QString& text);
    QString Header(int column) const;

    // The rows including those held back; indexes are 0-based.
    int Count() const;
    Row At(int index) const;
    void Append(Row row);
    void Clear();
    void SetBib(int index, qint32 bib);
    void Remove(int index);

    void HoldBack(bool hold);
    bool IsHoldingBack() const { return m_holding; }

private:
    // Makes the held-back rows a complete copy, for changes other than appending.
    void TakeAllIntoHeld();

    std::vector<Row> m_rows; // what the views know
    std::vector<Row> m_held; // appended rows, or every row once m_heldReplaces is set
    bool m_holding = false;
    bool m_heldReplaces = false;
    QString m_headers[3];
    TimeSource m_timeOf;
};
