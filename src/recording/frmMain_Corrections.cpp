// The grid's corrections, their undo and redo, and File > Compare with backup, whose differences
// are adopted as corrections like any other.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "grid/ctlGrid.h"
#include "recording/EntryBox.h"
#include "recording/FocusCatcher.h"
#include "recording/MainStatusBar.h"
#include "recording/RecordFileCommands.h"
#include "recording/WriteFaults.h"
#include "records/FileHelpers.h"
#include "records/StnFormat.h"
#include "startlist/frmBackupComparison.h"

#include <QAction>

#include <algorithm>

void frmMain::ConnectCorrections() {
    connect(Grid, &ctlGrid::Edit, this, [this](qint32 row, qint32 bib) {
        if (m_moving)
            m_moveEdits.append({row, bib});
        else
            Correct([this, row, bib] { return m_corrections.Edit(row - 1, bib); }, false);
    });
    connect(Grid, &ctlGrid::Delete, this,
            [this](qint32 row) { Correct([this, row] { return m_corrections.Delete(row - 1); }, false); });
    // The grid opens its editor on the new record once it shows it.
    connect(Grid, &ctlGrid::Add, this,
            [this](qint32 row) { Correct([this, row] { return m_corrections.Insert(row - 1, 0); }, true); });
    // A move is one correction: the moving bib arrives at its target first, then the bib it passed
    // takes the row it left.
    connect(Grid, &ctlGrid::BeginMove, this, [this] {
        m_moving = true;
        m_moveEdits.clear();
    });
    connect(Grid, &ctlGrid::EndMove, this, [this] {
        m_moving = false;
        if (m_moveEdits.size() != 2)
            return;
        const qint32 target = m_moveEdits[0].first;
        const qint32 row = m_moveEdits[1].first;
        Correct([this, row, target] { return m_corrections.Move(row - 1, target - 1); }, false);
    });
    const auto undoOrRedo = [this](bool redo) {
        Correct([this, redo] { return redo ? m_corrections.Redo() : m_corrections.Undo(); }, true);
        Grid->GoToRow(std::min(m_corrections.LastPosition(), RecordFile.Count()));
    };
    connect(Grid, &ctlGrid::UndoRequested, this, [undoOrRedo] { undoOrRedo(false); });
    connect(Grid, &ctlGrid::RedoRequested, this, [undoOrRedo] { undoOrRedo(true); });
    connect(m_menus.mnuFile_CompareBackup, &QAction::triggered, this, &frmMain::mnuFile_CompareBackup_Click);
}

void frmMain::Correct(const std::function<bool()>& change, bool reload) {
    bool saved = true;
    const bool made = ReportingErrors([&] { saved = change(); });
    // A correction that ended in an error may have changed the list all the same.
    m_faults->AfterWrite(made ? saved : RecordFile.InStep());
    if (reload || !made)
        RecordFile.LoadIntoGrid(*Grid);
    StatusBar->SetPanelText(1, RecordCountText());
    if (!m_corrections.JournalSaved())
        StatusBar->ShowState(QStringLiteral("MKL_SB_JOURNALFAILED"),
                             {{QStringLiteral("[reason]"), m_corrections.JournalError().description}});
    Grid->SetUndoState(m_corrections.CanUndo(), m_corrections.CanRedo());
    RecordsChanged();
}

void frmMain::mnuFile_CompareBackup_Click() {
    ReportingErrors([this] {
        const QString path = AskRecordFileToOpen(this);
        if (path.isEmpty() || RecordFile.FileName().isEmpty())
            return;
        const QVector<qint32> backup = ReadStn(ReadWholeFile(path)).bibs;
        const auto primary = [this] {
            QVector<qint32> bibs(RecordFile.Count());
            for (qint32 index = 0; index < RecordFile.Count(); ++index)
                bibs[index] = RecordFile.GetRecord(index).Bib;
            return bibs;
        };
        const auto adopt = [this](const BackupAdoption& adopted) {
            Correct(
                [this, adopted] {
                    switch (adopted.kind) {
                    case BackupAdoption::Kind::Edit:
                        return m_corrections.Edit(adopted.index, adopted.bib, true);
                    case BackupAdoption::Kind::Insert:
                        return m_corrections.Insert(adopted.index, adopted.bib, true);
                    case BackupAdoption::Kind::Delete:
                        break;
                    }
                    return m_corrections.Delete(adopted.index, true);
                },
                true);
            Grid->GoToRow(std::min(adopted.index + 1, RecordFile.Count()));
        };
        m_focusCatcher->WithoutCatching([&] { frmBackupComparison::Compare(this, path, backup, primary, adopt); });
    });
    txtEnter->setFocus();
}
