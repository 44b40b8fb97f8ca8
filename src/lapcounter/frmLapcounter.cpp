#include "lapcounter/frmLapcounter.h"

#include "base/AccessibleNames.h"
#include "base/ErrorHandler.h"
#include "base/NumericValue.h"
#include "base/SaveWndPos.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "lang/clsLanguage.h"
#include "lapcounter/LapCounting.h"
#include "lapcounter/LapListModel.h"
#include "lapcounter/LapListView.h"
#include "lapcounter/TabStopDelegate.h"
#include "records/clsFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <limits>

namespace {

template <typename Widget> Widget* Named(Widget* widget, const char* name, int index = -1) {
    widget->setObjectName(QLatin1String(name));
    if (index >= 0)
        widget->setProperty("index", index);
    return widget;
}

// A number field's text in the form the numeric value reads: the operator types and reads the
// decimal sign of the locale ("2,5"), the value takes "." (a comma would end the number).
QString FieldValueText(const QString& shown) {
    return QString(shown).replace(QLocale().decimalPoint(), QStringLiteral("."));
}

// A stored number as its field shows it: the text of its numeric value in the operator's locale.
QString FieldTextOf(const QString& stored) {
    return DoubleText(NumericValue(stored));
}

// A field's number as it is stored: the same text in every locale ("2.5").
QString StoredTextOf(const QString& shown) {
    return QString::number(NumericValue(FieldValueText(shown)), 'g', 15);
}

} // namespace

frmLapcounter::frmLapcounter(const clsFile& records, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_records(records), m_standings(records) {
    setObjectName(QStringLiteral("frmLapcounter"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ConnectHandlers();
    resize(TwipsToPixelsX(kLapcounterDesignWidth, this), TwipsToPixelsY(kLapcounterDesignHeight, this));
    ApplyLayout();
}

void frmLapcounter::BuildControls() {
    m_lines = new LapListModel(this);
    List1 = Named(new LapListView(this), "List1");
    List1->setModel(m_lines);
    List1->setItemDelegate(new TabStopDelegate(List1));
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont listFont(QStringLiteral("MS Sans Serif"));
    listFont.setPointSizeF(9.75);
    listFont.setStyleHint(QFont::SansSerif);
    List1->setFont(listFont);

    cmdRequery = Named(new QPushButton(this), "cmdRequery");
    cmdReset = Named(new QPushButton(this), "cmdReset");
    // Enter clicks the focused button, and anywhere else in the window the refresh (keyPressEvent).
    cmdRequery->setAutoDefault(true);
    cmdRequery->setDefault(true);
    cmdReset->setAutoDefault(true);
    for (int i = 0; i < 2; ++i) {
        lblLapcount[i] = Named(new QLabel(this), "lblLapcount", i);
        lblLapcount[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        txtLapCount[i] = Named(new QLineEdit(this), "txtLapCount", i);
        txtLapCount[i]->installEventFilter(this);
        lblLapcount[i]->setBuddy(txtLapCount[i]);
    }
    chkAuto = Named(new QCheckBox(this), "chkAuto");
    chkDescending = Named(new QCheckBox(this), "chkDescending");

    setTabOrder(cmdRequery, cmdReset);
    setTabOrder(cmdReset, txtLapCount[0]);
    setTabOrder(txtLapCount[0], txtLapCount[1]);
    setTabOrder(txtLapCount[1], chkAuto);
    setTabOrder(chkAuto, chkDescending);
    setTabOrder(chkDescending, List1);
}

void frmLapcounter::ConnectHandlers() {
    connect(cmdRequery, &QPushButton::clicked, this, &frmLapcounter::cmdRequery_Click);
    connect(cmdReset, &QPushButton::clicked, this, &frmLapcounter::cmdReset_Click);
    connect(chkAuto, &QCheckBox::clicked, this, &frmLapcounter::chkAuto_Click);
    connect(chkDescending, &QCheckBox::clicked, this, &frmLapcounter::chkDescending_Click);
    connect(chkDescending, &QCheckBox::toggled, this, &frmLapcounter::CountingChanged);
}

frmLapcounter::~frmLapcounter() {
    if (m_loaded && !m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
}

void frmLapcounter::Form_Load() {
    m_loaded = true;
    ReportingErrors([this] {
        SaveWndPos(this, WndPos::Restore);
        txtLapCount[0]->setText(FieldTextOf(ReadSetting(QStringLiteral("LC_Laps")).toString()));
        txtLapCount[1]->setText(FieldTextOf(ReadSetting(QStringLiteral("LC_LapsMin")).toString()));
        chkAuto->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("LC_Auto"))));
        chkDescending->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("LC_Descending"))));
        SetCaptions();
        cmdRequery_Click();
    });
}

void frmLapcounter::Form_Unload() {
    ReportingFirstError({
        [this] { SaveWndPos(this, WndPos::Save); },
        [this] { WriteSetting(QStringLiteral("LC_Auto"), CheckBoxValue(chkAuto->isChecked())); },
        [this] { WriteSetting(QStringLiteral("LC_Descending"), CheckBoxValue(chkDescending->isChecked())); },
        [this] { WriteSetting(QStringLiteral("LC_Laps"), StoredTextOf(txtLapCount[0]->text())); },
        [this] { WriteSetting(QStringLiteral("LC_LapsMin"), StoredTextOf(txtLapCount[1]->text())); },
    });
    m_firstCountedID = 0;
    m_standings.SetFirstCountedID(0);
    emit Unload();
}

void frmLapcounter::closeEvent(QCloseEvent* event) {
    if (m_loaded && !m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    event->accept();
}

void frmLapcounter::SetCaptions() {
    setWindowTitle(GetText(QStringLiteral("MKL_LC_CAPTION")));
    cmdRequery->setText(GetText(QStringLiteral("MKL_LC_REQUERY")));
    cmdReset->setText(GetText(QStringLiteral("MKL_LC_RESET")));
    chkAuto->setText(GetText(QStringLiteral("MKL_LC_AUTO")));
    chkDescending->setText(GetText(QStringLiteral("MKL_LC_DESCENDING")));
    lblLapcount[0]->setText(GetText(QStringLiteral("MKL_LC_LAPCOUNT0")) + QLatin1Char(':'));
    lblLapcount[1]->setText(GetText(QStringLiteral("MKL_LC_LAPCOUNT1")) + QLatin1Char(':'));
    ApplyAccessibleNames(this);
}

LapListInput frmLapcounter::ListInput() const {
    LapListInput input;
    input.targetText = FieldValueText(txtLapCount[0]->text());
    input.minimumText = FieldValueText(txtLapCount[1]->text());
    input.descending = chkDescending->isChecked();
    input.bibHeading = GetText(QStringLiteral("MKL_LC_BIB"));
    input.lapsHeading = GetText(QStringLiteral("MKL_LC_LAPS"));
    input.remainingHeading = GetText(QStringLiteral("MKL_LC_REMAINING"));
    input.nameOf = m_nameOf;
    input.nameHeading = GetText(QStringLiteral("MKL_LC_NAME"));
    return input;
}

void frmLapcounter::cmdRequery_Click() {
    Requery();
    // Whatever asked for it (Enter, leaving a field, the button, loading, a reset), the fields
    // are now what the operator confirmed.
    emit CountingChanged();
}

void frmLapcounter::Requery() {
    ForgetResetOfOtherFile();
    LapList list;
    m_shown.valid = false;
    LapListInput input;
    try {
        m_standings.Sync();
        input = ListInput();
        BuildLapList(m_standings, input, list);
    } catch (const RaisedError& error) {
        m_lines->SetList(std::move(list)); // the lines made before the failure stay
        ReportError(error.info());
        return;
    }
    m_lines->SetList(std::move(list));
    try {
        // The list reads the minimum only when it has rows; while it is faulty, every passage
        // refreshes the whole list, which reports it.
        m_shown.minimum = NumericValue(input.minimumText);
        m_shown.input = input;
        m_shown.revision = m_standings.Revision();
        m_shown.valid = true;
    } catch (const RaisedError&) {
        // Left marked as not shown: the next passage rebuilds the whole list and reports it.
    }
    emit HandFocusBack();
}

void frmLapcounter::RecordsChanged() {
    bool refresh = false;
    ReportingErrors([this, &refresh] {
        if (!AutoRefresh())
            return;
        ForgetResetOfOtherFile();
        const quint64 before = m_standings.Revision();
        LapMove move;
        const LapStandings::Step step = m_standings.Sync(&move);
        const LapListInput input = ListInput();
        const bool shownCurrent = m_shown.valid && m_shown.revision == before && m_shown.input == input;
        // A list out of step with the standings is made anew rather than moved further.
        if (shownCurrent && step != LapStandings::Step::Recounted &&
            (step == LapStandings::Step::Unchanged || ApplyMove(move))) {
            m_shown.revision = m_standings.Revision();
            emit HandFocusBack();
            return;
        }
        refresh = true;
    });
    if (refresh)
        Requery(); // with the fields as they are, confirmed or not
}

bool frmLapcounter::ApplyMove(const LapMove& move) {
    const bool descending = m_shown.input.descending;
    const qint64 listed = m_standings.ListedCount(m_shown.minimum);
    const bool listedNow = !(move.row.Laps < m_shown.minimum);
    const bool listedBefore = move.oldLaps > 0 && !(move.oldLaps < m_shown.minimum);
    const qint64 listedCountBefore = listed - (listedNow ? 1 : 0) + (listedBefore ? 1 : 0);
    const qint64 from = listedBefore ? LapLineOf(move.oldRank, listedCountBefore, descending) : -1;
    const qint64 to = listedNow ? LapLineOf(move.newRank, listed, descending) : -1;
    return m_lines->MoveLine(int(from), int(to), move.row);
}

bool frmLapcounter::AutoRefresh() const {
    return chkAuto->isChecked();
}

void frmLapcounter::cmdReset_Click() {
    ReportingErrors([this] {
        const qint32 maxId = m_records.MaxID();
        if (maxId == std::numeric_limits<qint32>::max())
            Raise(ErrorNumber::Overflow, GetText(QStringLiteral("MKL_MSG_IDLIMIT")));
        m_firstCountedID = maxId + 1;
        m_resetOpening = m_records.Openings();
        m_standings.SetFirstCountedID(m_firstCountedID);
        emit CountingChanged();
        cmdRequery_Click();
    });
}

// A reset counts from a record of the file open at the time; the next file opened (also after a
// reset with none open) counts from its start.
void frmLapcounter::ForgetResetOfOtherFile() {
    if (m_firstCountedID == 0 || m_records.Openings() == m_resetOpening)
        return;
    m_firstCountedID = 0;
    m_standings.SetFirstCountedID(0);
}

void frmLapcounter::chkAuto_Click() {
    if (chkAuto->isChecked())
        cmdRequery_Click();
    emit HandFocusBack();
}

void frmLapcounter::chkDescending_Click() {
    cmdRequery_Click();
    emit HandFocusBack();
}

void frmLapcounter::txtLapCount_GotFocus(int index) {
    QLineEdit* field = txtLapCount[index];
    m_textAtFocus[index] = field->text();
    field->selectAll();
    // A mouse click places the cursor after the focus arrived; select again once it has.
    QTimer::singleShot(0, field, [field] {
        if (field->hasFocus())
            field->selectAll();
    });
}

void frmLapcounter::txtLapCount_Validate(int index) {
    if (txtLapCount[index]->text().compare(m_textAtFocus[index], Qt::CaseInsensitive) == 0)
        return;
    cmdRequery_Click();
    emit HandFocusBack();
}

bool frmLapcounter::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 2; ++i) {
        if (watched != txtLapCount[i])
            continue;
        if (event->type() == QEvent::FocusIn) {
            // Coming back from a context menu is no new visit of the field.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                txtLapCount_GotFocus(i);
        } else if (event->type() == QEvent::FocusOut) {
            // Validated only when the focus moves on to another control of this window; by the
            // time the field hears of it, the application already names the new focus widget.
            const QWidget* next = QApplication::focusWidget();
            if (next && next != txtLapCount[i] && next->window() == this)
                txtLapCount_Validate(i);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmLapcounter::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdRequery->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmLapcounter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplyLayout();
}

void frmLapcounter::ApplyLayout() {
    ArrangeLapcounterLayout(m_layout, PixelsToTwipsX(width(), this), PixelsToTwipsY(height(), this));
    PlaceInTwips(List1, m_layout.List1);
    PlaceInTwips(cmdRequery, m_layout.cmdRequery);
    PlaceInTwips(cmdReset, m_layout.cmdReset);
    for (int i = 0; i < 2; ++i) {
        PlaceInTwips(lblLapcount[i], m_layout.lblLapcount[i]);
        PlaceInTwips(txtLapCount[i], m_layout.txtLapCount[i]);
    }
    PlaceInTwips(chkAuto, m_layout.chkAuto);
    PlaceInTwips(chkDescending, m_layout.chkDescending);
}
