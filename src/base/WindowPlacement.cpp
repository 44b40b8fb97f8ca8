#include "base/WindowPlacement.h"

#include "base/ErrorInfo.h"
#include "base/NumericValue.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The largest coordinate or size a window can take (the toolkit's own limit for widget sizes).
constexpr double kLargestPixelValue = 16777215.0;

// A field counts as a number only as a whole: "12abc" or "" fail the step instead of reading as a
// partial value or 0. The value itself comes from NumericValue, as everywhere else in the program.
std::optional<double> FieldNumber(const QString& field) {
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    if (!number.match(field).hasMatch())
        return std::nullopt;
    try {
        return NumericValue(field);
    } catch (const RaisedError&) {
        return std::nullopt; // too large for any window
    }
}

// The number before the first "," of rest; empty when there is no ",".
std::optional<double> NumberBeforeComma(const QString& rest) {
    const qsizetype comma = rest.indexOf(QLatin1Char(','));
    if (comma < 0)
        return std::nullopt;
    return FieldNumber(rest.left(comma));
}

// The text after the first "," of rest. Without a "," rest stays as it is, so the next step reads
// the same text again.
QString AfterComma(const QString& rest) {
    const qsizetype comma = rest.indexOf(QLatin1Char(','));
    return comma < 0 ? rest : rest.mid(comma + 1);
}

} // namespace

QChar PlacementStateChar(PlacementState state) {
    switch (state) {
    case PlacementState::Maximized:
        return QLatin1Char('0');
    case PlacementState::Minimized:
        return QLatin1Char('1');
    case PlacementState::Normal:
        break;
    }
    return QLatin1Char('2');
}

StoredPlacement ParsePlacement(const QString& text, bool sizable) {
    StoredPlacement stored;
    stored.state = text.left(1);
    QString rest = text.mid(2);

    stored.left = NumberBeforeComma(rest);
    rest = AfterComma(rest);
    stored.top = NumberBeforeComma(rest);
    // A fixed-border window keeps its design size, so the size fields are not even looked at.
    if (sizable) {
        rest = AfterComma(rest);
        stored.width = NumberBeforeComma(rest);
        rest = AfterComma(rest);
        stored.height = FieldNumber(rest);
    }
    return stored;
}

RestoreState RestoreStateFor(const QString& state, bool maximizable) {
    if (state.isEmpty())
        return RestoreState::Keep;
    if (state.at(0) == PlacementStateChar(PlacementState::Maximized) && maximizable)
        return RestoreState::Maximize;
    return RestoreState::Normal;
}

QString PlacementText(PlacementState state, const TwipsRect& current, const QString& previousText) {
    const QString head = QString(PlacementStateChar(state)) + QLatin1Char(';');
    if (state != PlacementState::Normal)
        return head + previousText.mid(2);
    return head + TwipsText(current.left) + QLatin1Char(',') + TwipsText(current.top) + QLatin1Char(',') +
           TwipsText(current.width) + QLatin1Char(',') + TwipsText(current.height);
}

QString TwipsText(float twips) {
    // Seven significant digits are what a single-precision number holds; whole numbers print bare.
    return QString::number(static_cast<double>(twips), 'g', 7);
}

double TwipsPerPixel(double logicalDotsPerInch) {
    return logicalDotsPerInch > 0 ? 1440.0 / logicalDotsPerInch : 15.0; // 96 dpi when unknown
}

float PixelsToTwips(int pixels, double twipsPerPixel) {
    return static_cast<float>(pixels * twipsPerPixel);
}

std::optional<int> TwipsToPixels(double twips, double twipsPerPixel) {
    const double pixels = twips / twipsPerPixel;
    if (!std::isfinite(pixels) || std::fabs(pixels) > kLargestPixelValue)
        return std::nullopt;
    return static_cast<int>(std::lround(pixels));
}

QRect PlaceOnScreen(const QRect& frame, const QList<QRect>& availableAreas, const QRect& primaryArea) {
    // An empty rectangle intersects nothing; judge a collapsed window by its top-left pixel.
    const QRect probe(frame.topLeft(), frame.size().expandedTo(QSize(1, 1)));
    const bool visible = std::any_of(availableAreas.cbegin(), availableAreas.cend(),
                                     [&probe](const QRect& area) { return area.intersects(probe); });
    if (visible || availableAreas.isEmpty() || !primaryArea.isValid())
        return frame;

    const int right = primaryArea.left() + primaryArea.width() - probe.width();
    const int bottom = primaryArea.top() + primaryArea.height() - probe.height();
    QRect moved = frame;
    moved.moveTo(std::max(primaryArea.left(), std::min(frame.left(), right)),
                 std::max(primaryArea.top(), std::min(frame.top(), bottom)));
    return moved;
}
