#pragma once

#include <QObject>
#include <functional>

// Key filter of the bib entry box: Enter (also on the keypad) runs the record command and never
// reaches the box, digits and Backspace pass, every other typed character is dropped. Keys that
// type nothing (arrows, Home, End, Delete, Tab) keep working, except on the numeric keypad: with
// Num Lock off its keys still type the digit printed on them, so a separate keypad always gives
// digits.
class EntryKeyFilter : public QObject {
public:
    EntryKeyFilter(std::function<void()> onEnter, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_onEnter;
};

// What the filter does with one typed character.
enum class EntryKey { Record, Pass, Drop };
EntryKey ClassifyEntryKey(QChar typed);

// The digit printed on a keypad key that sends a navigation key while Num Lock is off (Home 7,
// Up 8, Page Up 9, Left 4, Clear 5, Right 6, End 1, Down 2, Page Down 3, Insert 0); null for
// any other key.
QChar KeypadDigit(int key);
