#pragma once

#include "grid/GridModel.h"

#include <QString>
#include <QWidget>

class GridEditor;
class QAction;
class QKeyEvent;
class QMenu;
class QTableView;
class QToolButton;

// The record grid: the records of the open file as numbered rows (number, bib) beside four
// buttons (move up, insert, delete, move down), with an in-place editor over the bib cell.
//
// For the host window:
// - Rows are grid rows: row 0 is the header, row r shows the record with list index r - 1.
// - The control never touches the record file. It reports every change as a signal and changes
//   only its own display; the host applies the change to its record list:
//     Edit(Row, Bib)   a bib was corrected in place, or moved (two Edit signals per move):
//                      store Bib in record Row - 1.
//     Delete(Row)      the operator confirmed deleting the row; the control has removed it:
//                      delete record Row - 1.
//     Add(Row)         insert pressed: insert a record with bib 0 before index Row - 1 and reload
//                      the grid. On a grid without records Row is 1, so the host appends one.
//                      The editor then opens on the new record.
//     Enter()          Enter pressed in the grid or the editor: give the bib entry box the focus.
//     TypedToEntry(t)  a digit was typed while the table itself had the focus: give the entry
//                      box the focus and insert t there, so no keystroke of a bib is lost and
//                      no record changes by accident. Other typed characters are dropped.
// - Appending one record: AddBib(bib); the row is scrolled into view when it does not fit,
//   unless the editor is open: a passage recorded meanwhile (a scan) leaves it as it is.
// - Reloading all records: setRedraw(false), which commits a pending edit; Clear(); AddBib(bib)
//   for each record; setRedraw(true). Rows added while redraw is off are collected and shown at once.
// - Columns after the bib (names, times): SetExtraColumns; a warning marks a bib cell: SetBibWarning.
// - Undo and redo of corrections: Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y while the focus is in the grid
//   (in the editor only while it holds no typing of its own to take back), and the table's context
//   menu, emit UndoRequested and RedoRequested after committing a pending edit. The host enables
//   them with SetUndoState, reloads the grid after the change and shows its row with GoToRow.
// - Before closing the record file call CloseFile(), which commits a pending edit.
class ctlGrid : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Redraw READ Redraw WRITE setRedraw)

public:
    explicit ctlGrid(QWidget* parent = nullptr);
    ~ctlGrid() override;

    // Button tooltips and header texts from the language tables.
    void SetCaptions();
    // Appends a row numbered with the previous row count; an open editor stays open on its cell.
    void AddBib(qint32 Bib);
    // Shows these columns after the bib (none: the two columns alone).
    void SetExtraColumns(QVector<GridModel::ExtraColumn> columns);
    void SetBibWarning(GridModel::BibWarning warning);
    // Removes all data rows; the header row stays. A pending edit is not touched.
    void Clear();
    // False commits a pending edit, suspends painting and collects added rows until it is set
    // back to true.
    bool Redraw() const { return m_redraw; }
    void setRedraw(bool redraw);
    // Commits a pending edit; called before the host closes the record file.
    void CloseFile();
    // Keyboard navigation and the Enter signal. keyCode is a virtual key number (13 Enter,
    // 33/34 Page Up/Down, 35 End, 36 Home, 38 Up, 40 Down, 123 F12); it is set to 0 when the
    // key belongs to the grid's navigation, so the caller drops it.
    void AnalyseKey(int& keyCode);
    void SetUndoState(bool canUndo, bool canRedo);
    // Makes a data row current and shows it; with the focus in the grid the editor opens on it.
    void GoToRow(qint32 row);
    // The grid row on which the editor was last opened; 0 before the first edit.
    qint32 EditRow() const { return m_editRow; }

    // Read access in grid rows (0 = header).
    qint32 RowCount() const;   // header row included
    qint32 CurrentRow() const; // 0 without data rows; 1 while rows exist but none was chosen
    qint32 CurrentCol() const;
    QString CellText(qint32 row, qint32 col) const;
    qint32 TopRow() const;               // first data row shown whole, 0 without data rows
    bool IsRowVisible(qint32 row) const; // at least partly inside the table's viewport
    bool IsEditing() const { return m_editing; }

signals:
    void Edit(qint32 Row, qint32 Bib);
    void Delete(qint32 Row);
    void Add(qint32 Row);
    void Enter();
    void TypedToEntry(const QString& text);
    // Around the two Edit events of a move up or down, so the host can store both as one change.
    void BeginMove();
    void EndMove();
    void UndoRequested();
    void RedoRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildUndoCommands();
    // Whether the editor takes this key for its own undo or redo of what was typed in it.
    bool EditorTakesKey(QKeyEvent* event) const;
    void ArrangeControls();
    bool HandleKey(QKeyEvent* event, bool fromTable);

    // Grid access in grid rows.
    void SetCurrent(qint32 row, qint32 col);
    void SetTopRow(qint32 row);
    void ScrollNewRowIntoView();
    void ShowCurrentRow();

    // Editing routines.
    void Grid_CurrentChanged();
    void OpenEditor();
    void PlaceEditor();
    void ClickGrid();
    void CommitEdit();
    void cmdInsert_Click();
    void cmdDelete_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void MoveBib(qint32 row, qint32 target);
    void Navigate(int keyCode);

    GridModel* m_model = nullptr;
    QTableView* Grid = nullptr;
    GridEditor* txtWorkOn = nullptr;
    QToolButton* cmdUp = nullptr;
    QToolButton* cmdDown = nullptr;
    QToolButton* cmdInsert = nullptr;
    QToolButton* cmdDelete = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QMenu* mnuContext = nullptr;

    qint32 m_editRow = 0;
    QString m_editorTag; // the cell text the editor opened with
    bool m_editing = false;
    bool m_redraw = true;
    bool m_addedWhileHeld = false;
    int m_settingCurrent = 0; // >0 while the control itself moves the current cell

    // While alive, current cell changes come from the control itself and open no editor.
    struct QuietCurrent {
        explicit QuietCurrent(int& depth) : m_depth(depth) { ++m_depth; }
        ~QuietCurrent() { --m_depth; }
        QuietCurrent(const QuietCurrent&) = delete;
        QuietCurrent& operator=(const QuietCurrent&) = delete;
        int& m_depth;
    };
};
