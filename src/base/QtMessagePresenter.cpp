#include "base/QtMessagePresenter.h"

#include "base/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer AnswerOf(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Ok;
    }
}

// Buttons with the request's own texts; the first is the default, the last answers Escape.
MsgAnswer AskChoices(QMessageBox& box, const QStringList& choices) {
    const MsgAnswer answers[] = {MsgAnswer::Choice1, MsgAnswer::Choice2, MsgAnswer::Choice3};
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < choices.size() && i < 3; ++i)
        buttons << box.addButton(choices[i],
                                 i + 1 == choices.size() ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (buttons.isEmpty())
        return MsgAnswer::Choice1;
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.setEscapeButton(buttons.last());
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return answers[chosen < 0 ? buttons.size() - 1 : chosen];
}

MsgAnswer ShowQtMessageBox(const MessageRequest& request) {
    QMessageBox box(IconOf(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Descriptions and file names are shown as written, never interpreted as markup.
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == MsgButtons::Choices)
        return AskChoices(box, request.choices);
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (request.buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        escape = QMessageBox::Cancel;
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        escape = QMessageBox::No;
        break;
    case MsgButtons::Choices:
        break;
    }
    box.setEscapeButton(escape);
    if (request.safeDefault)
        box.setDefaultButton(escape);
    box.exec();
    // A box closed without a button (window manager close) counts as Escape.
    QAbstractButton* clicked = box.clickedButton();
    return AnswerOf(clicked ? box.standardButton(clicked) : escape);
}

} // namespace

void InstallQtMessagePresenter() {
    // Without a widget application (a core-only run) the previous presenter stays in charge.
    MessagePresenter fallback = SetMessagePresenter({});
    SetMessagePresenter([fallback](const MessageRequest& request) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return fallback(request);
        return ShowQtMessageBox(request);
    });
}
