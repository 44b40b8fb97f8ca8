// The start list of the open record file (names in the grid, the scan display and the lap
// counter; bibs not on it flagged), the passages export, and creating a record file named on the
// command line.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "base/NumericValue.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/FocusCatcher.h"
#include "recording/MainStatusBar.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/RecordPath.h"
#include "results/RaceFiles.h"
#include "startlist/PassagesCsv.h"
#include "startlist/StartListFile.h"
#include "startlist/frmStartListImport.h"
#include "support/FileDialog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace {

QString AskPath(QWidget* owner, const char* titleKey, bool open) {
    FileDialog dialog;
    dialog.DialogTitle(GetText(QLatin1String(titleKey)));
    dialog.Filter1Suffix(QStringLiteral("*.csv"));
    dialog.Filter1Text(GetText(QStringLiteral("MKL_FILETYPE_CSV")) + QStringLiteral(" (*.csv)"));
    dialog.Filter2(GetText(QStringLiteral("MKL_FILETYPE_TEXT")) + QStringLiteral(" (*.txt)"), QStringLiteral("*.txt"));
    dialog.DefaultExt(QStringLiteral("csv"));
    return open ? dialog.ShowOpen(owner) : dialog.ShowSave(owner);
}

QString WithFileName(QString text, const QString& path) {
    return text.replace(QStringLiteral("[Filename]"), QDir::toNativeSeparators(path), Qt::CaseInsensitive);
}

} // namespace

void frmMain::ConnectStartListCommands() {
    connect(m_menus.mnuFile_StartList, &QAction::triggered, this, &frmMain::mnuFile_StartList_Click);
    connect(m_menus.mnuFile_StartListRemove, &QAction::triggered, this, &frmMain::mnuFile_StartListRemove_Click);
    connect(m_menus.mnuFile_ExportPassages, &QAction::triggered, this, &frmMain::mnuFile_ExportPassages_Click);
    connect(txtEnter, &QLineEdit::textChanged, this, &frmMain::txtEnter_TextChanged);
}

// Opening a file is not held up by its start list: a list that cannot be read is shown in the
// status bar, and the file opens without names.
void frmMain::LoadStartListOfFile() {
    m_startList = StartList();
    if (!RecordFile.FileName().isEmpty()) {
        try {
            const StartListRead read = ReadStartListFor(RecordFile.FileName());
            m_startList = read.list;
            if (!m_startList.IsEmpty())
                ShowState(QStringLiteral("MKL_SB_STARTLIST"),
                          {{QStringLiteral("[count]"), QString::number(m_startList.Count())}});
        } catch (const RaisedError& error) {
            ShowState(QStringLiteral("MKL_SB_STARTLISTFAILED"),
                      {{QStringLiteral("[reason]"), error.info().description}});
        }
    }
    ApplyStartList();
}

std::function<QString(qint32)> frmMain::NameLookup() const {
    if (m_startList.IsEmpty())
        return {};
    return [this](qint32 bib) { return m_startList.Name(bib); };
}

// Every window that shows names follows the current list (and the current language).
void frmMain::ApplyStartList() {
    ShowGridColumns();
    if (!m_startList.IsEmpty()) {
        const QString warning = GetText(QStringLiteral("MKL_MSG_NOTLISTED"));
        Grid->SetBibWarning([this, warning](qint32 bib) {
            return bib > 0 && m_startList.IsUnknown(bib)
                       ? QString(warning).replace(QStringLiteral("[bib]"), QString::number(bib))
                       : QString();
        });
    } else {
        Grid->SetBibWarning({});
    }
    m_menus.mnuFile_StartListRemove->setEnabled(!RecordFile.FileName().isEmpty() && !m_startList.IsEmpty());
    if (m_lapCounter)
        m_lapCounter->SetNameLookup(NameLookup());
    SetBibNameLookup(m_startList.IsEmpty() ? BibNameLookup() : BibNameLookup(NameLookup()));
    RecordsChanged();
    txtEnter_TextChanged();
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
    if (!m_startList.IsEmpty()) {
        const QString notListed = GetText(QStringLiteral("MKL_GRID_NOTLISTED"));
        columns.append({GetText(QStringLiteral("MKL_GRID_NAME")),
                        [this, notListed](int, qint32 bib) {
                            const StartListEntry* entry = m_startList.Find(bib);
                            return entry ? entry->name : bib > 0 ? notListed : QString();
                        },
                        QString()});
    }
    Grid->SetExtraColumns(columns);
}

void frmMain::mnuFile_StartList_Click() {
    ReportingErrors([this] {
        const QString path = AskPath(this, "GEN_FILEDIALOG_OPEN", true);
        if (path.isEmpty() || RecordFile.FileName().isEmpty())
            return;
        const QByteArray bytes = ReadWholeFile(path);
        std::optional<StartList> chosen;
        m_focusCatcher->WithoutCatching([&] { chosen = frmStartListImport::Choose(this, path, bytes); });
        if (!chosen)
            return;
        SaveStartListFor(RecordFile.FileName(), *chosen);
        m_startList = *chosen;
        ApplyStartList();
        ShowState(QStringLiteral("MKL_SB_STARTLIST"),
                  {{QStringLiteral("[count]"), QString::number(m_startList.Count())}});
    });
    txtEnter->setFocus();
}

void frmMain::mnuFile_StartListRemove_Click() {
    ReportingErrors([this] {
        if (m_startList.IsEmpty() || ShowMessage({GetText(QStringLiteral("MKL_MSG_STARTLISTREMOVE")),
                                                  GetText(QStringLiteral("MKL_MAIN_CAPTION")), MsgIcon::Question,
                                                  MsgButtons::YesNo}) != MsgAnswer::Yes)
            return;
        RemoveStartListFor(RecordFile.FileName());
        m_startList = StartList();
        ApplyStartList();
    });
    txtEnter->setFocus();
}

void frmMain::mnuFile_ExportPassages_Click() {
    ReportingErrors([this] {
        const QString target = AskPath(this, "GEN_FILEDIALOG_SAVE", false);
        if (target.isEmpty() || IsRecordFileOrBeside(target, RecordFile.FileName()))
            return;
        ReplaceDurably(target, PassagesCsvOf(RecordFile, m_startList));
    });
    txtEnter->setFocus();
}

// The hint never takes the focus, never blocks Enter and goes once the digits change.
void frmMain::txtEnter_TextChanged() {
    const QString text = txtEnter->text();
    qint32 bib = 0;
    try {
        bib = WholeNumberValue(text);
    } catch (const RaisedError&) {
        bib = 0; // too large for a bib: Enter reports it
    }
    const bool show = bib > 0 && m_startList.IsUnknown(bib);
    if (show)
        lblNotListed->setText(
            GetText(QStringLiteral("MKL_MSG_NOTLISTED")).replace(QStringLiteral("[bib]"), QString::number(bib)));
    lblNotListed->setVisible(show);
    PlaceEntryHints();
}

void frmMain::OpenCommandLineFile() {
    const QString path = WithoutQuotes(m_commandLine);
    if (!path.isEmpty() && !QFileInfo::exists(path)) {
        if (ShowMessage(
                {WithFileName(GetText(QStringLiteral("MKL_MSG_CREATEFILE")), QFileInfo(path).absoluteFilePath()),
                 GetText(QStringLiteral("MKL_MAIN_CAPTION")), MsgIcon::Question, MsgButtons::YesNo}) != MsgAnswer::Yes)
            return;
        CreateEmptyRecordFile(QFileInfo(path).absoluteFilePath());
    }
    OpenRecordFile(m_commandLine);
}
