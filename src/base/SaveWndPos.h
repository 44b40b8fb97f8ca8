#pragma once

class QWidget;

enum class WndPos { Restore, Save };

// Restores or stores the placement of a top-level window in the
// setting "WndPos_" + the window's class name. Restoring runs before the window is first shown and
// only logs a failure (the window opens where its design puts it); a window that would open on no
// screen at all is moved onto the primary one. A failure while storing raises, for the window
// closing to report, and nothing is written.
//
// A window counts as sizable unless its minimum and maximum size are equal or it carries
// Qt::MSWindowsFixedSizeDialogHint; only a sizable window gets its width and height back. Only a
// sizable window that is not a tool window (Qt::Tool) is maximized again.
void SaveWndPos(QWidget* window, WndPos action);
