#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// One request for an open or save dialog, as FileDialog hands it to the window system. An open
// dialog accepts only an existing file; a save dialog asks before it overwrites one.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QPointer<QWidget> owner;
    QString title;
    QStringList nameFilters;
    QString startFolder;
    QString defaultSuffix;
    QString suggestedName; // the file name the save dialog offers; none when empty
};

// Shows the dialog and returns the chosen paths; empty on cancel.
// While answers are scripted it answers from the script instead of opening a window.
QStringList RunFileDialog(const FileDialogRequest& request);

// The test seam in front of the window system's dialogs. Once an answer is scripted (or the seam
// is activated) no real dialog opens until reset: each request is recorded and answered with the
// next scripted answer, or cancelled when none is left.
namespace FileDialogSeam {
void activate();
// The chosen paths of the next dialog; an empty list is a cancel. `whileOpen` runs while that
// dialog is open, before it answers.
void setNextAnswer(const QStringList& paths, std::function<void()> whileOpen = {});
// The next dialog fails with an error of this description.
void setNextFailure(const QString& description);
const QList<FileDialogRequest>& requests();
void reset();
} // namespace FileDialogSeam
