#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// Draws a list line with its tab characters expanded to the list box's standard tab stops, so
// columns separated by tabs line up whatever the width of their texts.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The distance between two tab stops in pixels: 32 dialog units, that is eight average
    // character widths of the font, the average taken over the Latin letters.
    static int TabStopDistance(const QFontMetrics& metrics);
};
