#include "lapcounter/LapListView.h"

LapListView::LapListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);                            // a refresh of thousands of lines needs no per-line measuring
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // long lines are cut at the edge
}

void LapListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
    // Skips QListView's relayout, and hands the base only the changed lines that are shown: it
    // measures every line of the range it is given.
    const QModelIndex firstShown = indexAt(QPoint(0, 0));
    if (!firstShown.isValid())
        return;
    QModelIndex lastShown = indexAt(QPoint(0, viewport()->height() - 1));
    if (!lastShown.isValid())
        lastShown = model()->index(model()->rowCount() - 1, 0);
    const int first = qMax(topLeft.row(), firstShown.row());
    const int last = qMin(bottomRight.row(), lastShown.row());
    if (first <= last)
        QAbstractItemView::dataChanged(model()->index(first, 0), model()->index(last, 0), roles);
}
