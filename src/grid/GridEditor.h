#pragma once

#include <QLineEdit>

// The grid's in-place editor. Typed characters other than the digits 0 to 9 are discarded
// (Backspace, cursor keys and the clipboard shortcuts still work, so pasted text is not filtered),
// and the whole text is selected whenever the editor receives the focus.
class GridEditor : public QLineEdit {
    Q_OBJECT
public:
    explicit GridEditor(QWidget* parent = nullptr);

    // Whether a key press may reach the editor: false for a typed character that is not a digit.
    static bool AcceptsKey(const QKeyEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};
