#include "base/MessageBox.h"

#include <QMap>

#include <cstdio>
#include <utility>

namespace {
// Without a window system the message still reaches the operator's terminal.
MsgAnswer PrintToStderr(const MessageRequest& request) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(request.text));
    switch (request.buttons) {
    case MsgButtons::YesNo:
        return MsgAnswer::Yes;
    case MsgButtons::Choices:
        return MsgAnswer::Choice1;
    default:
        return MsgAnswer::Ok;
    }
}

MessagePresenter& Presenter() {
    static MessagePresenter presenter = PrintToStderr;
    return presenter;
}
struct Modals {
    int depth = 0;
    int nextKey = 0;
    QMap<int, ModalScope::Observer> observers;
};

Modals& TheModals() {
    static Modals modals;
    return modals;
}

void Announce(bool open) {
    // A copy: an observer may add or remove observers.
    const QMap<int, ModalScope::Observer> observers = TheModals().observers;
    for (const ModalScope::Observer& observer : observers)
        observer(open);
}

} // namespace

MsgAnswer ShowMessage(const MessageRequest& request) {
    const ModalScope modal;
    return Presenter()(request);
}

ModalScope::ModalScope() {
    if (TheModals().depth++ == 0)
        Announce(true);
}

ModalScope::~ModalScope() {
    if (--TheModals().depth == 0)
        Announce(false);
}

bool ModalScope::IsOpen() {
    return TheModals().depth > 0;
}

int ModalScope::AddObserver(Observer observer) {
    Modals& modals = TheModals();
    modals.observers.insert(modals.nextKey, std::move(observer));
    return modals.nextKey++;
}

void ModalScope::RemoveObserver(int key) {
    TheModals().observers.remove(key);
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    MessagePresenter previous = std::move(Presenter());
    Presenter() = presenter ? std::move(presenter) : MessagePresenter(PrintToStderr);
    return previous;
}
