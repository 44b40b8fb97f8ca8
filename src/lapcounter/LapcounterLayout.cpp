#include "lapcounter/LapcounterLayout.h"

#include <algorithm>

void ArrangeLapcounterLayout(LapcounterLayout& layout, double W, double H) {
    TwipRect& target = layout.txtLapCount[0];
    TwipRect& minimum = layout.txtLapCount[1];
    // Bottom up: the minimum row, the target row, then the buttons above them.
    minimum.top = std::max(1.0, H - minimum.height - 60);
    layout.lblLapcount[1].top = minimum.top + 30;
    target.top = std::max(1.0, minimum.top - minimum.height - 60);
    layout.lblLapcount[0].top = target.top + 30;
    layout.chkDescending.top = minimum.top;
    layout.chkAuto.top = target.top;
    layout.cmdReset.top = target.top - layout.cmdReset.height - 50;
    layout.cmdRequery.top = layout.cmdReset.top;

    layout.cmdRequery.left = 60;
    layout.cmdRequery.width = std::max(1.0, W / 2 - 120);
    layout.cmdReset.width = std::max(1.0, W / 2 - 120);
    layout.cmdReset.left = layout.cmdRequery.left + layout.cmdRequery.width + 120;
    layout.chkAuto.left = layout.cmdReset.left;
    layout.chkDescending.left = layout.cmdReset.left;
    target.width = std::max(250.0, layout.cmdRequery.left + layout.cmdRequery.width - target.left);
    minimum.width = target.width;

    // A control cannot get a negative size; that step is skipped and the list keeps its size.
    const double listHeight = layout.cmdRequery.top - 150;
    if (listHeight >= 0)
        layout.List1.height = listHeight;
    const double listWidth = W - layout.List1.left - 50;
    if (listWidth >= 0)
        layout.List1.width = listWidth;
}
