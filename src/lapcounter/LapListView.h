#pragma once

#include <QListView>

// The lap list. Its lines all have the same height and it never scrolls sideways, so a changed
// text never moves a line: changed lines are only repainted. QListView would lay out every line
// again for each change, which takes milliseconds per passage with 100,000 bibs listed.
class LapListView : public QListView {
    Q_OBJECT
public:
    explicit LapListView(QWidget* parent = nullptr);

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};
