#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the lap list: replaced as a whole by a refresh, or one line moved when a single
// passage changed one bib.
class LapListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit LapListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void SetLines(QStringList lines);
    // Takes the line at `from` away (-1: none) and puts `text` at `to` in the result (-1: none).
    // False, with nothing changed, when a line lies outside the list: it is out of step.
    bool MoveLine(int from, int to, const QString& text);
    const QStringList& Lines() const { return m_lines; }

private:
    QStringList m_lines;
};
