#include "recording/RaceCommands.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/MainMenus.h"
#include "records/DurableFile.h"
#include "records/PrintBibs.h"
#include "records/clsFile.h"
#include "results/PrintResults.h"
#include "results/RaceFiles.h"
#include "results/ResultsCsv.h"
#include "results/frmRaceSetup.h"
#include "results/frmTimer.h"
#include "support/FileDialog.h"

#include <QAction>
#include <QFileInfo>
#include <QPrinter>

namespace {

QString Caption() {
    return GetText(QStringLiteral("MKL_MAIN_CAPTION"));
}

QString ClockText(const QDateTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss.zzz"));
}

// The save dialog for the results: one kind of file, "race results" offered for "race.stn".
QString AskResultsPath(QWidget* owner, const char* typeKey, const QString& suffix, const QString& recordFile) {
    const QString suggested = GetText(QStringLiteral("MKL_PR_FILENAME"),
                                      {{QStringLiteral("[name]"), QFileInfo(recordFile).completeBaseName()}});
    FileDialog dialog;
    dialog.DialogTitle(GetText(QStringLiteral("GEN_FILEDIALOG_SAVE")));
    dialog.Filter1Suffix(QStringLiteral("*.") + suffix);
    dialog.Filter1Text(GetText(QLatin1String(typeKey)) + QStringLiteral(" (*.") + suffix + QLatin1Char(')'));
    dialog.DefaultExt(suffix);
    dialog.SuggestedName(suggested + QLatin1Char('.') + suffix);
    QString path = dialog.ShowSave(owner);
    // Every dialog adds the extension to a bare name, also one that does not do it itself.
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
        path += QLatin1Char('.') + suffix;
    return path;
}

} // namespace

RaceCommands::RaceCommands(Window window, const MainMenus& menus, QObject* parent)
    : QObject(parent), m_window(std::move(window)), m_exportResults(menus.mnuFile_ExportResults),
      m_printResults(menus.mnuFile_PrintResults), m_startNow(menus.mnuExtras_StartNow),
      m_raceSetup(menus.mnuExtras_RaceSetup), m_timerCommand(menus.mnuExtras_Timer) {
    connect(m_exportResults, &QAction::triggered, this, &RaceCommands::mnuFile_ExportResults_Click);
    connect(m_printResults, &QAction::triggered, this, &RaceCommands::mnuFile_PrintResults_Click);
    connect(m_startNow, &QAction::triggered, this, &RaceCommands::mnuExtras_StartNow_Click);
    connect(m_raceSetup, &QAction::triggered, this, &RaceCommands::mnuExtras_RaceSetup_Click);
    connect(m_timerCommand, &QAction::triggered, this, &RaceCommands::mnuExtras_Timer_Click);
    FollowRecordFile();
}

RaceCommands::~RaceCommands() {
    if (m_timer)
        m_timer->close(); // stores its position
}

QString RaceCommands::FileName() const {
    return m_window.records->FileName();
}

void RaceCommands::SetCaptions() {
    const std::pair<QAction*, const char*> captions[] = {
        {m_exportResults, "MKL_MNU_FILE_EXPORTRESULTS"}, {m_printResults, "MKL_MNU_FILE_PRINTRESULTS"},
        {m_startNow, "MKL_MNU_EXTRAS_STARTNOW"},         {m_raceSetup, "MKL_MNU_EXTRAS_RACESETUP"},
        {m_timerCommand, "MKL_MNU_EXTRAS_TIMER"},
    };
    for (const auto& [command, key] : captions)
        command->setText(GetText(QLatin1String(key)));
    if (m_timer)
        m_timer->SetCaptions();
}

void RaceCommands::RecordsChanged() {
    FollowRecordFile();
    if (m_timer)
        m_timer->RecordsChanged();
}

// A file beside the record file that cannot be read is no reason to keep the record file closed:
// what was read is used, and the status bar says what was not.
void RaceCommands::FollowRecordFile() {
    const QString file = FileName();
    for (QAction* command : {m_exportResults, m_printResults, m_startNow, m_raceSetup})
        command->setEnabled(!file.isEmpty());
    if (file == m_fileName)
        return;
    m_fileName = file;
    m_marks.Close();
    m_setup = RaceSetup();
    if (file.isEmpty())
        return;
    QStringList problems;
    try {
        m_marks.Open(file);
        for (qint32 line : m_marks.BadLines())
            AddBadLines({{m_marks.Path(), line}}, problems);
    } catch (const RaisedError& error) {
        problems << error.info().description;
    }
    try {
        const RaceSetupRead read = ReadRaceSetupFor(file);
        m_setup = read.setup;
        AddBadLines(read.badLines, problems);
    } catch (const RaisedError& error) {
        problems << error.info().description;
    }
    if (!problems.isEmpty())
        m_window.showState(problems.join(QStringLiteral(" ")));
}

RaceResult RaceCommands::Ranking() const {
    QStringList problems; // the start list's own problems were told when it was loaded
    const StartList names = ReadNamesFor(FileName(), problems);
    return RankRace({PassagesOf(*m_window.records), m_marks.All(), &names, m_setup});
}

void RaceCommands::mnuFile_ExportResults_Click() {
    ReportingErrors([this] {
        const QString target = AskResultsPath(m_window.window, "MKL_FILETYPE_CSV", QStringLiteral("csv"), FileName());
        if (target.isEmpty() || IsRecordFileOrBeside(target, FileName()))
            return;
        ReplaceDurably(target, ResultsCsv(Ranking()));
    });
    m_window.backToEntry();
}

void RaceCommands::mnuFile_PrintResults_Click() {
    ReportingErrors([this] {
        const RaceResult result = Ranking();
        const bool printer = PrinterAvailable();
        const QString text =
            GetText(printer ? QStringLiteral("MKL_MSG_PRINTRESULTS") : QStringLiteral("MKL_MSG_PRINTRESULTSPDF"));
        const bool categories = std::any_of(result.runners.begin(), result.runners.end(),
                                            [](const RankedRunner& runner) { return !runner.category.isEmpty(); });
        bool byCategory = false;
        if (categories) {
            const MsgAnswer answer =
                ShowMessage({text,
                             Caption(),
                             MsgIcon::Question,
                             MsgButtons::Choices,
                             {GetText(QStringLiteral("MKL_BTN_ONELIST")), GetText(QStringLiteral("MKL_BTN_BYCATEGORY")),
                              GetText(QStringLiteral("GEN_BTN_CANCEL"))}});
            if (answer != MsgAnswer::Choice1 && answer != MsgAnswer::Choice2)
                return;
            byCategory = answer == MsgAnswer::Choice2;
        } else if (ShowMessage({text, Caption(), MsgIcon::Question, MsgButtons::OkCancel}) != MsgAnswer::Ok) {
            return;
        }
        const QString title = ResultsTitle(FileName(), RaceDay(m_setup.start, *m_window.records));
        QPrinter output;
        if (!printer) {
            const QString pdf = AskResultsPath(m_window.window, "MKL_FILETYPE_PDF", QStringLiteral("pdf"), FileName());
            if (pdf.isEmpty())
                return;
            output.setOutputFormat(QPrinter::PdfFormat);
            output.setOutputFileName(pdf);
        }
        PrintResults(result, title, byCategory, output);
    });
    m_window.backToEntry();
}

// The start is the moment of the command, not of the answer: the box only guards against a key
// pressed by mistake, and its default button changes nothing.
void RaceCommands::mnuExtras_StartNow_Click() {
    const QDateTime moment = Now();
    ReportingErrors([this, &moment] {
        QString text = GetText(QStringLiteral("MKL_MSG_STARTNOW"), {{QStringLiteral("[time]"), ClockText(moment)}});
        if (m_setup.start.isValid())
            text += QStringLiteral("\n\n") + GetText(QStringLiteral("MKL_MSG_STARTREPLACES"),
                                                     {{QStringLiteral("[time]"), ClockText(m_setup.start)}});
        MessageRequest question{text, Caption(), MsgIcon::Question, MsgButtons::YesNo};
        question.safeDefault = true;
        if (ShowMessage(question) != MsgAnswer::Yes)
            return;
        RaceSetup changed = m_setup;
        changed.start = moment;
        SaveStartTimesFor(FileName(), changed);
        m_setup = changed;
        emit RaceChanged();
        m_window.showState(GetText(QStringLiteral("MKL_SB_STARTED"), {{QStringLiteral("[time]"), ClockText(moment)}}));
    });
    m_window.backToEntry();
}

void RaceCommands::mnuExtras_RaceSetup_Click() {
    ReportingErrors([this] {
        QStringList problems;
        QStringList categories;
        const StartList names = ReadNamesFor(FileName(), problems);
        for (const StartListEntry& entry : names.Entries()) {
            if (!entry.category.isEmpty() && !categories.contains(entry.category))
                categories << entry.category;
        }
        for (const QString& category : m_setup.waveStarts.keys() + m_setup.categoryLaps.keys()) {
            if (!categories.contains(category))
                categories << category;
        }
        std::optional<RaceSetup> changed;
        m_window.withoutCatching([&] { changed = frmRaceSetup(m_setup, categories, m_window.window).Ask(); });
        if (!changed)
            return;
        SaveStartTimesFor(FileName(), *changed);
        SaveLapsFor(FileName(), *changed);
        m_setup = *changed;
        emit RaceChanged();
        if (m_timer)
            m_timer->RecordsChanged();
    });
    m_window.backToEntry();
}

// One Timer window: it holds the timekeeper's key for the whole program.
void RaceCommands::mnuExtras_Timer_Click() {
    if (!m_timer) {
        m_timer = new frmTimer(
            m_marks, *m_window.records, [this] { return m_setup.start; }, m_window.window);
        connect(m_timer, &frmTimer::Alarm, this, [] { PlayAlarmSound(); });
        connect(m_timer, &frmTimer::MarksChanged, this, &RaceCommands::RaceChanged);
        m_timer->Form_Load();
    }
    m_timer->show();
    m_timer->raise();
    m_window.backToEntry();
}
