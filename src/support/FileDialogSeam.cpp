#include "support/FileDialogSeam.h"

#include "base/ErrorInfo.h"
#include "base/MessageBox.h"

#include <QDir>
#include <QFileDialog>

namespace {

struct ScriptedAnswer {
    QStringList paths;
    QString failure; // non-empty: the dialog fails with this description
    std::function<void()> whileOpen;
};

struct Seam {
    bool active = false;
    QList<ScriptedAnswer> answers;
    QList<FileDialogRequest> requests;
};

Seam& TheSeam() {
    static Seam seam;
    return seam;
}

QStringList Native(const QStringList& paths) {
    QStringList result;
    for (const QString& path : paths)
        result << QDir::toNativeSeparators(path);
    return result;
}

QStringList Scripted(const FileDialogRequest& request) {
    Seam& seam = TheSeam();
    seam.requests.append(request);
    if (seam.answers.isEmpty())
        return {};
    const ScriptedAnswer answer = seam.answers.takeFirst();
    if (answer.whileOpen)
        answer.whileOpen();
    if (!answer.failure.isEmpty())
        Raise(ErrorNumber::DeviceIoError, answer.failure);
    return Native(answer.paths);
}

QStringList ShowPlatformDialog(const FileDialogRequest& request) {
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    QFileDialog dialog(request.owner, request.title, request.startFolder);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.suggestedName.isEmpty())
        dialog.selectFile(request.suggestedName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return Native(dialog.selectedFiles());
}

} // namespace

QStringList RunFileDialog(const FileDialogRequest& request) {
    const ModalScope modal;
    return TheSeam().active ? Scripted(request) : ShowPlatformDialog(request);
}

namespace FileDialogSeam {

void activate() {
    TheSeam().active = true;
}

void setNextAnswer(const QStringList& paths, std::function<void()> whileOpen) {
    activate();
    TheSeam().answers.append({paths, QString(), std::move(whileOpen)});
}

void setNextFailure(const QString& description) {
    activate();
    TheSeam().answers.append({QStringList(), description, {}});
}

const QList<FileDialogRequest>& requests() {
    return TheSeam().requests;
}

void reset() {
    TheSeam() = Seam();
}

} // namespace FileDialogSeam
