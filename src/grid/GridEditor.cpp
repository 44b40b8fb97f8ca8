#include "grid/GridEditor.h"

#include <QKeyEvent>

GridEditor::GridEditor(QWidget* parent) : QLineEdit(parent) {}

bool GridEditor::AcceptsKey(const QKeyEvent& event) {
    // Shortcuts (copy, paste, undo, select all) pass; so do keys that type nothing.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    const QString text = event.text();
    if (text.isEmpty())
        return true;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        const bool digit = code >= u'0' && code <= u'9';
        const bool control = code < 0x20 || code == 0x7f; // Backspace, Tab, Escape, Delete
        if (!digit && !control)
            return false;
    }
    return true;
}

void GridEditor::keyPressEvent(QKeyEvent* event) {
    if (!AcceptsKey(*event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void GridEditor::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    selectAll();
}
