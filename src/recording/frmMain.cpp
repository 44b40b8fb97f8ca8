#include "recording/frmMain.h"

#include "base/AccessibleNames.h"
#include "base/ErrorHandler.h"
#include "base/SaveWndPos.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "board/LapBoardHost.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AlarmBand.h"
#include "recording/BarcodeScanner.h"
#include "recording/EntryBox.h"
#include "recording/FocusCatcher.h"
#include "recording/MainStatusBar.h"
#include "recording/RaceCommands.h"
#include "recording/SecondaryWindows.h"
#include "recording/StartListHost.h"
#include "recording/WriteFaults.h"
#include "support/HelpAddress.h"
#include "support/ctlWiki.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

template <typename Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Seconds within which a bib typed again is pointed out; an empty or unreadable value gives the
// default, 0 turns the warning off.
int RepeatWarnSecondsSetting() {
    bool ok = false;
    const int seconds = ReadSetting(QStringLiteral("RepeatWarnSeconds")).toString().trimmed().toInt(&ok);
    return ok && seconds >= 0 ? seconds : frmMain::kDefaultRepeatWarnSeconds;
}

} // namespace

frmMain::frmMain(const QString& commandLine, QWidget* parent) : QMainWindow(parent), m_commandLine(commandLine) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ConnectHandlers();
    resize(TwipsToPixelsX(kMainDesignWidth, this),
           TwipsToPixelsY(kMainDesignHeight, this) + menuBar()->sizeHint().height());
    ShowFileControls(false);
}

frmMain::~frmMain() {
    // Destroyed without being closed: the secondary windows still store their settings while this
    // window can still take their Unload.
    m_secondary->CloseAll();
}

void frmMain::BuildControls() {
    m_menus = BuildMainMenus(menuBar());
    m_client = Named(new QWidget(this), "Client");
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    txtEnter = new EntryBox(m_client);

    fraFrame = Named(new QFrame(m_client), "fraFrame");
    cmdEnter = Named(new QPushButton(fraFrame), "cmdEnter");
    chkBeep = Named(new QCheckBox(fraFrame), "chkBeep");
    chkCatch = Named(new QCheckBox(fraFrame), "chkCatch");
    chkDouble = Named(new QCheckBox(fraFrame), "chkDouble");
    const int checkHeight = TwipsToPixelsY(300, this);
    chkBeep->setGeometry(TwipsToPixelsX(120, this), TwipsToPixelsY(120, this), TwipsToPixelsX(1400, this), checkHeight);
    chkCatch->setGeometry(TwipsToPixelsX(120, this), TwipsToPixelsY(480, this), TwipsToPixelsX(1400, this),
                          checkHeight);
    chkDouble->setGeometry(TwipsToPixelsX(120, this), TwipsToPixelsY(840, this), TwipsToPixelsX(1400, this),
                           checkHeight);

    Grid = Named(new ctlGrid(m_client), "Grid");
    Wiki = Named(new ctlWiki(m_client), "Wiki");
    lblStart = Named(new QLabel(m_client), "lblStart");
    lblStart->setWordWrap(true);
    m_band = new AlarmBand(m_client); // over the controls: made last

    StatusBar = new MainStatusBar(this);
    StatusBar->setFixedHeight(TwipsToPixelsY(m_layout.statusBarHeight, this));
    setStatusBar(StatusBar);
    m_faults = new WriteFaults(RecordFile, *m_band, *StatusBar, this);
    // A timer rather than a posted call: starting it from the window's own thread needs no wake-up
    // of the event loop, a system call less before the next bib.
    m_showPassages = new QTimer(this);
    m_showPassages->setSingleShot(true);
    m_showPassages->setInterval(0);
    connect(m_showPassages, &QTimer::timeout, this, &frmMain::ShowRecordedPassages);

    m_scanner = new BarcodeScanner([this](const ScannedCode& code) { RecordScan(code); }, this);
    m_focusCatcher = new FocusCatcher(this, chkCatch, txtEnter, this);
    m_board = new LapBoardHost(RecordFile, this);
    const auto withoutCatching = [this](const std::function<void()>& dialog) {
        m_focusCatcher->WithoutCatching(dialog);
    };
    m_startList = new StartListHost(RecordFile, this, withoutCatching);
    m_race = new RaceCommands({this, &RecordFile, [this](const QString& text) { StatusBar->ShowStateText(text); },
                               withoutCatching,
                               [this] {
                                   if (txtEnter->isVisible())
                                       txtEnter->setFocus();
                               }},
                              m_menus, this);
    m_secondary = new SecondaryWindows(RecordFile, *m_board, this);
    m_board->SetRace([this] { return RaceInput{{}, m_race->Marks(), &m_startList->List(), m_race->Setup()}; });
    ApplyLayout();
}

void frmMain::ConnectHandlers() {
    connect(m_menus.mnuFile_Exit, &QAction::triggered, this, &QWidget::close);
    connect(txtEnter, &EntryBox::EnterPressed, this, &frmMain::cmdEnter_Click);
    connect(cmdEnter, &QPushButton::clicked, this, &frmMain::cmdEnter_Click);
    txtEnter->SetHints([this](const QString& typed) { return m_startList->NotListedHint(typed); },
                       [this](const QString& typed) { return RepeatHint(typed); });
    ConnectFileCommands();
    ConnectExtrasCommands();
    connect(chkBeep, &QCheckBox::clicked, txtEnter, qOverload<>(&QWidget::setFocus));
    connect(m_menus.mnuExtras_BarcodeScanner, &QAction::triggered, this, [this] {
        if (m_scanner->mnuExtras_BarcodeScanner_Click(this) &&
            StatusBar->StateKey() == QLatin1String("MKL_SB_SCANNEROFF"))
            StatusBar->ShowState(QString());
    });
    connect(m_scanner, &BarcodeScanner::ScannerLost, StatusBar, &MainStatusBar::ShowStateText);
    connect(m_scanner, &BarcodeScanner::ScannerBack, StatusBar, &MainStatusBar::ShowStateText);
    connect(m_scanner, &BarcodeScanner::ScannerAlarm, m_faults, &WriteFaults::ScannerAlarm);
    connect(m_scanner, &BarcodeScanner::ScannerBack, m_faults, &WriteFaults::ScannerBack);
    connect(m_scanner, &BarcodeScanner::ScansHeld, StatusBar,
            [this](int count) { StatusBar->ShowStateText(GetCountText(QStringLiteral("MKL_SB_SCANSHELD"), count)); });
    connect(m_focusCatcher, &FocusCatcher::CatchLimited, StatusBar, &MainStatusBar::ShowStateText);
    connect(m_board, &LapBoardHost::Failed, StatusBar, &MainStatusBar::ShowStateText);
    connect(m_race, &RaceCommands::RaceChanged, m_board, &LapBoardHost::RaceChanged);
}

void frmMain::Form_Load() {
    ReportingErrors([this] {
        const QSize designSize = size();
        SaveWndPos(this, WndPos::Restore);
        if (gLanguage) {
            QList<MenuEntry> languages;
            for (const clsLanguage::Language& language : gLanguage->Languages())
                languages.append({language.name, language.id});
            ShowEntries(m_menus.mnuLangSelect, languages);
            gLanguage->SetLanguage(ReadSetting(QStringLiteral("Language")).toString());
        }
        SetCaptions();
        // The menu bar's height is known once its menus have their captions.
        if (size() == designSize)
            resize(width(), TwipsToPixelsY(kMainDesignHeight, this) + menuBar()->sizeHint().height());
        ShowRecentFiles(m_menus);
        chkBeep->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("Beeper"))));
        chkCatch->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("CatchFocus"))));
        m_menus.mnuExtras_ShowTimes->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("ShowTimes"))));
        m_repeatWarnSeconds = RepeatWarnSecondsSetting();
        m_focusCatcher->chkCatch_Click();
        // The scanner's port is never opened by itself: the port number is shared with the
        // family's other programs, one of which may use that port now. The operator is told.
        if (BarcodeScanner::WasOnWhenLastEnded())
            StatusBar->ShowState(QStringLiteral("MKL_SB_SCANNEROFF"));
        if (!m_commandLine.isEmpty())
            OpenCommandLineFile();
        m_board->ResumeFromSettings();
    });
}

bool frmMain::Form_Unload() {
    // A record file that could not be closed keeps the window open.
    bool closed = false;
    if (!ReportingErrors([this, &closed] { closed = CloseRecordFile(); }) || !closed)
        return false;
    m_secondary->CloseAll();
    ReportingFirstError({
        [this] { SaveWndPos(this, WndPos::Save); },
        [this] { WriteSetting(QStringLiteral("Beeper"), CheckBoxValue(chkBeep->isChecked())); },
        [this] { WriteSetting(QStringLiteral("CatchFocus"), CheckBoxValue(chkCatch->isChecked())); },
        [this] { m_scanner->RememberState(); },
        [this] { WriteSetting(QStringLiteral("ShowTimes"), CheckBoxValue(m_menus.mnuExtras_ShowTimes->isChecked())); },
        [this] { WriteSetting(QStringLiteral("RepeatWarnSeconds"), QString::number(m_repeatWarnSeconds)); },
    });
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Exit while the question about the unsaved list is open waits for its answer.
    if (m_faults->AskingToLeave()) {
        event->ignore();
        return;
    }
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}

void frmMain::SetCaptions() {
    setWindowTitle(GetText(QStringLiteral("MKL_MAIN_CAPTION")));
    const std::pair<QObject*, const char*> captions[] = {
        {m_menus.mnuFile, "GEN_MNU_FILE"},
        {m_menus.mnuFile_New, "GEN_MNU_FILE_NEW"},
        {m_menus.mnuFile_Open, "MKL_MNU_FILE_OPEN"},
        {m_menus.mnuFile_Export, "MKL_MNU_FILE_EXPORT"},
        {m_menus.mnuFile_StartList, "MKL_MNU_FILE_STARTLIST"},
        {m_menus.mnuFile_StartListRemove, "MKL_MNU_FILE_STARTLISTREMOVE"},
        {m_menus.mnuFile_ExportPassages, "MKL_MNU_FILE_EXPORTPASSAGES"},
        {m_menus.mnuFile_CompareBackup, "MKL_MNU_FILE_COMPAREBACKUP"},
        {m_menus.mnuFile_Close, "GEN_MNU_FILE_CLOSE"},
        {m_menus.mnuFile_Print, "GEN_MNU_FILE_PRINT"},
        {m_menus.mnuFile_Exit, "GEN_MNU_FILE_END"},
        {m_menus.mnuExtras, "GEN_MNU_EXTRAS"},
        {m_menus.mnuExtras_LapCounter, "MKL_MNU_EXTRAS_LAPCOUNTER"},
        {m_menus.mnuExtras_Display, "MKL_MNU_EXTRAS_DISPLAY"},
        {m_menus.mnuExtras_LapBoard, "MKL_MNU_EXTRAS_LAPBOARD"},
        {m_menus.mnuExtras_BarcodeScanner, "MKL_MNU_EXTRAS_BARCODESCANNER"},
        {m_menus.mnuExtras_ShowTimes, "MKL_MNU_EXTRAS_SHOWTIMES"},
        {m_menus.mnuLanguage, "GEN_MNU_LANGUAGE"},
        {m_menus.mnuHelp, "GEN_MNU_INFO_HELP"},
        {m_menus.mnuHelp_About, "GEN_MNU_HELP_ABOUT"},
        {m_menus.mnuHelp_Wiki, WikiConfigured() ? "GEN_MNU_HELP_WIKI" : "MKL_MNU_HELP_GUIDE"},
        {cmdEnter, "MKL_CMDENTER"},
        {chkBeep, "MKL_CHKBEEP"},
        {chkCatch, "MKL_CHKCATCH"},
        {chkDouble, "MKL_CHKDOUBLE"},
    };
    for (const auto& [control, key] : captions) {
        const QString text = GetText(QLatin1String(key));
        if (auto* menu = qobject_cast<QMenu*>(control))
            menu->setTitle(text);
        else
            control->setProperty("text", text);
    }
    Grid->SetCaptions();
    m_race->SetCaptions();
    ApplyStartList(); // the hints in the entry box follow
    ShowOverlongScans();
    const auto plain = [](const QString& caption) { return QString(caption).remove(QLatin1Char('&')); };
    StatusBar->SetScannerMenu(plain(m_menus.mnuExtras->title()) + QStringLiteral(" > ") +
                              plain(m_menus.mnuExtras_BarcodeScanner->text()));
    StatusBar->Rebuild(RecordCountText(),
                       GetText(QStringLiteral("MKL_SB_VERSION")) + QStringLiteral(": ") + VersionText());
    m_secondary->SetCaptions();
    m_board->SetCaptions();
    Wiki->Init(GetText(WikiConfigured() ? QStringLiteral("MKL_WIKITEXT") : QStringLiteral("MKL_GUIDETEXT")),
               QStringLiteral("MARKLOG"));
    lblStart->setText(
        GetText(QStringLiteral("MKL_STARTHINT"),
                {{QStringLiteral("[newkey]"), m_menus.mnuFile_New->shortcut().toString(QKeySequence::NativeText)},
                 {QStringLiteral("[openkey]"), m_menus.mnuFile_Open->shortcut().toString(QKeySequence::NativeText)}}));
    ApplyLayout();
    ApplyAccessibleNames(this);
    UpdateCaption(); // the file's name stays in the title
}

void frmMain::ShowFileControls(bool open) {
    for (QWidget* control : std::initializer_list<QWidget*>{Grid, fraFrame, txtEnter, StatusBar})
        control->setVisible(open);
    for (QAction* command : {m_menus.mnuFile_Close, m_menus.mnuFile_Print, m_menus.mnuFile_Export,
                             m_menus.mnuFile_StartList, m_menus.mnuFile_ExportPassages, m_menus.mnuFile_CompareBackup})
        command->setEnabled(open);
    m_menus.mnuFile_StartListRemove->setEnabled(open && !m_startList->IsEmpty());
    Wiki->setVisible(!open);
    lblStart->setVisible(!open);
    txtEnter->ShowHints();
    m_focusCatcher->FollowFileState(open);
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11) {
        if (txtEnter->isVisible())
            txtEnter->setFocus();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// The controls follow their area, which the window's size decides.
bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        ApplyLayout();
    return QMainWindow::eventFilter(watched, event);
}

// The layout works on the inner area below the menu bar, status bar included. The bar counts as
// soon as it is to be shown: the window's layout gives it its room before it becomes visible, and
// a window not shown yet shows none of its controls.
void frmMain::ApplyLayout() {
    const double W = PixelsToTwipsX(m_client->width(), this);
    const double H = PixelsToTwipsY(m_client->height() + (StatusBar->isHidden() ? 0 : StatusBar->height()), this);
    ArrangeMainLayout(m_layout, W, H);
    PlaceInTwips(txtEnter, m_layout.txtEnter);
    PlaceInTwips(fraFrame, m_layout.fraFrame);
    PlaceInTwips(cmdEnter, m_layout.cmdEnter);
    PlaceInTwips(Grid, m_layout.Grid);
    PlaceInTwips(Wiki, m_layout.Wiki);
    PlaceInTwips(lblStart, m_layout.lblStart);
    if (m_layout.txtEnterFontSize > 0) {
        QFont font = txtEnter->font();
        font.setPointSizeF(m_layout.txtEnterFontSize);
        txtEnter->setFont(font);
    }
    // The alarm band takes the room above the entry box's digits, across the box and the frame.
    const int aboveDigits = (txtEnter->height() - QFontMetrics(txtEnter->font()).height()) / 2;
    m_band->PlaceIn(
        QRect(txtEnter->pos(), QPoint(fraFrame->geometry().right(),
                                      txtEnter->y() + std::max(aboveDigits, m_band->fontMetrics().height() * 2))));
}
