// The grid's undo and redo commands: keys, context menu, and the row shown after them.
#include "grid/ctlGrid.h"

#include "grid/GridEditor.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

namespace {

const QKeySequence kUndoKey(Qt::CTRL | Qt::Key_Z);
const QList<QKeySequence> kRedoKeys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)};

} // namespace

void ctlGrid::BuildUndoCommands() {
    mnuUndo = new QAction(this);
    mnuUndo->setObjectName(QStringLiteral("mnuGridUndo"));
    mnuUndo->setShortcut(kUndoKey);
    mnuRedo = new QAction(this);
    mnuRedo->setObjectName(QStringLiteral("mnuGridRedo"));
    mnuRedo->setShortcuts(kRedoKeys);
    for (QAction* command : {mnuUndo, mnuRedo}) {
        command->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        command->setEnabled(false);
        addAction(command);
    }
    connect(mnuUndo, &QAction::triggered, this, [this] {
        CommitEdit();
        emit UndoRequested();
    });
    connect(mnuRedo, &QAction::triggered, this, [this] {
        CommitEdit();
        emit RedoRequested();
    });
    mnuContext = new QMenu(this);
    mnuContext->setObjectName(QStringLiteral("mnuGridContext"));
    mnuContext->addActions({mnuUndo, mnuRedo});
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& where) { mnuContext->popup(Grid->viewport()->mapToGlobal(where)); });
}

void ctlGrid::SetUndoState(bool canUndo, bool canRedo) {
    mnuUndo->setEnabled(canUndo);
    mnuRedo->setEnabled(canRedo);
}

bool ctlGrid::EditorTakesKey(QKeyEvent* event) const {
    const QKeySequence key(event->keyCombination());
    if (key == kUndoKey)
        return txtWorkOn->isUndoAvailable();
    if (kRedoKeys.contains(key))
        return txtWorkOn->isRedoAvailable();
    return true;
}

void ctlGrid::GoToRow(qint32 row) {
    if (row < 1 || row >= RowCount())
        return;
    const bool focused = isAncestorOf(QApplication::focusWidget());
    SetCurrent(row, 1);
    if (!IsRowVisible(row))
        SetTopRow(row);
    if (focused)
        OpenEditor();
}
