#include "recording/ForceFore.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

bool PlatformAllowsForeground(const QString& platformName) {
    return !platformName.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive);
}

bool CanForceForeground() {
    return PlatformAllowsForeground(QGuiApplication::platformName());
}

#ifdef Q_OS_WIN

// Windows lets only the thread that owns the foreground hand it on, so the foreground thread's
// input is attached to ours for the one SetForegroundWindow call.
bool ForceForeground(QWidget* window) {
    const HWND hwnd = reinterpret_cast<HWND>(window->window()->winId());
    if (GetForegroundWindow() == hwnd)
        return true;
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD ownThread = GetWindowThreadProcessId(hwnd, nullptr);
    BOOL success = FALSE;
    if (foregroundThread != ownThread) {
        AttachThreadInput(foregroundThread, ownThread, TRUE);
        success = SetForegroundWindow(hwnd);
        AttachThreadInput(foregroundThread, ownThread, FALSE);
    } else {
        success = SetForegroundWindow(hwnd);
    }
    ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
    return success != FALSE;
}

#else

// X11 and others: the toolkit's means. Activation there is asynchronous, so a window activated
// now reports itself active from the next call on.
bool ForceForeground(QWidget* window) {
    QWidget* top = window->window();
    // Some window systems keep a minimised window active; it still has to come back.
    if (top->isActiveWindow() && !top->isMinimized())
        return true;
    if (!CanForceForeground())
        return false;
    // Leaving only the minimised state restores a maximised window maximised, as a restore should.
    if (top->isMinimized())
        top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
    top->show();
    top->raise();
    top->activateWindow();
    return top->isActiveWindow();
}

#endif
