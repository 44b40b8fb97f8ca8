#include "recording/frmMain.h"

#include "app/ErrorHandler.h"
#include "app/SaveWndPos.h"
#include "app/Settings.h"
#include "app/Twips.h"
#include "display/frmDisplay.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/BarcodeScanner.h"
#include "recording/EntryKeyFilter.h"
#include "recording/FocusCatcher.h"
#include "recording/MainStatusBar.h"
#include "support/AccessibleNames.h"
#include "support/clsRecentFiles.h"
#include "support/ctlWiki.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace {

void Place(QWidget* widget, const TwipRect& rect) {
    widget->setGeometry(TwipsToPixelsX(rect.left, widget), TwipsToPixelsY(rect.top, widget),
                        qMax(0, TwipsToPixelsX(rect.width, widget)), qMax(0, TwipsToPixelsY(rect.height, widget)));
}

template <typename Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
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
    // A window destroyed without closing (for example at process exit) still releases the
    // language component it created.
    if (m_loaded && gLanguage) {
        delete gLanguage;
        gLanguage = nullptr;
    }
}

void frmMain::BuildControls() {
    m_menus = BuildMainMenus(menuBar());
    m_client = Named(new QWidget(this), "Client");
    setCentralWidget(m_client);

    txtEnter = Named(new QLineEdit(m_client), "txtEnter");
    txtEnter->setMaxLength(8);
    QFont entryFont(QStringLiteral("Times New Roman"), 48);
    entryFont.setStyleHint(QFont::Serif);
    txtEnter->setFont(entryFont);
    lblNotListed = Named(new QLabel(txtEnter), "lblNotListed");
    lblNotListed->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblNotListed->setStyleSheet(QStringLiteral("color: #b04000")); // dark orange: a warning, not an error
    lblNotListed->hide();

    fraFrame = Named(new QFrame(m_client), "fraFrame");
    cmdEnter = Named(new QPushButton(QStringLiteral("Speichern"), fraFrame), "cmdEnter");
    chkBeep = Named(new QCheckBox(QStringLiteral("Piepsen"), fraFrame), "chkBeep");
    chkCatch = Named(new QCheckBox(QStringLiteral("Fokus fangen"), fraFrame), "chkCatch");
    chkDouble = Named(new QCheckBox(QStringLiteral("Doppelte"), fraFrame), "chkDouble");
    const int checkHeight = TwipsToPixelsY(300, this);
    chkBeep->setGeometry(TwipsToPixelsX(120, this), TwipsToPixelsY(120, this), TwipsToPixelsX(1400, this), checkHeight);
    chkCatch->setGeometry(TwipsToPixelsX(120, this), TwipsToPixelsY(480, this), TwipsToPixelsX(1400, this),
                          checkHeight);
    chkDouble->setGeometry(TwipsToPixelsX(120, this), TwipsToPixelsY(840, this), TwipsToPixelsX(1400, this),
                           checkHeight);

    Grid = Named(new ctlGrid(m_client), "Grid");
    Wiki = Named(new ctlWiki(m_client), "Wiki");

    StatusBar = new MainStatusBar(this);
    StatusBar->setFixedHeight(TwipsToPixelsY(m_layout.statusBarHeight, this));
    setStatusBar(StatusBar);

    tmrBarcode = Named(new QTimer(this), "tmrBarcode");
    tmrBarcode->setInterval(20);
    tmrCatch = Named(new QTimer(this), "tmrCatch");
    tmrCatch->setInterval(50);
    m_scanner = new BarcodeScanner(
        tmrBarcode, txtEnter, [this] { cmdEnter_Click(); }, this);
    m_focusCatcher = new FocusCatcher(this, chkCatch, tmrCatch, txtEnter, this);
    ApplyLayout();
}

void frmMain::ConnectHandlers() {
    connect(m_menus.mnuFile_Exit, &QAction::triggered, this, &QWidget::close);
    txtEnter->installEventFilter(new EntryKeyFilter([this] { cmdEnter_Click(); }, this));
    connect(cmdEnter, &QPushButton::clicked, this, &frmMain::cmdEnter_Click);
    ConnectFileCommands();
    ConnectStartListCommands();
    ConnectExtrasCommands();
    connect(chkBeep, &QCheckBox::clicked, this, &frmMain::chkBeep_Click);
    connect(m_menus.mnuExtras_BarcodeScanner, &QAction::triggered, this,
            [this] { m_scanner->mnuExtras_BarcodeScanner_Click(this); });
    const auto showState = [this](const QString& text) { StatusBar->SetPanelText(2, text); };
    connect(m_scanner, &BarcodeScanner::ScannerLost, this, showState);
    connect(m_scanner, &BarcodeScanner::ScannerBack, this, showState);
    connect(m_focusCatcher, &FocusCatcher::CatchLimited, this, showState);
}

void frmMain::Form_Load() {
    try {
        SaveWndPos(this, 1);
        gLanguage = new clsLanguage;
        m_loaded = true;
        gLanguage->Initialize();
        gLanguage->AttachWindow(this);
        gLanguage->SetLanguage(ReadSetting(QStringLiteral("Language")).toString());
        SetCaptions();
        clsRecentFiles recent;
        recent.OwnerForm = this;
        recent.ReadRecentFiles();
        chkBeep->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("Beeper"))));
        chkCatch->setChecked(IsCheckedValue(ReadSetting(QStringLiteral("CatchFocus"))));
        m_focusCatcher->chkCatch_Click();
        if (!m_commandLine.isEmpty())
            OpenCommandLineFile();
        m_scanner->ResumeFromSettings();
    } catch (const RaisedError& error) {
        ReportError(error.info());
    }
}

bool frmMain::Form_Unload() {
    try {
        if (!CloseRecordFile())
            return false;
        SaveWndPos(this, 0);
        WriteSetting(QStringLiteral("Beeper"), CheckBoxValue(chkBeep->isChecked()));
        WriteSetting(QStringLiteral("CatchFocus"), CheckBoxValue(chkCatch->isChecked()));
        if (m_loaded) {
            delete gLanguage;
            gLanguage = nullptr;
            m_loaded = false;
        }
    } catch (const RaisedError& error) {
        ReportError(error.info());
    }
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}

void frmMain::SetCaptions() {
    try {
        setWindowTitle(GetText(QStringLiteral("MKL_MAIN_CAPTION")));
        const std::pair<QObject*, const char*> captions[] = {
            {m_menus.mnuFile, "GEN_MNU_FILE"},
            {m_menus.mnuFile_New, "GEN_MNU_FILE_NEW"},
            {m_menus.mnuFile_Open, "MKL_MNU_FILE_OPEN"},
            {m_menus.mnuFile_Export, "MKL_MNU_FILE_EXPORT"},
            {m_menus.mnuFile_StartList, "MKL_MNU_FILE_STARTLIST"},
            {m_menus.mnuFile_StartListRemove, "MKL_MNU_FILE_STARTLISTREMOVE"},
            {m_menus.mnuFile_ExportResults, "MKL_MNU_FILE_EXPORTRESULTS"},
            {m_menus.mnuFile_Close, "GEN_MNU_FILE_CLOSE"},
            {m_menus.mnuFile_Print, "GEN_MNU_FILE_PRINT"},
            {m_menus.mnuFile_Exit, "GEN_MNU_FILE_END"},
            {m_menus.mnuExtras, "GEN_MNU_EXTRAS"},
            {m_menus.mnuExtras_LapCounter, "MKL_MNU_EXTRAS_LAPCOUNTER"},
            {m_menus.mnuExtras_Display, "MKL_MNU_EXTRAS_DISPLAY"},
            {m_menus.mnuExtras_BarcodeScanner, "MKL_MNU_EXTRAS_BARCODESCANNER"},
            {m_menus.mnuLanguage, "GEN_MNU_LANGUAGE"},
            {m_menus.mnuHelp, "GEN_MNU_INFO_HELP"},
            {m_menus.mnuHelp_About, "GEN_MNU_HELP_ABOUT"},
            {m_menus.mnuHelp_Wiki, "GEN_MNU_HELP_WIKI"},
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
        ApplyStartList();
        StatusBar->Rebuild(RecordCountText(),
                           GetText(QStringLiteral("MKL_SB_VERSION")) + QStringLiteral(": ") + VersionText());
        if (m_lapCounter)
            m_lapCounter->SetCaptions();
        if (m_display)
            m_display->SetCaptions();
        Wiki->Init(GetText(QStringLiteral("MKL_WIKITEXT")), QStringLiteral("MARKLOG"));
        ApplyLayout();
        ApplyAccessibleNames(this);
    } catch (const RaisedError& error) {
        ReportError(error.info());
    }
}

void frmMain::ShowFileControls(bool open) {
    for (QWidget* control : std::initializer_list<QWidget*>{Grid, fraFrame, txtEnter, StatusBar})
        control->setVisible(open);
    for (QAction* command : {m_menus.mnuFile_Close, m_menus.mnuFile_Print, m_menus.mnuFile_Export,
                             m_menus.mnuFile_StartList, m_menus.mnuFile_ExportResults})
        command->setEnabled(open);
    m_menus.mnuFile_StartListRemove->setEnabled(open && !m_startList.IsEmpty());
    Wiki->setVisible(!open);
    m_focusCatcher->FollowFileState(open);
}

void frmMain::chkBeep_Click() {
    txtEnter->setFocus();
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11) {
        if (txtEnter->isVisible())
            txtEnter->setFocus();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ApplyLayout();
}

// The layout works on the inner area below the menu bar, status bar included.
void frmMain::ApplyLayout() {
    const double W = PixelsToTwipsX(m_client->width(), this);
    const double H = PixelsToTwipsY(m_client->height() + (StatusBar->isVisible() ? StatusBar->height() : 0), this);
    ArrangeMainLayout(m_layout, W, H);
    Place(txtEnter, m_layout.txtEnter);
    PlaceNotListedHint();
    Place(fraFrame, m_layout.fraFrame);
    Place(cmdEnter, m_layout.cmdEnter);
    Place(Grid, m_layout.Grid);
    Place(Wiki, m_layout.Wiki);
    if (m_layout.txtEnterFontSize > 0) {
        QFont font = txtEnter->font();
        font.setPointSizeF(m_layout.txtEnterFontSize);
        txtEnter->setFont(font);
    }
}
