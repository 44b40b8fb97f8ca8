#pragma once

#include "base/TwipRect.h"

// The lap counter window's geometry in twips, starting from its design at the design size.
struct LapcounterLayout {
    TwipRect List1{60, 60, 5305, 4700};
    TwipRect cmdRequery{60, 4850, 2587.5, 375};
    TwipRect cmdReset{2767.5, 4850, 2587.5, 375};
    TwipRect lblLapcount[2] = {{135, 5305, 1935, 255}, {120, 5690, 1935, 255}};
    TwipRect txtLapCount[2] = {{2145, 5275, 502.5, 325}, {2145, 5660, 502.5, 325}};
    TwipRect chkAuto{2767.5, 5275, 2595, 255};
    TwipRect chkDescending{2767.5, 5660, 2595, 255};
};

// Inner size of the window in the design.
constexpr double kLapcounterDesignWidth = 5415;
constexpr double kLapcounterDesignHeight = 6045;

// Lays the controls out for an inner size W x H: the list fills the window from the top, the two
// buttons share the width under it, and two rows below them pair the lap target with automatic
// refresh and the minimum with the sort direction, the last row 60 twips above the bottom edge.
// A list size that would be negative in a very small window keeps its previous value.
void ArrangeLapcounterLayout(LapcounterLayout& layout, double W, double H);
