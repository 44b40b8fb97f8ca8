// The grid's editing: the in-place editor, keyboard navigation and the four buttons.
#include "grid/ctlGrid.h"

#include "base/ErrorHandler.h"
#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "base/NumericValue.h"
#include "base/Twips.h"
#include "grid/GridEditor.h"
#include "grid/GridMath.h"
#include "grid/GridModel.h"
#include "lang/clsLanguage.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>

namespace {

// The bib an edited text stands for: its numeric value as a whole number (0 without digits).
// A value outside the 32-bit range is refused with a message that says so.
qint32 EditedBib(const QString& text) {
    try {
        return ToInt32(NumericValue(text));
    } catch (const RaisedError&) {
        Raise(ErrorNumber::Overflow, GetText(QStringLiteral("MKL_MSG_BIBTOOLARGE"), {{QStringLiteral("[bib]"), text}}));
    }
}

} // namespace

void ctlGrid::Grid_CurrentChanged() {
    if (m_settingCurrent == 0)
        OpenEditor();
}

void ctlGrid::OpenEditor() {
    const qint32 row = CurrentRow();
    const QModelIndex cell = m_model->index(row - 1, 1);
    if (CurrentCol() != 1 || row < 1 || row >= RowCount() || !cell.isValid())
        return;
    Grid->scrollTo(cell); // an editor needs its cell on screen
    m_editing = true;
    PlaceEditor();
    txtWorkOn->show();
    txtWorkOn->raise();
    txtWorkOn->setText(CellText(row, 1));
    m_editorTag = txtWorkOn->text();
    m_editRow = row;
    txtWorkOn->setFocus(Qt::OtherFocusReason);
    txtWorkOn->selectAll();
}

void ctlGrid::PlaceEditor() {
    const QModelIndex index = m_model->index(CurrentRow() - 1, 1);
    if (!index.isValid())
        return;
    // The cell measured inside the table's border, the header row included.
    const QRect cell = Grid->visualRect(index);
    const int border = Grid->frameWidth();
    const QPoint inside = Grid->viewport()->mapTo(Grid, cell.topLeft()) - QPoint(border, border);
    const GridMath::EditorRect rect = GridMath::EditorOverCell(
        PixelsToTwipsX(Grid->x(), this), PixelsToTwipsY(Grid->y(), this), PixelsToTwipsX(inside.x(), this),
        PixelsToTwipsY(inside.y(), this), PixelsToTwipsX(cell.width(), this), PixelsToTwipsY(cell.height(), this));
    PlaceInTwips(txtWorkOn, rect);
}

void ctlGrid::ClickGrid() {
    if (CurrentRow() == 1 || QApplication::focusWidget() != txtWorkOn) {
        if (CurrentCol() != 1)
            SetCurrent(CurrentRow(), 1);
        OpenEditor();
    }
}

void ctlGrid::CommitEdit() {
    // Only an open editor has something to commit, so a value is never reported twice.
    if (!m_editing || CurrentRow() < 1 || CurrentCol() != 1)
        return;
    m_editing = false;
    if (txtWorkOn->hasFocus()) {
        // Keep the focus inside the control rather than letting it wander to the next window control.
        const QuietCurrent quiet(m_settingCurrent);
        Grid->setFocus(Qt::OtherFocusReason);
    }
    txtWorkOn->hide();
    // The edit ends here, whichever action closed the editor: a refused value is reported once
    // and the action that closed it goes on.
    ReportingErrors([this] {
        const QString text = txtWorkOn->text();
        if (text != m_editorTag && m_editRow >= 1 && m_editRow < RowCount()) {
            const qint32 bib = EditedBib(text);
            m_model->SetBib(m_editRow - 1, bib);
            emit Edit(m_editRow, bib);
        }
    });
}

void ctlGrid::AnalyseKey(int& keyCode) {
    using namespace GridMath;
    const int code = keyCode;
    switch (code) {
    case Key::Enter:
    case Key::PageUp:
    case Key::PageDown:
    case Key::End:
    case Key::Home:
    case Key::Up:
    case Key::Down:
    case Key::F12:
        keyCode = 0;
        break;
    default:
        return;
    }
    ReportingErrors([this, code] { Navigate(code); });
}

void ctlGrid::Navigate(int keyCode) {
    using namespace GridMath;
    const qint32 last = RowCount() - 1;
    // Grid height over header height: how many rows one page holds, header included.
    const auto rowsPerPage = [this] {
        return double(Grid->height()) / std::max(1, Grid->horizontalHeader()->height());
    };
    switch (keyCode) {
    case Key::Up:
        if (m_editRow < 2)
            return;
        CommitEdit();
        if (TopRow() > m_editRow - 1)
            SetTopRow(m_editRow - 1);
        SetCurrent(m_editRow - 1, CurrentCol());
        break;
    case Key::Down:
        if (m_editRow >= last)
            return;
        CommitEdit();
        if (!IsRowVisible(m_editRow + 1))
            SetTopRow(m_editRow + 1);
        SetCurrent(m_editRow + 1, CurrentCol());
        break;
    case Key::Home:
        CommitEdit();
        if (!IsRowVisible(1))
            SetTopRow(1);
        SetCurrent(1, CurrentCol());
        break;
    case Key::End:
    case Key::F12:
        CommitEdit();
        if (!IsRowVisible(last))
            SetTopRow(last);
        SetCurrent(last, CurrentCol());
        break;
    case Key::PageUp: {
        if (m_editRow < 2)
            return;
        CommitEdit();
        const PageTarget target = PageUpTarget(rowsPerPage(), m_editRow);
        SetCurrent(target.currentRow, CurrentCol());
        SetTopRow(target.topRow);
        break;
    }
    case Key::PageDown: {
        if (m_editRow >= last)
            return;
        CommitEdit();
        const PageTarget target = PageDownTarget(rowsPerPage(), m_editRow, RowCount());
        SetCurrent(target.currentRow, CurrentCol());
        SetTopRow(target.topRow);
        break;
    }
    case Key::Enter:
        emit Enter();
        return;
    default:
        return;
    }
    ClickGrid();
}

void ctlGrid::cmdInsert_Click() {
    ReportingErrors([this] {
        CommitEdit();
        // Without records the host appends the new one, which then stands in row 1.
        const qint32 row = RowCount() < 2 ? 1 : CurrentRow();
        emit Add(row);
        SetCurrent(row, 1);
        OpenEditor();
    });
}

void ctlGrid::cmdDelete_Click() {
    ReportingErrors([this] {
        CommitEdit();
        const qint32 row = CurrentRow();
        if (row < 1 || RowCount() < 2)
            return;
        MessageRequest question;
        question.text = GetText(QStringLiteral("MKL_MSG_DELETEBIB"), {{QStringLiteral("[bib]"), CellText(row, 1)}});
        question.title = GetText(QStringLiteral("MKL_MAIN_CAPTION"));
        question.icon = MsgIcon::Question;
        question.buttons = MsgButtons::OkCancel;
        if (ShowMessage(question) != MsgAnswer::Ok)
            return;
        const qint32 rowsBefore = RowCount();
        emit Delete(row);
        // A host that reloaded the grid meanwhile already shows the truth.
        if (RowCount() != rowsBefore)
            return;
        const QuietCurrent quiet(m_settingCurrent);
        if (RowCount() == 2)
            m_model->Clear();
        else
            m_model->Remove(row - 1);
    });
}

void ctlGrid::cmdUp_Click() {
    ReportingErrors([this] {
        CommitEdit();
        const qint32 row = CurrentRow();
        if (row >= 2)
            MoveBib(row, row - 1);
        OpenEditor();
    });
}

void ctlGrid::cmdDown_Click() {
    ReportingErrors([this] {
        CommitEdit();
        const qint32 row = CurrentRow();
        if (row >= 1 && row < RowCount() - 1)
            MoveBib(row, row + 1);
        OpenEditor();
    });
}

// Exchanges the bibs of two neighbouring rows, one Edit per row; the row numbers stay.
void ctlGrid::MoveBib(qint32 row, qint32 target) {
    const qint32 kept = m_model->At(target - 1).bib;
    const qint32 moving = m_model->At(row - 1).bib;
    // The two edits of a move are one change: the host writes them to the disk together.
    emit BeginMove();
    struct EndOfMove {
        ctlGrid* grid;
        ~EndOfMove() { emit grid->EndMove(); }
    } endOfMove{this};
    m_model->SetBib(target - 1, moving);
    emit Edit(target, moving);
    m_model->SetBib(row - 1, kept);
    emit Edit(row, kept);
    SetCurrent(target, CurrentCol());
    if (!IsRowVisible(target))
        SetTopRow(target);
}
