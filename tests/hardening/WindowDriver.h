#pragma once

// Drives the main window the way the operator does: keys into the entry box, clicks on the grid's
// cells and buttons. Each step waits for its effect and answers false when it did not come, so it
// serves QtTest functions and helper processes alike.

#include "grid/ctlGrid.h"
#include "recording/frmMain.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace WindowDriver {

constexpr int kStepTimeoutMs = 20000;

inline ctlGrid* GridOf(QWidget* window) {
    return window->findChild<ctlGrid*>(QStringLiteral("Grid"));
}
inline QTableView* TableOf(QWidget* window) {
    return GridOf(window)->findChild<QTableView*>(QStringLiteral("Grid"));
}
inline QLineEdit* EditorOf(QWidget* window) {
    return GridOf(window)->findChild<QLineEdit*>(QStringLiteral("txtWorkOn"));
}
inline QLineEdit* EntryOf(QWidget* window) {
    return window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
}

// Loads and shows a window on a record file and waits until it is the active window.
inline bool Show(frmMain* window) {
    window->Form_Load();
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

// Types a bib into the entry box and presses Enter.
inline void Record(QWidget* window, const QString& typed) {
    QLineEdit* entry = EntryOf(window);
    entry->setFocus();
    QTest::keyClicks(entry, typed);
    QTest::keyClick(entry, Qt::Key_Return);
}

// Clicks the bib cell of a grid row (scrolled into view first) and waits for the editor there.
inline bool OpenEditorOn(QWidget* window, int row) {
    QTableView* table = TableOf(window);
    const QModelIndex cell = table->model()->index(row - 1, 1);
    table->scrollTo(cell);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(cell).center());
    return QTest::qWaitFor([&] { return EditorOf(window)->hasFocus() && GridOf(window)->EditRow() == row; },
                           kStepTimeoutMs);
}

// Types over the open editor's selected text and leaves it with Enter, which commits the bib.
inline bool TypeIntoEditor(QWidget* window, const QString& typed) {
    QTest::keyClicks(EditorOf(window), typed);
    QTest::keyClick(EditorOf(window), Qt::Key_Return);
    return QTest::qWaitFor([&] { return EntryOf(window)->hasFocus(); }, kStepTimeoutMs);
}

inline void ClickButton(QWidget* window, const char* name) {
    QTest::mouseClick(GridOf(window)->findChild<QToolButton*>(QLatin1String(name)), Qt::LeftButton);
}

} // namespace WindowDriver
