#pragma once

#include <QString>

class QWidget;

// Brings the window's top-level window to the foreground, also when another program owns the
// foreground, and restores it when it is minimised. True when it was or became the foreground
// window. Where the window system forbids it (CanForceForeground false) nothing is changed.
bool ForceForeground(QWidget* window);

// False on window systems that do not let a program take the foreground, such as Wayland.
bool CanForceForeground();
bool PlatformAllowsForeground(const QString& platformName);
