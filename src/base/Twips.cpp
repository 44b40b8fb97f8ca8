#include "base/Twips.h"

#include <QScreen>
#include <cmath>

namespace {
constexpr double kTwipsPerInch = 1440.0;

double LogicalDpiX(const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : nullptr;
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

double LogicalDpiY(const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : nullptr;
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}
} // namespace

double TwipsPerPixelX(const QWidget* widget) {
    return kTwipsPerInch / LogicalDpiX(widget);
}
double TwipsPerPixelY(const QWidget* widget) {
    return kTwipsPerInch / LogicalDpiY(widget);
}
int TwipsToPixelsX(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips / TwipsPerPixelX(widget)));
}
int TwipsToPixelsY(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips / TwipsPerPixelY(widget)));
}
double PixelsToTwipsX(int pixels, const QWidget* widget) {
    return pixels * TwipsPerPixelX(widget);
}
double PixelsToTwipsY(int pixels, const QWidget* widget) {
    return pixels * TwipsPerPixelY(widget);
}

void PlaceInTwips(QWidget* widget, const TwipRect& rect) {
    widget->setGeometry(TwipsToPixelsX(rect.left, widget), TwipsToPixelsY(rect.top, widget),
                        qMax(0, TwipsToPixelsX(rect.width, widget)), qMax(0, TwipsToPixelsY(rect.height, widget)));
}
