#include "lapcounter/TabStopDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

int TabStopDelegate::TabStopDistance(const QFontMetrics& metrics) {
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int averageWidth = (letters / 26 + 1) / 2;
    return qMax(1, 8 * averageWidth);
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear(); // the style draws the background and selection, the text is drawn below
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(TabStopDistance(item.fontMetrics));
    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(textRect);
    painter->drawText(QRectF(textRect), text, textOption);
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QFontMetrics& metrics = item.fontMetrics;
    const QSize text = metrics.size(Qt::TextSingleLine | Qt::TextExpandTabs, item.text, TabStopDistance(metrics));
    // Margins as the style puts them around an item's text.
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return QSize(text.width() + 2 * margin, qMax(text.height(), metrics.height()) + 2);
}
