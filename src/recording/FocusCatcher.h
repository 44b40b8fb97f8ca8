#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QCheckBox;
class QLineEdit;
class QTimer;
class QWidget;

// Focus catching of the main window: while the check box is checked, its timer "tmrCatch" looks
// every 50 ms whether another program has the foreground and then pulls the window forward, so
// that no keystroke or keyboard scanner lands in another program. Inside the program it never
// moves the focus: a correction in the grid stays a correction.
class FocusCatcher : public QObject {
    Q_OBJECT
public:
    FocusCatcher(QWidget* window, QCheckBox* chkCatch, QLineEdit* txtEnter, QObject* parent = nullptr);

    // The timer runs exactly while the box is checked (a grey box counts as unchecked) and a file
    // is open: without one the box is hidden and could not be used to stop it. Runs on every
    // change of the box's value, also one made by the program.
    void chkCatch_Click();
    // While the box has the focus the timer stops, so it can be operated.
    void chkCatch_GotFocus();
    // Leaving the box: back to its value.
    void chkCatch_Validate();
    void tmrCatch_Timer();

    // The file-state switch of the main window: catching runs only with a file open.
    void FollowFileState(bool fileOpen);
    // Runs a modal window (the about window) with catching switched off, then restores the box.
    void WithoutCatching(const std::function<void()>& showModal);

    // The window system this catcher assumes; the running one unless set otherwise.
    void AssumePlatform(const QString& platformName);

signals:
    // Sent once when the window system does not let the window take the foreground. text is for
    // the status bar.
    void CatchLimited(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    QPointer<QCheckBox> m_check;
    QPointer<QTimer> m_timer;
    QPointer<QLineEdit> m_entry;
    bool m_canForce;
    bool m_limitReported = false;
    bool m_fileOpen = false;
};
