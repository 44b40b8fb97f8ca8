#include "support/ctlWiki.h"

#include "base/ErrorHandler.h"
#include "base/Twips.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double kPictureTwips = 480;
constexpr double kLabelLeftTwips = 600;

// A round "i" sign: the program's pictures are drawn, not loaded, so they stay sharp at any scale.
QPixmap WikiPicture(int size, qreal ratio) {
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    painter.setBrush(Qt::white);
    const qreal unit = size / 16.0;
    painter.drawEllipse(QRectF(7 * unit, 3 * unit, 2 * unit, 2 * unit));
    painter.drawRoundedRect(QRectF(7 * unit, 6.5 * unit, 2 * unit, 6.5 * unit), unit / 2, unit / 2);
    return pixmap;
}
} // namespace

ctlWiki::ctlWiki(QWidget* parent) : QWidget(parent), pic(new QLabel(this)), lblText(new QLabel(this)) {
    pic->setObjectName(QStringLiteral("pic"));
    lblText->setObjectName(QStringLiteral("lblText"));
    const int side = TwipsToPixelsX(kPictureTwips, this);
    pic->setPixmap(WikiPicture(side, devicePixelRatioF()));
    pic->setGeometry(0, 0, side, side);
    lblText->move(TwipsToPixelsX(kLabelLeftTwips, this), 0);
    QFont font = lblText->font();
    font.setUnderline(true);
    lblText->setFont(font);
    lblText->setStyleSheet(QStringLiteral("color: #1f5fa8;"));
    setCursor(Qt::PointingHandCursor);
    pic->installEventFilter(this);
    lblText->installEventFilter(this);
}

bool ctlWiki::Init(const QString& text, const QString& article) {
    lblText->setText(text);
    lblText->adjustSize();
    m_article = article;
    Arrange();
    return true;
}

void ctlWiki::OpenArticle() {
    ReportingErrors([this] { StartDoc(HelpAddress(m_article), window(), QString(), QStringLiteral("C:\\")); });
}

void ctlWiki::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OpenArticle();
}

bool ctlWiki::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OpenArticle();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The picture is centred vertically; the text fills the width beside it and sits a little below
// the middle, level with the picture's visual centre.
void ctlWiki::resizeEvent(QResizeEvent*) {
    Arrange();
}

void ctlWiki::Arrange() {
    const double width = PixelsToTwipsX(this->width(), this);
    const double height = PixelsToTwipsY(this->height(), this);
    const double picHeight = PixelsToTwipsY(pic->height(), this);
    pic->move(pic->x(), TwipsToPixelsY(qMax(0.0, (height - picHeight) / 2), this));
    const double labelLeft = PixelsToTwipsX(lblText->x(), this);
    const double labelHeight = PixelsToTwipsY(lblText->height(), this);
    lblText->resize(TwipsToPixelsX(qMax(0.0, width - labelLeft - 60), this), lblText->height());
    lblText->move(lblText->x(), TwipsToPixelsY(qMax(0.0, (height + 100 - labelHeight) / 2), this));
}
