#pragma once

#include "base/TwipRect.h"

#include <QWidget>

// Window geometry is designed in twips (1/1440 inch). The conversion uses the logical DPI of the
// widget's screen, so a layout keeps its physical size at any scaling (15 twips per pixel at 96 dpi).
double TwipsPerPixelX(const QWidget* widget);
double TwipsPerPixelY(const QWidget* widget);
int TwipsToPixelsX(double twips, const QWidget* widget);
int TwipsToPixelsY(double twips, const QWidget* widget);
double PixelsToTwipsX(int pixels, const QWidget* widget);
double PixelsToTwipsY(int pixels, const QWidget* widget);

// Gives a control the place a layout computed in twips; a negative width or height counts as 0.
void PlaceInTwips(QWidget* widget, const TwipRect& rect);
