#include "recording/RecordFileCommands.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "records/FileHelpers.h"
#include "records/PrintBibs.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "support/FileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

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

void ExportRecordFile(const clsFile& records, QWidget* owner) {
    QString target;
    try {
        target = AskRecordFileToSave(owner);
        if (target.isEmpty() || IsSameFile(target, records.FileName()) ||
            IsSameFile(target, TimesSidecar::PathFor(records.FileName())))
            return;
        records.ExportTo(target);
    } catch (const RaisedError& error) {
        // The operator reads which export failed and why, in the window's language.
        ErrorInfo info = error.info();
        info.description = GetText(QStringLiteral("MKL_MSG_EXPORTFAILED"),
                                   {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(target)},
                                    {QStringLiteral("[reason]"), info.description}});
        ReportError(info);
    }
}

// One question: print on the printer there is, or, without one, keep the table as a PDF file.
void PrintRecordFile(const clsFile& records, QWidget* owner) {
    const QString caption = GetText(QStringLiteral("MKL_MAIN_CAPTION"));
    if (PrinterAvailable()) {
        if (ShowMessage({GetText(QStringLiteral("MKL_MSG_PRINT")), caption, MsgIcon::Question, MsgButtons::OkCancel}) !=
            MsgAnswer::Ok)
            return;
        QPrinter printer;
        PrintBibs(records, printer);
        return;
    }
    if (ShowMessage({GetText(QStringLiteral("MKL_MSG_NOPRINTER")), caption, MsgIcon::Question, MsgButtons::YesNo}) !=
        MsgAnswer::Yes)
        return;
    FileDialog dialog;
    dialog.DialogTitle(GetText(QStringLiteral("GEN_FILEDIALOG_SAVE")));
    dialog.Filter1Suffix(QStringLiteral("*.pdf"));
    dialog.Filter1Text(GetText(QStringLiteral("MKL_FILETYPE_PDF")) + QStringLiteral(" (*.pdf)"));
    dialog.DefaultExt(QStringLiteral("pdf"));
    dialog.SuggestedName(QFileInfo(records.FileName()).completeBaseName() + QStringLiteral(".pdf"));
    dialog.ShowSave(owner);
    if (dialog.FileName().isEmpty())
        return;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dialog.FileName());
    PrintBibs(records, printer);
}
