#include "app/MessageBox.h"

#include <cstdio>
#include <utility>

namespace {
// Without a window system the message still reaches the operator's terminal.
MsgAnswer PrintToStderr(const MessageRequest& request) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(request.text));
    return request.buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

MessagePresenter& Presenter() {
    static MessagePresenter presenter = PrintToStderr;
    return presenter;
}
} // namespace

MsgAnswer ShowMessage(const MessageRequest& request) {
    return Presenter()(request);
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    MessagePresenter previous = std::move(Presenter());
    Presenter() = presenter ? std::move(presenter) : MessagePresenter(PrintToStderr);
    return previous;
}
