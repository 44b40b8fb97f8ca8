// The File menu: new, open, recent files, close, export and print, and the grid's notifications.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/AlarmBand.h"
#include "recording/MainStatusBar.h"
#include "records/FileHelpers.h"
#include "records/FileNameCase.h"
#include "records/PrintBibs.h"
#include "records/RecordPath.h"
#include "records/TimesSidecar.h"
#include "support/FileDialog.h"
#include "support/ShortenPath.h"
#include "support/clsRecentFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPrinter>

namespace {

// The save dialog as the record file commands use it: a title and the ".stn" filter.
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

// The hourglass from construction to destruction, restored exactly once whichever way the
// scope ends; cursors others set stay as they are.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

QString frmMain::AskSavePath() {
    return AskRecordFilePath(this, "GEN_FILEDIALOG_SAVE", false);
}

void frmMain::ConnectFileCommands() {
    RecordFile.SetPathDialog([this](clsFile::PathQuestion question) {
        return question == clsFile::PathQuestion::NewFile ? AskRecordFilePath(this, "GEN_FILEDIALOG_SAVE", false)
                                                          : AskRecordFilePath(this, "GEN_FILEDIALOG_OPEN", true);
    });
    connect(m_menus.mnuFile_New, &QAction::triggered, this, &frmMain::mnuFile_New_Click);
    connect(m_menus.mnuFile_Open, &QAction::triggered, this, [this] { OpenRecordFile(QString()); });
    connect(m_menus.mnuFile_Export, &QAction::triggered, this, &frmMain::mnuFile_Export_Click);
    connect(m_menus.mnuFile_Close, &QAction::triggered, this,
            [this] { ReportingErrors([this] { CloseRecordFile(); }); });
    connect(m_menus.mnuFile_Print, &QAction::triggered, this, &frmMain::mnuFile_Print_Click);
    for (QAction* entry : m_menus.mnuFile_LFM)
        connect(entry, &QAction::triggered, this, [this, entry] { OpenRecordFile(entry->data().toString()); });
    connect(Grid, &ctlGrid::Edit, this, &frmMain::Grid_Edit);
    connect(Grid, &ctlGrid::Delete, this, &frmMain::Grid_Delete);
    connect(Grid, &ctlGrid::Add, this, &frmMain::Grid_Add);
    connect(Grid, &ctlGrid::BeginMove, this, [this] { RecordFile.BeginChange(); });
    connect(Grid, &ctlGrid::EndMove, this, [this] { AfterWrite(RecordFile.EndChange()); });
    connect(Grid, &ctlGrid::Enter, this, [this] { txtEnter->setFocus(); });
    // A digit typed while the grid has the focus belongs to the next bib, not to a record.
    connect(Grid, &ctlGrid::TypedToEntry, this, [this](const QString& text) {
        txtEnter->setFocus();
        txtEnter->insert(text);
    });
}

bool frmMain::OpenRecordFile(QString path) {
    bool result = false;
    ReportingErrors([this, &path, &result] {
        if (!CloseRecordFile())
            return;
        path = WithoutQuotes(path);
        // The dialog's choice, or still nothing when it was cancelled.
        if (path.isEmpty())
            path = AskRecordFilePath(this, "GEN_FILEDIALOG_OPEN", true);
        bool ok = false;
        if (!path.isEmpty()) {
            // The hourglass shows while a large file is read and put into the grid.
            const WaitCursor waiting;
            ok = RecordFile.OpenFile(AbsoluteRecordPath(path));
            if (ok)
                RecordFile.LoadIntoGrid(*Grid);
        }
        ShowFileControls(ok);
        if (ok) {
            OfferRecoveryCopy();
            ShowWriteState();
            if (RecordFile.ZeroPadded())
                m_alarm->Set(AlarmBand::Source::Notice,
                             GetText(QStringLiteral("MKL_MSG_ZEROBYTES")).replace(QStringLiteral("[Filename]"), path));
            StatusBar->SetPanelText(1, RecordCountText());
            LoadStartListOfFile();
            ShowTimesFileState(); // after the start list's word: a dropped time matters more
            UpdateCaption();
            result = true;
            RememberRecentFile(RecordFile.FileName());
            RecordsChanged();
            txtEnter->setFocus();
        } else if (!path.isEmpty()) {
            QString text = GetText(QStringLiteral("MKL_MSG_OPENINGFAILED"));
            text.replace(QStringLiteral("[Filename]"), path, Qt::CaseInsensitive);
            ShowMessage({text, GetText(QStringLiteral("MKL_MAIN_CAPTION")), MsgIcon::Information, MsgButtons::Ok});
            // A file that is there but was refused for its content stays offered: it may be
            // mended, and it is the race's file.
            if (!FileExists(path)) {
                clsRecentFiles().Delete(path);
                ShowRecentFiles();
            }
        }
    });
    return result;
}

void frmMain::ShowTimesFileState() {
    const TimesFileState state = RecordFile.TimesState();
    if (state.kind == TimesFileState::Kind::PartlyDropped)
        ShowState(state.dropped == 1 ? QStringLiteral("MKL_SB_TIMESDROPPED_ONE")
                                     : QStringLiteral("MKL_SB_TIMESDROPPED"),
                  {{QStringLiteral("[count]"), QString::number(state.dropped)}});
    else if (state.kind == TimesFileState::Kind::Unreadable)
        ShowState(QStringLiteral("MKL_SB_TIMESUNREADABLE"));
}

bool frmMain::CloseRecordFile() {
    if (!RecordFile.FileName().isEmpty()) {
        Grid->CloseFile();
        if (!MayLeaveFile())
            return false;
        RecordFile.CloseFile();
        m_alarm->Clear(AlarmBand::Source::Write);
        m_alarm->Clear(AlarmBand::Source::Notice);
        ShowFileControls(false);
        StatusBar->SetPanelText(1, QString());
        Grid->Clear();
        if (m_lapCounter)
            m_lapCounter->close(); // its Unload drops the reference
        m_lapCounter = nullptr;
        LoadStartListOfFile(); // none without a file
        UpdateCaption();
    }
    return true;
}

void frmMain::UpdateCaption() {
    QString caption = GetText(QStringLiteral("MKL_MAIN_CAPTION"));
    if (!RecordFile.FileName().isEmpty())
        caption += QStringLiteral(" - ") + ShortenPath(QDir::toNativeSeparators(RecordFile.FileName()));
    if (caption.compare(windowTitle(), FileNameCase()) != 0)
        setWindowTitle(caption);
}

void frmMain::mnuFile_New_Click() {
    ReportingErrors([this] {
        if (!CloseRecordFile())
            return;
        const bool ok = RecordFile.NewFile();
        ShowFileControls(ok);
        if (ok) {
            LoadStartListOfFile();
            UpdateCaption();
            RememberRecentFile(RecordFile.FileName());
            txtEnter->setFocus();
        }
    });
}

void frmMain::mnuFile_Export_Click() {
    QString target;
    try {
        target = AskRecordFilePath(this, "GEN_FILEDIALOG_SAVE", false);
        if (target.isEmpty() || IsSameFile(target, RecordFile.FileName()) ||
            IsSameFile(target, TimesSidecar::PathFor(RecordFile.FileName())))
            return;
        RecordFile.ExportTo(target);
    } catch (const RaisedError& error) {
        // The operator reads which export failed and why, in the window's language.
        ErrorInfo info = error.info();
        info.description = GetText(QStringLiteral("MKL_MSG_EXPORTFAILED"))
                               .replace(QStringLiteral("[Filename]"), QDir::toNativeSeparators(target))
                               .replace(QStringLiteral("[reason]"), info.description);
        ReportError(info);
    }
}

void frmMain::mnuFile_Print_Click() {
    ReportingErrors([this] {
        const QString caption = GetText(QStringLiteral("MKL_MAIN_CAPTION"));
        if (ShowMessage({GetText(QStringLiteral("MKL_MSG_PRINT")), caption, MsgIcon::Question, MsgButtons::OkCancel}) !=
            MsgAnswer::Ok)
            return;
        if (PrinterAvailable()) {
            QPrinter printer;
            PrintBibs(RecordFile, printer);
            return;
        }
        // Without a printer the table can still be kept as a PDF file.
        if (ShowMessage({GetText(QStringLiteral("MKL_MSG_NOPRINTER")), caption, MsgIcon::Question,
                         MsgButtons::YesNo}) != MsgAnswer::Yes)
            return;
        FileDialog dialog;
        dialog.DialogTitle(GetText(QStringLiteral("GEN_FILEDIALOG_SAVE")));
        dialog.Filter1Suffix(QStringLiteral("*.pdf"));
        dialog.Filter1Text(GetText(QStringLiteral("MKL_FILETYPE_PDF")) + QStringLiteral(" (*.pdf)"));
        dialog.ShowSave(this);
        if (dialog.FileName().isEmpty())
            return;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dialog.FileName());
        PrintBibs(RecordFile, printer);
    });
}

void frmMain::Grid_Edit(qint32 row, qint32 bib) {
    ReportingErrors([this, row, bib] {
        AfterWrite(RecordFile.EditBib(row - 1, bib));
        RecordsChanged();
    });
}

void frmMain::Grid_Delete(qint32 row) {
    ReportingErrors([this, row] {
        AfterWrite(RecordFile.DeleteBib(row - 1));
        RecordsChanged();
    });
}

void frmMain::ShowRecentFiles() {
    clsRecentFiles recent;
    const QStringList entries = recent.Entries();
    for (int i = 0; i < m_menus.mnuFile_LFM.size(); ++i) {
        QAction* entry = m_menus.mnuFile_LFM[i];
        const bool used = i < entries.size();
        entry->setText(used ? QLatin1Char('&') + QString::number(i + 1) + QStringLiteral("  ") + entries[i]
                            : QString());
        entry->setData(used ? entries[i] : QString());
        entry->setVisible(used);
    }
    m_menus.mnuFile_LFMSep->setVisible(!recent.GetLastFile(1).isEmpty());
}

void frmMain::RememberRecentFile(const QString& path) {
    clsRecentFiles().SetFirstFile(path);
    ShowRecentFiles();
}

void frmMain::Grid_Add(qint32 row) {
    ReportingErrors([this, row] { AddBib(0, row - 1); });
}
