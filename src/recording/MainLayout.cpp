#include "recording/MainLayout.h"

#include <algorithm>

void ArrangeMainLayout(MainLayout& layout, double W, double H) {
    // Single precision, as the layout has always been computed.
    const float width = static_cast<float>(W);
    const float height = static_cast<float>(H);
    if (width > 5000) {
        layout.Grid.width = std::max(width / 3.0f, 3000.0f);
        layout.Grid.left = width - static_cast<float>(layout.Grid.width);
        layout.fraFrame.left = layout.Grid.left - layout.fraFrame.width;
        layout.txtEnter.width = layout.fraFrame.left - 120;
    }
    if (height > 3000) {
        layout.Grid.height = height - static_cast<float>(layout.statusBarHeight) - 240;
        layout.fraFrame.height = layout.Grid.height;
        layout.txtEnter.height = layout.Grid.height;
        layout.cmdEnter.height = layout.fraFrame.height - layout.cmdEnter.top;
    }
    layout.txtEnterFontSize =
        std::min(static_cast<float>(layout.txtEnter.height) / 25.0f, static_cast<float>(layout.txtEnter.width) / 64.0f);
    layout.Wiki.left = std::max((width - static_cast<float>(layout.Wiki.width)) / 2.0f, 0.0f);
    layout.Wiki.top = std::max((height - static_cast<float>(layout.Wiki.height)) / 2.0f, 0.0f);
    layout.lblStart.left = layout.Wiki.left + (layout.Wiki.width - layout.lblStart.width);
    layout.lblStart.top = layout.Wiki.top + layout.Wiki.height;
}
