// The Extras and Help menus: lap counter, scan display, time column, language, About and the user
// guide.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "base/Settings.h"
#include "board/LapBoardServer.h"
#include "display/frmDisplay.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/FocusCatcher.h"
#include "recording/RaceCommands.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"
#include "support/frmAbout.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

void frmMain::ConnectExtrasCommands() {
    for (QAction* entry : m_menus.mnuLangSelect)
        connect(entry, &QAction::triggered, this, [this, entry] { mnuLangSelect_Click(entry); });
    connect(m_menus.mnuExtras_LapCounter, &QAction::triggered, this, &frmMain::mnuExtras_LapCounter_Click);
    connect(m_menus.mnuExtras_Display, &QAction::triggered, this, &frmMain::mnuExtras_Display_Click);
    connect(m_menus.mnuExtras_ShowTimes, &QAction::toggled, this, &frmMain::ShowGridColumns);
    connect(m_menus.mnuExtras_LapBoard, &QAction::triggered, this, &frmMain::mnuExtras_LapBoard_Click);
    connect(m_menus.mnuHelp_About, &QAction::triggered, this, &frmMain::mnuHelp_About_Click);
    connect(m_menus.mnuHelp_Wiki, &QAction::triggered, this, &frmMain::mnuHelp_Wiki_Click);
}

// A new lap counter at every use; only the newest is refreshed with the records.
void frmMain::mnuExtras_LapCounter_Click() {
    ReportingErrors([this] {
        auto* lapCounter = new frmLapcounter(RecordFile, this, this);
        lapCounter->SetNameLookup(NameLookup());
        m_lapCounter = lapCounter;
        connect(lapCounter, &frmLapcounter::Unload, this, [this, lapCounter] {
            if (m_lapCounter == lapCounter)
                frmLapcounter_Unload();
        });
        lapCounter->Form_Load();
        lapCounter->show();
        activateWindow();
        if (txtEnter->isVisible())
            txtEnter->setFocus();
    });
}

void frmMain::frmLapcounter_Unload() {
    m_lapCounter = nullptr;
    // The window stored its fields; the board shows all passages with them from now on.
    if (m_board && m_board->IsRunning())
        ReadBoardView();
}

void frmMain::RecordsChanged() {
    if (m_lapCounter)
        m_lapCounter->RecordsChanged();
    m_race->RecordsChanged();
    KeepBoardInStep();
}

// A new display at every use; a display opened before stays open on its own.
void frmMain::mnuExtras_Display_Click() {
    ReportingErrors([this] {
        auto* display = new frmDisplay(this);
        m_display = display;
        connect(display, &frmDisplay::Unload, this, [this, display] {
            if (m_display == display)
                frmDisplay_Unload();
        });
        display->Form_Load();
        display->show();
    });
}

void frmMain::frmDisplay_Unload() {
    m_display = nullptr;
}

// Focus catching would pull the focus away from the About window, so it pauses meanwhile.
void frmMain::mnuHelp_About_Click() {
    ReportingErrors([this] {
        m_focusCatcher->WithoutCatching([this] {
            frmAbout about(this);
            const ModalScope modal;
            about.exec();
        });
    });
}

void frmMain::mnuHelp_Wiki_Click() {
    ReportingErrors(
        [this] { StartDoc(HelpAddress(QStringLiteral("MARKLOG")), this, QString(), QStringLiteral("C:\\")); });
}

void frmMain::mnuLangSelect_Click(QAction* entry) {
    ReportingErrors([this, entry] {
        const QString id = entry->property("tag").toString();
        gLanguage->SetLanguage(id);
        WriteSetting(QStringLiteral("Language"), id);
        SetCaptions();
    });
}
