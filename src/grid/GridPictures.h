#pragma once

#include <QIcon>

class QPainter;
class QRectF;
class QColor;

// The pictures of the grid's four buttons, drawn as shapes so they stay sharp at every size and
// display scaling: an arrow up, an arrow down, a plus for inserting and a cross for deleting.
enum class GridPicture { Up, Down, Insert, Delete };

// Paints a picture into a square inside the rectangle.
void PaintGridPicture(QPainter& painter, const QRectF& rect, GridPicture picture, const QColor& color);

// An icon that draws the picture afresh at each requested pixel size (greyed when disabled).
QIcon GridPictureIcon(GridPicture picture);
