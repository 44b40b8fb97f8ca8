#include "grid/GridPictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace {

// The picture's own colours, independent of the style, so the buttons look alike everywhere.
QColor PictureColor(GridPicture picture, QIcon::Mode mode) {
    if (mode == QIcon::Disabled)
        return QColor(160, 160, 160);
    switch (picture) {
    case GridPicture::Insert:
        return QColor(0, 128, 0);
    case GridPicture::Delete:
        return QColor(192, 0, 0);
    default:
        return QColor(0, 64, 160);
    }
}

class GridPictureEngine : public QIconEngine {
public:
    explicit GridPictureEngine(GridPicture picture) : m_picture(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        PaintGridPicture(*painter, rect, m_picture, PictureColor(m_picture, mode));
    }

    // QIcon asks for size × device pixel ratio, so the shapes are drawn at the screen's resolution.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new GridPictureEngine(m_picture); }
    QString key() const override { return QStringLiteral("GridPictureEngine"); }

private:
    GridPicture m_picture;
};

} // namespace

void PaintGridPicture(QPainter& painter, const QRectF& rect, GridPicture picture, const QColor& color) {
    const double side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    // Drawn in a 16 × 16 design square centred in the rectangle.
    const QRectF square(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(square.topLeft());
    painter.scale(side / 16.0, side / 16.0);
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    switch (picture) {
    case GridPicture::Up:
    case GridPicture::Down: {
        QPainterPath arrow;
        arrow.moveTo(8, 2); // tip
        arrow.lineTo(14, 8);
        arrow.lineTo(10, 8);
        arrow.lineTo(10, 14);
        arrow.lineTo(6, 14);
        arrow.lineTo(6, 8);
        arrow.lineTo(2, 8);
        arrow.closeSubpath();
        if (picture == GridPicture::Down) {
            painter.translate(0, 16);
            painter.scale(1, -1);
        }
        painter.drawPath(arrow);
        break;
    }
    case GridPicture::Insert:
        painter.drawRect(QRectF(6.5, 2, 3, 12));
        painter.drawRect(QRectF(2, 6.5, 12, 3));
        break;
    case GridPicture::Delete: {
        QPen pen(color, 3, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    }
    }
    painter.restore();
}

QIcon GridPictureIcon(GridPicture picture) {
    return QIcon(new GridPictureEngine(picture));
}
