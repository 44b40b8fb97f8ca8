#pragma once

#include <QLineEdit>

#include <functional>

class QLabel;
class QTimer;

// The entry box for bib numbers ("txtEnter"), with two hints inside along its lower edge, below
// the digits, where the operator's eyes are: a bib that is not on the start list on the last
// line, and a bib that passed a few seconds ago on the line above it when both show. The hints
// never take the focus, never block Enter, let clicks through and follow the digits typed. Keys
// are filtered as EntryKeyFilter says; Enter is told by a signal and never reaches the box.
class EntryBox : public QLineEdit {
    Q_OBJECT
public:
    // A hint for the text typed; "" shows none.
    using Hint = std::function<QString(const QString& typed)>;

    explicit EntryBox(QWidget* parent = nullptr);

    // The repeat hint is asked again every second while it shows, so that its seconds stay current.
    void SetHints(Hint notListed, Hint repeat);
    // Asks both hints again, after what they depend on changed (the list, the file, the language).
    void ShowHints();

signals:
    // Enter or the keypad's Enter: record what was typed.
    void EnterPressed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowRepeat();
    void PlaceHints();

    QLabel* lblNotListed;
    QLabel* lblRepeat;
    QTimer* tmrRepeat;
    Hint m_notListed;
    Hint m_repeat;
};
