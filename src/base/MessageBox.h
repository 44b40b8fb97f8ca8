#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Every modal message box of the program goes through ShowMessage. The GUI installs a presenter
// that shows a real QMessageBox; tests install one that answers from a script and records the texts.
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
// Choices: the buttons carry the texts of `choices` (two or three); the answer is Choice1 to
// Choice3, and Escape or the close box give the last one.
enum class MsgButtons { Ok, OkCancel, YesNo, Choices };
enum class MsgAnswer { Ok, Cancel, Yes, No, Choice1, Choice2, Choice3 };

struct MessageRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    QStringList choices = {};
    // The default button (Enter) is the one that changes nothing: No or Cancel.
    bool safeDefault = false;
};

using MessagePresenter = std::function<MsgAnswer(const MessageRequest&)>;

MsgAnswer ShowMessage(const MessageRequest& request);

// Installs the presenter; returns the previous one so a caller can restore it.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// Every modal box and dialog runs inside a ModalScope, so work that must wait while one is open
// (the scanner's polling, whose bytes would otherwise run into the entry box behind the box) can
// stop at the first and go on after the last. Observers learn each change of "a modal is open".
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

    static bool IsOpen();
    using Observer = std::function<void(bool open)>;
    // Returns a key for RemoveObserver.
    static int AddObserver(Observer observer);
    static void RemoveObserver(int key);
};
