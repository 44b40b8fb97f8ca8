#pragma once

#include <QObject>
#include <functional>

// Key filter of the bib entry box: Enter runs the record command and never reaches the box,
// digits and Backspace pass, every other typed character is dropped. Keys that type nothing
// (arrows, Home, End, Delete, Tab) keep working.
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
