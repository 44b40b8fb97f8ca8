// The window's side of the start list of the open record file: the names and the warning for
// bibs not on it in the grid, the lap counter, the lap board and the entry box.
#include "recording/frmMain.h"

#include "board/LapBoardHost.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "startlist/StartListHost.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

// Every window that shows names follows the current list (and the current language).
void frmMain::ApplyStartList() {
    ShowGridColumns();
    Grid->SetBibWarning(m_startList->BibWarning());
    m_menus.mnuFile_StartListRemove->setEnabled(!RecordFile.FileName().isEmpty() && !m_startList->IsEmpty());
    if (m_lapCounter)
        m_lapCounter->SetNameLookup(m_startList->NameLookup());
    m_board->SetNames(m_startList->NameLookup());
    RecordsChanged();
    ShowNotListedHint();
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

// The hint never takes the focus, never blocks Enter and goes once the digits change.
void frmMain::ShowNotListedHint() {
    const QString hint = m_startList->NotListedHint(txtEnter->text());
    if (!hint.isEmpty())
        lblNotListed->setText(hint);
    lblNotListed->setVisible(!hint.isEmpty());
    PlaceEntryHints();
}
