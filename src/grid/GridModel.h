#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

#include <functional>
#include <vector>

// The rows of the record grid, two numbers each: the number a row was given when it was added
// (column 0) and its bib (column 1). Texts are made only when a cell is painted, so a million
// rows cost eight bytes each. Further columns (names, times) follow from the host's lists.
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

    // A column after the bib whose text follows from the row's record index and bib (a name from
    // the start list, a passage time). A column with a sample text as wide as its widest text (a
    // time) takes just that width.
    struct ExtraColumn {
        QString header;
        std::function<QString(int index, qint32 bib)> text;
        QString sample;
    };
    // A warning for a bib (not on the start list): its bib cell is marked and shows the text as
    // tooltip. Empty text: no warning.
    using BibWarning = std::function<QString(qint32 bib)>;

    explicit GridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetHeader(int column, const QString& text);
    QString Header(int column) const;
    void SetExtraColumns(QVector<ExtraColumn> columns);
    void SetBibWarning(BibWarning warning);

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
    QString m_headers[2];
    QVector<ExtraColumn> m_extraColumns;
    BibWarning m_bibWarning;
};
