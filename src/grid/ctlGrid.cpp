#include "grid/ctlGrid.h"

#include "base/ErrorHandler.h"
#include "base/ErrorInfo.h"
#include "base/Twips.h"
#include "grid/GridEditor.h"
#include "grid/GridMath.h"
#include "grid/GridModel.h"
#include "grid/GridPictures.h"
#include "lang/clsLanguage.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

namespace {

// Design values in twips: the table's fixed top left corner, the square buttons and the width of
// the number column (the bib column takes the rest).
constexpr double kGridLeft = 60;
constexpr double kGridTop = 60;
constexpr double kButtonSide = 420;
constexpr double kNumberColumnWidth = 900;
constexpr double kTextMargin = 150;        // around a text in a column sized to it
constexpr double kNarrowColumnWidth = 700; // the bib column when further columns follow it

QToolButton* MakeButton(QWidget* parent, const char* name, GridPicture picture) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(GridPictureIcon(picture));
    return button;
}

} // namespace

ctlGrid::ctlGrid(QWidget* parent) : QWidget(parent) {
    BuildControls();
    ArrangeControls();
}

ctlGrid::~ctlGrid() = default;

void ctlGrid::BuildControls() {
    m_model = new GridModel(this);

    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(m_model);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid->setTabKeyNavigation(false);
    Grid->setWordWrap(false);
    Grid->setCornerButtonEnabled(false);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Every row has one fixed height, so a million rows cost the header nothing per row. The
    // header row is as high as the others, so the table's height over the header's height is the
    // number of rows a page holds.
    QHeaderView* columns = Grid->horizontalHeader();
    const int rowHeight = std::max(columns->sizeHint().height(), Grid->fontMetrics().height() + 8);
    columns->setMinimumHeight(rowHeight);
    QHeaderView* rows = Grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(rowHeight);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    // The bib column fills whatever the number column leaves, also after the model is reset.
    columns->setMinimumSectionSize(TwipsToPixelsX(300, this));
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setSectionResizeMode(1, QHeaderView::Stretch);
    columns->resizeSection(0, TwipsToPixelsX(kNumberColumnWidth, this));
    Grid->installEventFilter(this);

    txtWorkOn = new GridEditor(this);
    txtWorkOn->setObjectName(QStringLiteral("txtWorkOn"));
    txtWorkOn->setMaxLength(8); // as many digits as the entry box takes
    txtWorkOn->setFrame(false);
    txtWorkOn->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtWorkOn->hide();
    txtWorkOn->installEventFilter(this);

    cmdUp = MakeButton(this, "cmdUp", GridPicture::Up);
    cmdDown = MakeButton(this, "cmdDown", GridPicture::Down);
    cmdInsert = MakeButton(this, "cmdInsert", GridPicture::Insert);
    cmdDelete = MakeButton(this, "cmdDelete", GridPicture::Delete);
    const QSize side(TwipsToPixelsX(kButtonSide, this), TwipsToPixelsY(kButtonSide, this));
    for (QToolButton* button : {cmdUp, cmdDown, cmdInsert, cmdDelete}) {
        button->resize(side);
        button->setIconSize(side * 0.6);
    }

    connect(Grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { Grid_CurrentChanged(); });
    connect(Grid, &QAbstractItemView::clicked, this, [this] { ClickGrid(); });
    connect(Grid->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { CommitEdit(); });
    connect(cmdUp, &QToolButton::clicked, this, &ctlGrid::cmdUp_Click);
    connect(cmdDown, &QToolButton::clicked, this, &ctlGrid::cmdDown_Click);
    connect(cmdInsert, &QToolButton::clicked, this, &ctlGrid::cmdInsert_Click);
    connect(cmdDelete, &QToolButton::clicked, this, &ctlGrid::cmdDelete_Click);
    BuildUndoCommands();
}

void ctlGrid::SetCaptions() {
    cmdUp->setToolTip(GetText(QStringLiteral("MKL_CMDUP_TT")));
    cmdDown->setToolTip(GetText(QStringLiteral("MKL_CMDDOWN_TT")));
    cmdInsert->setToolTip(GetText(QStringLiteral("MKL_CMDINSERT_TT")));
    cmdDelete->setToolTip(GetText(QStringLiteral("MKL_CMDDELETE_TT")));
    m_model->SetHeader(0, GetText(QStringLiteral("MKL_GRID_NR")));
    m_model->SetHeader(1, GetText(QStringLiteral("MKL_GRID_BIB")));
    mnuUndo->setText(GetText(QStringLiteral("MKL_MNU_GRID_UNDO")));
    mnuRedo->setText(GetText(QStringLiteral("MKL_MNU_GRID_REDO")));
}

void ctlGrid::AddBib(qint32 Bib) {
    const QuietCurrent quiet(m_settingCurrent);
    m_model->Append({RowCount(), Bib});
    if (m_model->IsHoldingBack()) {
        m_addedWhileHeld = true;
        return;
    }
    if (!m_editing) // scrolling would move the open editor's cell from under the operator
        ScrollNewRowIntoView();
    ShowCurrentRow();
}

void ctlGrid::Clear() {
    const QuietCurrent quiet(m_settingCurrent);
    m_model->Clear();
}

void ctlGrid::setRedraw(bool redraw) {
    if (!redraw)
        CommitEdit(); // the rows are about to be filled anew
    if (redraw == m_redraw)
        return;
    m_redraw = redraw;
    if (!redraw) {
        Grid->setUpdatesEnabled(false);
        m_addedWhileHeld = false;
        m_model->HoldBack(true);
        return;
    }
    {
        const QuietCurrent quiet(m_settingCurrent);
        m_model->HoldBack(false);
    }
    Grid->setUpdatesEnabled(true);
    if (m_addedWhileHeld)
        ScrollNewRowIntoView();
    m_addedWhileHeld = false;
    ShowCurrentRow();
}

// The buttons act on the current row, row 1 when none was chosen: it is shown as current.
void ctlGrid::ShowCurrentRow() {
    if (Grid->currentIndex().isValid() || m_model->Count() == 0)
        return;
    // Without scrolling there: the newest rows stay in view.
    const bool autoScroll = Grid->hasAutoScroll();
    Grid->setAutoScroll(false);
    SetCurrent(1, 1);
    Grid->setAutoScroll(autoScroll);
}

void ctlGrid::CloseFile() {
    CommitEdit();
}

qint32 ctlGrid::RowCount() const {
    return m_model->Count() + 1;
}

qint32 ctlGrid::CurrentRow() const {
    const QModelIndex current = Grid->currentIndex();
    if (current.isValid())
        return current.row() + 1;
    // Like a table with a fixed header row, the grid always has a current data row when it has any.
    return m_model->Count() > 0 ? 1 : 0;
}

qint32 ctlGrid::CurrentCol() const {
    const QModelIndex current = Grid->currentIndex();
    return current.isValid() ? current.column() : 0;
}

void ctlGrid::SetExtraColumns(QVector<GridModel::ExtraColumn> columns) {
    // The first column without a sample (a name) takes the width the others leave; without one
    // the bib does. Beside further columns the number and the bib take only what they need.
    int stretched = 1;
    for (int i = 0; i < columns.size() && stretched == 1; ++i) {
        if (columns[i].sample.isEmpty())
            stretched = 2 + i;
    }
    QStringList samples;
    for (const GridModel::ExtraColumn& column : std::as_const(columns))
        samples << column.sample;
    m_model->SetExtraColumns(std::move(columns));
    QHeaderView* header = Grid->horizontalHeader();
    const int margin = TwipsToPixelsX(kTextMargin, this);
    const QFontMetrics metrics = Grid->fontMetrics();
    const bool extra = !samples.isEmpty();
    header->resizeSection(0, extra ? metrics.horizontalAdvance(QStringLiteral("00000")) + margin
                                   : TwipsToPixelsX(kNumberColumnWidth, this));
    for (int column = 1; column < m_model->columnCount(); ++column) {
        header->setSectionResizeMode(column, column == stretched ? QHeaderView::Stretch : QHeaderView::Fixed);
        if (column == stretched)
            continue;
        const QString sample = column >= 2 ? samples[column - 2] : QString();
        header->resizeSection(column, sample.isEmpty() ? TwipsToPixelsX(kNarrowColumnWidth, this)
                                                       : metrics.horizontalAdvance(sample) + margin);
    }
    if (IsEditing())
        PlaceEditor();
}

void ctlGrid::SetBibWarning(GridModel::BibWarning warning) {
    m_model->SetBibWarning(std::move(warning));
}

QString ctlGrid::CellText(qint32 row, qint32 col) const {
    if (col < 0 || col >= m_model->columnCount() || row < 0 || row >= RowCount())
        return QString();
    if (row == 0)
        return m_model->Header(col);
    if (col > 1)
        return m_model->data(m_model->index(row - 1, col)).toString();
    const GridModel::Row data = m_model->At(row - 1);
    return QString::number(col == 0 ? data.number : data.bib);
}

qint32 ctlGrid::TopRow() const {
    // The first row shown whole: scrolled to the end, the table may cut the top row.
    int first = Grid->rowAt(0);
    if (first < 0)
        return 0;
    if (Grid->rowViewportPosition(first) < 0 && first + 1 < m_model->rowCount())
        ++first;
    return first + 1;
}

bool ctlGrid::IsRowVisible(qint32 row) const {
    if (row == 0)
        return true;
    const QModelIndex index = m_model->index(row - 1, 0);
    if (!index.isValid())
        return false;
    const QRect rect = Grid->visualRect(index);
    return rect.bottom() >= 0 && rect.top() < Grid->viewport()->height();
}

void ctlGrid::SetCurrent(qint32 row, qint32 col) {
    const QModelIndex index = m_model->index(row - 1, col);
    if (!index.isValid())
        return;
    const QuietCurrent quiet(m_settingCurrent);
    Grid->setCurrentIndex(index);
}

void ctlGrid::SetTopRow(qint32 row) {
    const QModelIndex index = m_model->index(row - 1, 0);
    if (index.isValid())
        Grid->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void ctlGrid::ScrollNewRowIntoView() {
    const int last = m_model->rowCount() - 1;
    if (last < 0)
        return;
    // All rows have one height and the table scrolls by whole rows, so the scroll range and the
    // new row's place follow from the row count and the first row shown. Asking the view instead
    // would make it add up the heights of every row, a million of them in a long race, for each
    // recorded bib.
    QScrollBar* scroll = Grid->verticalScrollBar();
    const int rowHeight = std::max(1, Grid->verticalHeader()->defaultSectionSize());
    const int rowsShown = std::max(1, Grid->viewport()->height() / rowHeight);
    const int lastTop = std::max(0, last + 1 - rowsShown);
    if (scroll->maximum() != lastTop)
        scroll->setRange(0, lastTop); // the view sets the same range when it next lays out
    const qint64 bottom = (qint64(last) - scroll->value() + 1) * rowHeight;
    if (bottom > Grid->viewport()->height())
        scroll->setValue(lastTop);
}

void ctlGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void ctlGrid::ArrangeControls() {
    GridMath::LayoutInput in;
    in.innerWidth = PixelsToTwipsX(width(), this);
    in.innerHeight = PixelsToTwipsY(height(), this);
    in.gridLeft = kGridLeft;
    in.gridTop = kGridTop;
    in.gridHeight = PixelsToTwipsY(Grid->height(), this);
    in.upWidth = PixelsToTwipsX(cmdUp->width(), this);
    in.downWidth = PixelsToTwipsX(cmdDown->width(), this);
    in.insertWidth = PixelsToTwipsX(cmdInsert->width(), this);
    in.deleteWidth = PixelsToTwipsX(cmdDelete->width(), this);
    in.upHeight = PixelsToTwipsY(cmdUp->height(), this);
    const GridMath::LayoutResult out = GridMath::Layout(in);

    // A size that came out negative keeps the old one; the other steps still apply.
    QRect grid(TwipsToPixelsX(kGridLeft, this), TwipsToPixelsY(kGridTop, this), Grid->width(), Grid->height());
    if (out.gridHeight)
        grid.setHeight(TwipsToPixelsY(*out.gridHeight, this));
    if (out.gridWidth)
        grid.setWidth(TwipsToPixelsX(*out.gridWidth, this));
    Grid->setGeometry(grid);
    const int buttonHeight = cmdUp->height();
    const auto place = [this, buttonHeight](QToolButton* button, double left, double top) {
        button->setGeometry(TwipsToPixelsX(left, this), TwipsToPixelsY(top, this), button->width(), buttonHeight);
    };
    place(cmdUp, out.upLeft, out.upTop);
    place(cmdInsert, out.insertLeft, out.insertTop);
    place(cmdDelete, out.deleteLeft, out.deleteTop);
    place(cmdDown, out.downLeft, out.downTop);
    if (m_editing)
        PlaceEditor();
}

void ctlGrid::keyPressEvent(QKeyEvent* event) {
    int code = GridMath::KeyCode(event->key());
    if (code != 0) {
        AnalyseKey(code);
        if (code == 0) {
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool ctlGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Grid && event->type() == QEvent::KeyPress)
        return HandleKey(static_cast<QKeyEvent*>(event), true);
    if (watched == txtWorkOn) {
        if (event->type() == QEvent::ShortcutOverride && !EditorTakesKey(static_cast<QKeyEvent*>(event))) {
            event->ignore(); // the grid's undo and redo take it
            return true;
        }
        if (event->type() == QEvent::KeyPress)
            return HandleKey(static_cast<QKeyEvent*>(event), false);
        if (event->type() == QEvent::FocusOut) {
            // Leaving the editor commits it; a context menu (paste) or another window taking the
            // activation does not.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                CommitEdit();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ctlGrid::HandleKey(QKeyEvent* event, bool fromTable) {
    int code = GridMath::KeyCode(event->key());
    if (code != 0) {
        AnalyseKey(code);
        if (code == 0)
            return true;
    }
    if (!fromTable)
        return false;
    // A character typed on the table never reaches it (no search, no message): a digit is handed
    // to the host's entry box, anything else is dropped.
    const QString text = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (text.isEmpty() || shortcut || text.front().unicode() < 0x20 || text.front().unicode() == 0x7f)
        return false;
    const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits)
        emit TypedToEntry(text);
    return true;
}
