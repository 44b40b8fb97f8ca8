#pragma once

// Drives a main window the way the operator does, for tests outside the shared fixture.

#include "recording/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace WindowDriver {

// Loads and shows a window on a record file and waits until it is the active window.
inline bool Show(frmMain* window) {
    window->Form_Load();
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

// Types a bib into the entry box and presses Enter.
inline void Record(QWidget* window, const QString& typed) {
    auto* entry = window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
    entry->setFocus();
    QTest::keyClicks(entry, typed);
    QTest::keyClick(entry, Qt::Key_Return);
}

} // namespace WindowDriver
