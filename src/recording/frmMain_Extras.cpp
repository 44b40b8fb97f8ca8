// The Extras and Help menus: lap counter, scan display, lap board, time column, language, About
// and the user guide.
#include "recording/frmMain.h"

#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "base/Settings.h"
#include "board/LapBoardHost.h"
#include "lang/clsLanguage.h"
#include "recording/EntryBox.h"
#include "recording/FocusCatcher.h"
#include "recording/RaceCommands.h"
#include "recording/SecondaryWindows.h"
#include "recording/StartListHost.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"
#include "support/frmAbout.h"

#include <QAction>

void frmMain::ConnectExtrasCommands() {
    for (QAction* entry : m_menus.mnuLangSelect)
        connect(entry, &QAction::triggered, this, [this, entry] { mnuLangSelect_Click(entry); });
    // A new lap counter or display at every use; one opened before stays open on its own.
    connect(m_menus.mnuExtras_LapCounter, &QAction::triggered, this,
            [this] { ReportingErrors([this] { m_secondary->OpenLapCounter(m_startList->NameLookup()); }); });
    connect(m_menus.mnuExtras_Display, &QAction::triggered, this,
            [this] { ReportingErrors([this] { m_secondary->OpenDisplay(m_startList->NameLookup()); }); });
    connect(m_secondary, &SecondaryWindows::KeyboardBack, this, [this] {
        activateWindow();
        if (txtEnter->isVisible())
            txtEnter->setFocus();
    });
    connect(m_menus.mnuExtras_ShowTimes, &QAction::toggled, this, &frmMain::ShowGridColumns);
    connect(m_menus.mnuExtras_LapBoard, &QAction::triggered, this, &frmMain::mnuExtras_LapBoard_Click);
    connect(m_menus.mnuHelp_About, &QAction::triggered, this, &frmMain::mnuHelp_About_Click);
    connect(m_menus.mnuHelp_Wiki, &QAction::triggered, this, [this] {
        ReportingErrors(
            [this] { StartDoc(HelpAddress(QStringLiteral("MARKLOG")), this, QString(), QStringLiteral("C:\\")); });
    });
}

void frmMain::RecordsChanged() {
    m_secondary->RecordsChanged();
    m_race->RecordsChanged();
    m_board->RaceChanged();
}

void frmMain::mnuExtras_LapBoard_Click() {
    ReportingErrors([this] {
        // Beside the main window, so recording goes on while spectators scan its QR code.
        m_board->ShowWindow(this);
    });
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

void frmMain::mnuLangSelect_Click(QAction* entry) {
    ReportingErrors([this, entry] {
        const QString id = entry->data().toString();
        gLanguage->SetLanguage(id);
        WriteSetting(QStringLiteral("Language"), id);
        SetCaptions();
    });
}
