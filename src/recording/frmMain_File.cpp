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
    connect(Grid, &ctlGrid::Edit, this, &frmMain::Grid_Edit);
    connect(Grid, &ctlGrid::Delete, this, &frmMain::Grid_Delete);
    connect(Grid, &ctlGrid::Add, this, &frmMain::Grid_Add);
    connect(Grid, &ctlGrid::BeginMove, this, [this] { RecordFile.BeginChange(); });
    connect(Grid, &ctlGrid::EndMove, this, [this] { m_faults->AfterWrite(RecordFile.EndChange()); });
    connect(Grid, &ctlGrid::Enter, this, [this] { txtEnter->setFocus(); });
    // A digit typed while the grid has the focus belongs to the next bib, not to a record.
    connect(Grid, &ctlGrid::TypedToEntry, this, [this](const QString& text) {
        txtEnter->setFocus();
        txtEnter->insert(text);
    });
}

// The file open now stays open, recording and taking scans, while the operator chooses another
// and until that one has been opened: a cancelled dialog, a file that is gone or one refused
// changes nothing.
bool frmMain::OpenRecordFile(QString path) {
    bool result = false;
    ReportingErrors([this, &path, &result] {
        path = WithoutQuotes(path);
        if (path.isEmpty())
            path = AskRecordFileToOpen(this);
        if (path.isEmpty())
            return;
        const QString absolute = AbsoluteRecordPath(path);
        result = IsSameFile(absolute, RecordFile.FileName()); // open already: it stays as it is
        if (result || !MayLeaveRecordFile())
            return;
        const bool switched = !RecordFile.FileName().isEmpty();
        {
            // The hourglass shows while a large file is read.
            const WaitCursor waiting;
            result = RecordFile.OpenFile(absolute);
        }
        if (result) {
            ShowOpenedFile(switched);
            return;
        }
        ShowMessage({GetText(QStringLiteral("MKL_MSG_OPENINGFAILED"), {{QStringLiteral("[Filename]"), path}}),
                     GetText(QStringLiteral("MKL_MAIN_CAPTION")), MsgIcon::Information, MsgButtons::Ok});
        // A file that is there but was refused for its content stays offered: it may be mended,
        // and it is the race's file.
        if (!FileExists(path))
            ForgetRecentFile(m_menus, path);
    });
    if (txtEnter->isVisible())
        txtEnter->setFocus();
    return result;
}

// The file just opened in place of none or of another (`switched`): what belonged to the file
// before closes, and the window shows the new one.
void frmMain::ShowOpenedFile(bool switched) {
    if (switched)
        LeftRecordFile();
    m_faults->FileOpened(); // a recovery copy taken changes the records
    {
        const WaitCursor waiting; // while a large file fills the grid
        RecordFile.LoadIntoGrid(*Grid);
    }
    ShowFileControls(true);
    StatusBar->SetPanelText(1, RecordCountText());
    m_startList->LoadForFile();
    ShowTimesFileState(); // after the start list's word: a dropped time matters more
    UpdateCaption();
    RememberRecentFile(m_menus, RecordFile.FileName());
    RecordsChanged();
    txtEnter->setFocus();
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
    if (RecordFile.FileName().isEmpty())
        return true;
    if (!MayLeaveRecordFile())
        return false;
    RecordFile.CloseFile();
    LeftRecordFile();
    ShowFileControls(false);
    StatusBar->SetPanelText(1, QString());
    Grid->Clear();
    m_startList->LoadForFile(); // none without a file
    UpdateCaption();
    return true;
}

// A correction being typed is committed first; a list the file lags behind is not given up unasked.
bool frmMain::MayLeaveRecordFile() {
    Grid->CloseFile();
    return m_faults->MayLeaveFile();
}

void frmMain::LeftRecordFile() {
    m_faults->FileClosed();
    m_secondary->CloseLapCounter();
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
        const QString path = AskRecordFileToSave(this);
        if (path.isEmpty() || !MayLeaveRecordFile())
            return;
        const bool switched = !RecordFile.FileName().isEmpty();
        RecordFile.NewFile(AbsoluteRecordPath(path));
        ShowOpenedFile(switched);
    });
    if (txtEnter->isVisible())
        txtEnter->setFocus();
}

void frmMain::Grid_Edit(qint32 row, qint32 bib) {
    ReportingErrors([this, row, bib] {
        m_faults->AfterWrite(RecordFile.EditBib(row - 1, bib));
        RecordsChanged();
    });
}

void frmMain::Grid_Delete(qint32 row) {
    ReportingErrors([this, row] {
        m_faults->AfterWrite(RecordFile.DeleteBib(row - 1));
        StatusBar->SetPanelText(1, RecordCountText());
        RecordsChanged();
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

void frmMain::Grid_Add(qint32 row) {
    ReportingErrors([this, row] { AddBib(0, row - 1); });
}

// Every window that shows names follows the current list (and the current language).
void frmMain::ApplyStartList() {
    ShowGridColumns();
    Grid->SetBibWarning(m_startList->BibWarning());
    m_menus.mnuFile_StartListRemove->setEnabled(!RecordFile.FileName().isEmpty() && !m_startList->IsEmpty());
    m_secondary->SetNames(m_startList->NameLookup());
    m_board->RaceChanged();
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
