#include "recording/RecordFileDialog.h"

#include "lang/clsLanguage.h"
#include "support/FileDialog.h"

namespace {

QString AskRecordFilePath(QWidget* owner, const char* titleKey, bool open) {
    FileDialog dialog;
    dialog.DialogTitle(GetText(QLatin1String(titleKey)));
    dialog.Filter1Suffix(QStringLiteral("*.stn"));
    dialog.Filter1Text(GetText(QStringLiteral("GEN_FILETYPE_STN")) + QStringLiteral(" (*.stn)"));
    // A name typed without extension still makes a record file the dated copy and the desktop know.
    dialog.DefaultExt(QStringLiteral("stn"));
    if (open)
        dialog.ShowOpen(owner);
    else
        dialog.ShowSave(owner);
    return dialog.FileName();
}

} // namespace

QString AskRecordFileToOpen(QWidget* owner) {
    return AskRecordFilePath(owner, "GEN_FILEDIALOG_OPEN", true);
}

QString AskRecordFileToSave(QWidget* owner) {
    return AskRecordFilePath(owner, "GEN_FILEDIALOG_SAVE", false);
}
