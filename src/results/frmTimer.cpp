#include "results/frmTimer.h"

#include "base/AccessibleNames.h"
#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "base/SaveWndPos.h"
#include "lang/clsLanguage.h"
#include "records/FileHelpers.h"
#include "records/clsFile.h"
#include "results/FinishMarks.h"
#include "results/MarkKeyFilter.h"
#include "results/MarkListModel.h"
#include "results/RaceFiles.h"
#include "results/TimerList.h"
#include "support/FileDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

template <typename Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A count in a text whose words follow it, in the form for one or for more.
QString CountText(const char* one, const char* more, qint32 count) {
    return GetText(QLatin1String(count == 1 ? one : more), {{QStringLiteral("[count]"), QString::number(count)}});
}

QString Caption() {
    return GetText(QStringLiteral("MKL_TM_CAPTION"));
}

} // namespace

frmTimer::frmTimer(FinishMarks& marks, const clsFile& records, std::function<QDateTime()> raceStart, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_marks(marks), m_records(records),
      m_raceStart(std::move(raceStart)) {
    setObjectName(QStringLiteral("frmTimer"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A click on the button must not take the keyboard from whoever types bibs meanwhile.
    setAttribute(Qt::WA_ShowWithoutActivating);
    cmdMark = Named(new QPushButton(this), "cmdMark");
    QFont big = cmdMark->font();
    big.setPointSize(24);
    big.setBold(true);
    cmdMark->setFont(big);
    cmdMark->setMinimumHeight(90);
    lblState = Named(new QLabel(this), "lblState");
    lblCount = Named(new QLabel(this), "lblCount");
    m_model = new MarkListModel(m_marks, m_records, this);
    tblMarks = Named(new QTableView(this), "tblMarks");
    tblMarks->setModel(m_model);
    tblMarks->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblMarks->setSelectionMode(QAbstractItemView::SingleSelection);
    tblMarks->verticalHeader()->hide();
    tblMarks->horizontalHeader()->setStretchLastSection(true);
    cmdInsert = Named(new QPushButton(this), "cmdInsert");
    cmdDelete = Named(new QPushButton(this), "cmdDelete");
    cmdImport = Named(new QPushButton(this), "cmdImport");

    auto* column = new QVBoxLayout(this);
    column->addWidget(cmdMark);
    column->addWidget(lblState);
    column->addWidget(lblCount);
    column->addWidget(tblMarks, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdInsert, cmdDelete, cmdImport})
        buttons->addWidget(button);
    column->addLayout(buttons);
    for (QWidget* control : findChildren<QWidget*>())
        control->setFocusPolicy(Qt::NoFocus);
    resize(460, 560);

    connect(cmdMark, &QPushButton::clicked, this, &frmTimer::TakeMark);
    connect(cmdInsert, &QPushButton::clicked, this, &frmTimer::cmdInsert_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTimer::cmdDelete_Click);
    connect(cmdImport, &QPushButton::clicked, this, &frmTimer::cmdImport_Click);
    m_keys = new MarkKeyFilter(
        MarkKeyFilter::KeyFromSetting(), [this] { TakeMark(); }, this);
    qApp->installEventFilter(m_keys);
}

frmTimer::~frmTimer() {
    qApp->removeEventFilter(m_keys);
}

void frmTimer::Form_Load() {
    SaveWndPos(this, WndPos::Restore);
    SetCaptions();
    RecordsChanged();
}

void frmTimer::closeEvent(QCloseEvent* event) {
    ReportingErrors([this] { SaveWndPos(this, WndPos::Save); });
    emit Unload();
    event->accept();
}

void frmTimer::SetCaptions() {
    setWindowTitle(Caption());
    const QString key = QKeySequence(MarkKeyFilter::KeyFromSetting()).toString(QKeySequence::NativeText);
    cmdMark->setText(GetText(QStringLiteral("MKL_TM_MARK"), {{QStringLiteral("[key]"), key}}));
    cmdInsert->setText(GetText(QStringLiteral("MKL_TM_INSERT")));
    cmdDelete->setText(GetText(QStringLiteral("MKL_TM_DELETE")));
    cmdImport->setText(GetText(QStringLiteral("MKL_TM_IMPORT")));
    m_model->Refresh();
    RecordsChanged();
    ApplyAccessibleNames(this);
}

void frmTimer::RecordsChanged() {
    m_model->Refresh();
    const qint32 marks = m_marks.Count();
    const qint32 passages = m_records.Count();
    QString count =
        GetText(QStringLiteral("MKL_TM_COUNT"), {{QStringLiteral("[marks]"), QString::number(marks)},
                                                 {QStringLiteral("[passages]"), QString::number(passages)}});
    count += QStringLiteral(" - ") +
             (marks == passages  ? GetText(QStringLiteral("MKL_TM_PAIRED"))
              : marks < passages ? CountText("MKL_TM_MOREPASSAGES_1", "MKL_TM_MOREPASSAGES_N", passages - marks)
                                 : CountText("MKL_TM_MOREMARKS_1", "MKL_TM_MOREMARKS_N", marks - passages));
    lblCount->setText(count);
    lblCount->setStyleSheet(marks == passages ? QString() : QStringLiteral("color: #b00000"));
    if (marks > 0)
        tblMarks->scrollTo(m_model->index(marks - 1, 0));
}

void frmTimer::ShowState(const QString& text, bool fault) {
    lblState->setText(text);
    lblState->setStyleSheet(fault ? QStringLiteral("color: #b00000; font-weight: bold") : QString());
}

void frmTimer::TakeMark() {
    const QDateTime now = Now();
    if (!m_marks.IsOpen()) {
        ShowState(GetText(QStringLiteral("MKL_TM_NOFILE")), true);
        emit Alarm();
        return;
    }
    try {
        m_marks.Append(now);
        ShowState(GetText(QStringLiteral("MKL_TM_SAVED"),
                          {{QStringLiteral("[number]"), QString::number(m_marks.Count())},
                           {QStringLiteral("[time]"), now.toString(QStringLiteral("HH:mm:ss.zzz"))}}),
                  false);
    } catch (const RaisedError& error) {
        // Kept in memory and written with the next change; the timekeeper goes on marking.
        LogError(error.info());
        ShowState(
            GetText(QStringLiteral("MKL_TM_NOTSAVED"), {{QStringLiteral("[number]"), QString::number(m_marks.Count())},
                                                        {QStringLiteral("[reason]"), error.info().description}}),
            true);
        emit Alarm();
    }
    RecordsChanged();
    emit MarksChanged();
}

qint32 frmTimer::SelectedRow() const {
    const QModelIndex current = tblMarks->currentIndex();
    return current.isValid() ? current.row() : -1;
}

template <typename Change> void frmTimer::ChangeMarks(Change change) {
    ReportingErrors([this, &change] {
        if (!m_marks.IsOpen())
            Raise(ErrorNumber::FileNotFound, GetText(QStringLiteral("MKL_TM_NOFILE")));
        change();
    });
    RecordsChanged();
    emit MarksChanged();
}

void frmTimer::cmdInsert_Click() {
    const qint32 row = SelectedRow();
    ChangeMarks([this, row] { m_marks.InsertEmpty(row < 0 ? m_marks.Count() : row); });
}

void frmTimer::cmdDelete_Click() {
    const qint32 row = SelectedRow();
    if (row < 0 || row >= m_marks.Count())
        return;
    const QDateTime mark = m_marks.All()[row];
    const QString text =
        GetText(QStringLiteral("MKL_TM_DELETEQUESTION"),
                {{QStringLiteral("[number]"), QString::number(row + 1)},
                 {QStringLiteral("[time]"), mark.isValid() ? mark.toString(QStringLiteral("HH:mm:ss.zzz"))
                                                           : GetText(QStringLiteral("MKL_TM_EMPTYMARK"))}});
    if (ShowMessage({text, Caption(), MsgIcon::Question, MsgButtons::YesNo}) == MsgAnswer::Yes)
        ChangeMarks([this, row] { m_marks.Remove(row); });
}

// The times of a timer's list replace the marks, once the operator has said what they are.
void frmTimer::cmdImport_Click() {
    ChangeMarks([this] {
        FileDialog dialog;
        dialog.DialogTitle(GetText(QStringLiteral("GEN_FILEDIALOG_OPEN")));
        dialog.Filter1Suffix(QStringLiteral("*.txt *.csv"));
        dialog.Filter1Text(GetText(QStringLiteral("MKL_FILETYPE_TEXT")) + QStringLiteral(" (*.txt *.csv)"));
        const QString path = dialog.ShowOpen(this);
        if (path.isEmpty())
            return;
        const TimerList list = ParseTimerList(ReadWholeFile(path));
        if (list.entries.isEmpty())
            Raise(ErrorNumber::InvalidFileFormat,
                  GetText(QStringLiteral("MKL_TM_IMPORTEMPTY"),
                          {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)}}));
        QStringList bad;
        for (qint32 line : list.badLines)
            bad << QString::number(line);
        QString text = GetText(QStringLiteral("MKL_TM_IMPORTQUESTION"),
                               {{QStringLiteral("[count]"), QString::number(list.entries.size())},
                                {QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)},
                                {QStringLiteral("[marks]"), QString::number(m_marks.Count())}});
        if (!bad.isEmpty())
            text += QStringLiteral("\n\n") + GetText(QStringLiteral("MKL_TM_IMPORTBAD"),
                                                     {{QStringLiteral("[lines]"), bad.join(QStringLiteral(", "))}});
        QStringList choices = {GetText(QStringLiteral("MKL_TM_TIMESOFDAY")), GetText(QStringLiteral("MKL_TM_ELAPSED")),
                               GetText(QStringLiteral("GEN_BTN_CANCEL"))};
        const MsgAnswer answer = ShowMessage({text, Caption(), MsgIcon::Question, MsgButtons::Choices, choices});
        if (answer != MsgAnswer::Choice1 && answer != MsgAnswer::Choice2)
            return;
        const bool elapsed = answer == MsgAnswer::Choice2;
        if (elapsed && list.HasClockReadings() && !m_raceStart().isValid())
            Raise(ErrorNumber::InvalidFileFormat, GetText(QStringLiteral("MKL_TM_NOSTART")));
        m_marks.ReplaceAll(TimerListMarks(list, elapsed, RaceDay(m_raceStart(), m_records), m_raceStart()));
        ShowState(CountText("MKL_TM_IMPORTED_1", "MKL_TM_IMPORTED_N", m_marks.Count()), false);
    });
}
