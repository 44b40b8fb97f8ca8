#pragma once

#include <QString>
#include <functional>

// Every modal message box of the program goes through ShowMessage. The GUI installs a presenter
// that shows a real QMessageBox; tests install one that answers from a script and records the texts.
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

using MessagePresenter = std::function<MsgAnswer(const MessageRequest&)>;

MsgAnswer ShowMessage(const MessageRequest& request);

// Installs the presenter; returns the previous one so a caller can restore it.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);
