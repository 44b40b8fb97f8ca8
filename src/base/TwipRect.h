#pragma once

// A control's place in its window in twips (1/1440 inch): left, top, width and height.
struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};
