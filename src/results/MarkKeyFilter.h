#pragma once

#include <QKeyCombination>
#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

// The timekeeper's key (a USB foot switch sends one) in every window of the program, while the
// Timer window is open: installed on the application, it sees the key before any control does.
//
// Each press takes one mark, whichever window has the focus; a key held down (auto repeat) takes
// one. The key never reaches the entry box, the grid's editor, the lap counter's fields, a button
// or a menu: none of them needs it, and a button or menu item it reached would run. Only a text
// field of a dialog the operator opened (a file name being typed) gets the key as well, after the
// mark is taken: a mark is never lost, and a name may need a blank. A stray mark shows in the Timer
// window's count and can be deleted; a lost finish time cannot be had back.
class MarkKeyFilter : public QObject {
public:
    MarkKeyFilter(QKeyCombination key, std::function<void()> onMark, QObject* parent);
    void SetKey(QKeyCombination key) { m_key = key; }

    // The key of the setting "TimerKey" (a key name such as "Space", "F9" or "Ctrl+M"); Space when
    // the setting is missing or names no key.
    static QKeyCombination KeyFromSetting();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsMarkKey(const QKeyEvent& event) const;
    // A field the operator types text into, in a dialog that holds the other windows.
    static bool IsDialogTextField(const QWidget* widget);

    QKeyCombination m_key;
    std::function<void()> m_onMark;
    bool m_forwarding = false;
};
