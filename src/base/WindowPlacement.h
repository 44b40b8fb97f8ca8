#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// The stored placement of a window: a state character, ";", then left, top, width and height of
// the outer frame in twips, separated by ",", e.g. "2;1200,900,8000,6000". This file holds the
// text format and the rules over plain numbers; SaveWndPos applies them to a real window.

enum class PlacementState { Maximized, Minimized, Normal };

// "0" maximized, "1" minimized, "2" normal.
QChar PlacementStateChar(PlacementState state);

// Outer frame rectangle in twips.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// What a stored text restores. A field that could not be read stays unset and the window keeps
// its own value for it.
struct StoredPlacement {
    QString state; // the first character of the text, or empty
    std::optional<double> left;
    std::optional<double> top;
    std::optional<double> width;
    std::optional<double> height;
};

// Reads a stored text step by step: left, top, and for a sizable window width and height. A step
// whose "," is missing or whose field is not a number is skipped and the next step still runs.
StoredPlacement ParsePlacement(const QString& text, bool sizable);

// What restoring does with the window's state. A stored "0" maximizes only a window that can be
// maximized; a window stored minimized reopens normal; an empty state leaves the window alone.
enum class RestoreState { Keep, Maximize, Normal };
RestoreState RestoreStateFor(const QString& state, bool maximizable);

// The text to store when a window closes. In the normal state the current rectangle is stored;
// otherwise the new state character replaces the old one and the normal rectangle stored before
// (everything after the first two characters of previousText) is kept.
QString PlacementText(PlacementState state, const TwipsRect& current, const QString& previousText);

// A twips value as stored: the default text of a single-precision number ("1200", "-300", "7.5").
QString TwipsText(float twips);

// 1440 twips per inch: 15 twips per pixel at 96 dots per inch.
double TwipsPerPixel(double logicalDotsPerInch);
float PixelsToTwips(int pixels, double twipsPerPixel);
// Empty when the result would not be a usable pixel coordinate (a huge or broken stored value).
std::optional<int> TwipsToPixels(double twips, double twipsPerPixel);

// A window whose frame lies entirely outside every available screen area (say the monitor it was
// on has been unplugged) is moved onto the primary area, keeping its size and staying as close to
// where it was as fits; a window larger than that area goes to its top-left corner. A window that
// is visible anywhere, even in part, is returned unchanged.
QRect PlaceOnScreen(const QRect& frame, const QList<QRect>& availableAreas, const QRect& primaryArea);
