// The File menu: new, open, recent files, close, export and print, the start list and passages,
// and the grid's notifications.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "board/LapBoardHost.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/EntryBox.h"
#include "recording/MainStatusBar.h"
#include "recording/RecordFileCommands.h"
#include "recording/SecondaryWindows.h"
#include "recording/StartListHost.h"
#include "recording/WriteFaults.h"
#include "records/FileHelpers.h"
#include "records/FileNameCase.h"
#include "records/RecordPath.h"
#include "support/ShortenPath.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {

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

void frmMain::ConnectFileCommands() {
    RecordFile.SetPathDialog([this](clsFile::PathQuestion question) {
        return question == clsFile::PathQuestion::NewFile ? AskRecordFileToSave(this) : AskRecordFileToOpen(this);
    });
    connect(m_menus.mnuFile_New, &QAction::triggered, this, &frmMain::mnuFile_New_Click);
    connect(m_menus.mnuFile_Open, &QAction::triggered, this, [this] { OpenRecordFile(QString()); });
    connect(m_menus.mnuFile_Export, &QAction::triggered, this, [this] { ExportRecordFile(RecordFile, this); });
    connect(m_menus.mnuFile_Close, &QAction::triggered, this,
            [this] { ReportingErrors([this] { CloseRecordFile(); }); });
    connect(m_menus.mnuFile_Print, &QAction::triggered, this,
            [this] { ReportingErrors([this] { PrintRecordFile(RecordFile, this); }); });
    // The start list and passages commands; the keyboard goes back to the entry box after each.
    const auto thenEntry = [this](const std::function<void()>& run) {
        ReportingErrors(run);
        txtEnter->setFocus();
    };
    connect(m_menus.mnuFile_StartList, &QAction::triggered, this,
            [this, thenEntry] { thenEntry([this] { m_startList->Choose(); }); });
    connect(m_menus.mnuFile_StartListRemove, &QAction::triggered, this,
            [this, thenEntry] { thenEntry([this] { m_startList->Remove(); }); });
    connect(m_menus.mnuFile_ExportPassages, &QAction::triggered, this,
            [this, thenEntry] { thenEntry([this] { m_startList->ExportPassages(); }); });
    connect(m_startList, &StartListHost::Changed, this, &frmMain::ApplyStartList);
    connect(m_startList, &StartListHost::State, StatusBar, &MainStatusBar::ShowState);
    connect(m_faults, &WriteFaults::SavedAs, this, [this](const QString& path) {
        UpdateCaption();
        RememberRecentFile(m_menus, path);
    });
    for (QAction* entry : m_menus.mnuFile_LFM)
        connect(entry, &QAction::triggered, this, [this, entry] { OpenRecordFile(entry->data().toString()); });
    ConnectCorrections();
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
            path = AskRecordFileToOpen(this);
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
            m_faults->FileOpened(path);
            StatusBar->SetPanelText(1, RecordCountText());
            m_startList->LoadForFile();
            ShowTimesFileState(); // after the start list's word: a dropped time matters more
            UpdateCaption();
            result = true;
            RememberRecentFile(m_menus, RecordFile.FileName());
            RecordsChanged();
            txtEnter->setFocus();
        } else if (!path.isEmpty()) {
            QString text = GetText(QStringLiteral("MKL_MSG_OPENINGFAILED"));
            text.replace(QStringLiteral("[Filename]"), path, Qt::CaseInsensitive);
            ShowMessage({text, GetText(QStringLiteral("MKL_MAIN_CAPTION")), MsgIcon::Information, MsgButtons::Ok});
            // A file that is there but was refused for its content stays offered: it may be
            // mended, and it is the race's file.
            if (!FileExists(path))
                ForgetRecentFile(m_menus, path);
        }
    });
    return result;
}

void frmMain::ShowTimesFileState() {
    const TimesFileState state = RecordFile.TimesState();
    if (state.kind == TimesFileState::Kind::PartlyDropped)
        StatusBar->ShowState(state.dropped == 1 ? QStringLiteral("MKL_SB_TIMESDROPPED_ONE")
                                                : QStringLiteral("MKL_SB_TIMESDROPPED"),
                             {{QStringLiteral("[count]"), QString::number(state.dropped)}});
    else if (state.kind == TimesFileState::Kind::Unreadable)
        StatusBar->ShowState(QStringLiteral("MKL_SB_TIMESUNREADABLE"));
}

bool frmMain::CloseRecordFile() {
    if (!RecordFile.FileName().isEmpty()) {
        Grid->CloseFile();
        if (!m_faults->MayLeaveFile())
            return false;
        RecordFile.CloseFile();
        m_corrections.Forget();
        Grid->SetUndoState(false, false);
        m_faults->FileClosed();
        ShowFileControls(false);
        StatusBar->SetPanelText(1, QString());
        Grid->Clear();
        m_secondary->CloseLapCounter();
        m_startList->LoadForFile(); // none without a file
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
            StatusBar->SetPanelText(1, RecordCountText());
            m_startList->LoadForFile();
            UpdateCaption();
            RememberRecentFile(m_menus, RecordFile.FileName());
            txtEnter->setFocus();
        }
    });
}

void frmMain::OpenCommandLineFile() {
    const QString path = WithoutQuotes(m_commandLine);
    if (!path.isEmpty() && !QFileInfo::exists(path)) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (ShowMessage({GetText(QStringLiteral("MKL_MSG_CREATEFILE"),
                                 {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(absolute)}}),
                         GetText(QStringLiteral("MKL_MAIN_CAPTION")), MsgIcon::Question, MsgButtons::YesNo}) !=
            MsgAnswer::Yes)
            return;
        CreateEmptyRecordFile(absolute);
    }
    OpenRecordFile(m_commandLine);
}

// Every window that shows names follows the current list (and the current language).
void frmMain::ApplyStartList() {
    ShowGridColumns();
    Grid->SetBibWarning(m_startList->BibWarning());
    m_menus.mnuFile_StartListRemove->setEnabled(!RecordFile.FileName().isEmpty() && !m_startList->IsEmpty());
    m_secondary->SetNames(m_startList->NameLookup());
    m_board->SetNames(m_startList->NameLookup());
    RecordsChanged();
    txtEnter->ShowHints();
}

// The passage times when the operator asked for them, then the names when there is a start list:
// the order of the results, and the name, elided, takes what the short columns leave.
void frmMain::ShowGridColumns() {
    QVector<GridModel::ExtraColumn> columns;
    if (m_menus.mnuExtras_ShowTimes->isChecked())
        columns.append(
            {GetText(QStringLiteral("MKL_GRID_TIME")),
             [this](int index, qint32) { return RecordFile.PassageTime(index).toString(QStringLiteral("HH:mm:ss")); },
             QStringLiteral("00:00:00")});
    if (const std::optional<GridModel::ExtraColumn> names = m_startList->NameColumn())
        columns.append(*names);
    Grid->SetExtraColumns(columns);
}
