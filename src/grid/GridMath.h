#pragma once

#include "base/NumericValue.h"
#include "base/TwipRect.h"

#include <QtGlobal>
#include <algorithm>
#include <optional>

// The record grid's arithmetic that needs no widget: key codes, the Page key targets and the
// layout. All lengths are twips.
namespace GridMath {

// Key codes as AnalyseKey takes them (the family's virtual key numbers).
namespace Key {
constexpr int Enter = 13;
constexpr int PageUp = 33;
constexpr int PageDown = 34;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Up = 38;
constexpr int Down = 40;
constexpr int F12 = 123;
} // namespace Key

// The key code of a Qt key, or 0 for a key the grid's navigation does not know.
inline int KeyCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_PageUp:
        return Key::PageUp;
    case Qt::Key_PageDown:
        return Key::PageDown;
    case Qt::Key_End:
        return Key::End;
    case Qt::Key_Home:
        return Key::Home;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_F12:
        return Key::F12;
    default:
        return 0;
    }
}

// Where Page Up and Page Down go. rowsPerPage is the grid's height divided by the header row's
// height (not rounded); rows are grid rows (1 = first record). Results are rounded halves to even.
struct PageTarget {
    qint32 currentRow;
    qint32 topRow;
};

inline PageTarget PageUpTarget(double rowsPerPage, qint32 editRow) {
    const qint32 current = ToInt32(std::max(editRow - rowsPerPage + 2, 1.0));
    return {current, ToInt32(std::max(current - rowsPerPage + 3, 1.0))};
}

inline PageTarget PageDownTarget(double rowsPerPage, qint32 editRow, qint32 rowCount) {
    const qint32 current = ToInt32(std::min(rowsPerPage + editRow - 2, rowCount - 1.0));
    return {current, current};
}

// The control's layout for its inner size. A step whose size would be negative is left out
// (the widget keeps its old size); positions may be negative.
struct LayoutInput {
    double innerWidth = 0;
    double innerHeight = 0;
    double gridLeft = 0;
    double gridTop = 0;
    double gridHeight = 0; // current height, used when the new one is left out
    double upWidth = 0;
    double downWidth = 0;
    double insertWidth = 0;
    double deleteWidth = 0;
    double upHeight = 0; // every button gets the height of the up button
};

struct LayoutResult {
    std::optional<double> gridHeight;
    std::optional<double> gridWidth;
    double upLeft = 0, downLeft = 0, insertLeft = 0, deleteLeft = 0;
    double upTop = 0, insertTop = 0, deleteTop = 0, downTop = 0;
};

inline LayoutResult Layout(const LayoutInput& in) {
    constexpr double kButtonGap = 100; // between the buttons and from the right edge
    constexpr double kGridToButtons = 120;
    LayoutResult out;
    double gridHeight = in.gridHeight;
    if (const double height = in.innerHeight - 2 * in.gridTop; height >= 0)
        gridHeight = *(out.gridHeight = height);
    out.deleteLeft = in.innerWidth - in.deleteWidth - kButtonGap;
    out.upLeft = in.innerWidth - in.upWidth - kButtonGap;
    out.downLeft = in.innerWidth - in.downWidth - kButtonGap;
    out.insertLeft = in.innerWidth - in.insertWidth - kButtonGap;
    if (const double width = out.deleteLeft - in.gridLeft - kGridToButtons; width >= 0)
        out.gridWidth = width;
    // Up, insert, delete, down: one block centred beside the grid.
    out.upTop = in.gridTop + (gridHeight - 4 * in.upHeight - 3 * kButtonGap) / 2;
    out.insertTop = out.upTop + in.upHeight + kButtonGap;
    out.deleteTop = out.insertTop + in.upHeight + kButtonGap;
    out.downTop = out.deleteTop + in.upHeight + kButtonGap;
    return out;
}

// The in-place editor's rectangle over a cell: the cell's top and left are measured inside the
// grid's border; the editor sits a little inside the cell.
using EditorRect = TwipRect;

inline EditorRect EditorOverCell(double gridLeft, double gridTop, double cellLeft, double cellTop, double cellWidth,
                                 double cellHeight) {
    return {gridLeft + cellLeft + 80, gridTop + cellTop + 60, cellWidth - 70, cellHeight - 40};
}

} // namespace GridMath
