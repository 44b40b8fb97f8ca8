#pragma once

#include "base/TwipRect.h"

// The main window's geometry in twips, and how it follows the window's inner size.

struct MainLayout {
    TwipRect txtEnter{120, 120, 3615, 3495};
    TwipRect fraFrame{3840, 120, 1575, 3495};
    TwipRect cmdEnter{120, 1340, 1335, 2175}; // inside the frame
    TwipRect Grid{5520, 120, 3015, 3495};
    TwipRect Wiki{2160, 1200, 4815, 855};
    TwipRect lblStart{2760, 2055, 4215, 720}; // below the link's text: how to start
    double statusBarHeight = 360;
    double txtEnterFontSize = 48; // points
};

// Inner size of the window in the design.
constexpr double kMainDesignWidth = 8625;
constexpr double kMainDesignHeight = 4050;

// Lays the controls out for an inner size W x H: the grid takes a third of a wide window at the
// right, the frame sits against it and the entry box fills the rest; all three reach down to the
// status bar in a tall window; the entry box's font follows its size; the wiki link is centred
// with the start hint below its text.
// A narrow (W <= 5000) or low (H <= 3000) window keeps that direction's previous layout.
void ArrangeMainLayout(MainLayout& layout, double W, double H);
