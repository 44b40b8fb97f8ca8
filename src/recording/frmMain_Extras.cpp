// The Extras and Help menus: lap counter, scan display, language, About and the user guide.
#include "recording/frmMain.h"

#include "app/ErrorHandler.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"

#include <QAction>

void frmMain::ConnectExtrasCommands() {
    for (QAction* entry : m_menus.mnuLangSelect)
        connect(entry, &QAction::triggered, this, [this, entry] { mnuLangSelect_Click(entry); });
}

void frmMain::mnuLangSelect_Click(QAction* entry) {
    try {
        const QString id = entry->property("tag").toString();
        gLanguage->SetLanguage(id);
        WriteSetting(QStringLiteral("Language"), id);
        SetCaptions();
    } catch (const RaisedError& error) {
        ReportError(error.info());
    }
}
