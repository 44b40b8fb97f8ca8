#include "base/AccessibleNames.h"

#include "lang/clsLanguage.h"

#include <QWidget>

namespace {

// One control: in a window (nullptr: any), named objectName, or "parent.objectName" where two
// controls of one window share a name; index -1 for any index. A null nameKey leaves the name to
// the control's own text (labels showing values).
struct AccessibleText {
    const char* window;
    const char* control;
    int index;
    const char* nameKey;
    const char* descriptionKey;
};

// Captions (with their access key ampersand) are reused as names where they say it already.
constexpr AccessibleText kTexts[] = {
    // Main window
    {"frmMain", "Client", -1, "MKL_ACC_CLIENT", nullptr},
    {"frmMain", "txtEnter", -1, "MKL_ACC_TXTENTER", "MKL_ACC_TXTENTER_D"},
    {"frmMain", "lblRepeat", -1, nullptr, "MKL_ACC_LBLREPEAT_D"},
    {"frmMain", "lblNotListed", -1, nullptr, "MKL_ACC_LBLNOTLISTED_D"},
    {"frmMain", "fraFrame", -1, "MKL_ACC_FRAFRAME", nullptr},
    {"frmMain", "cmdEnter", -1, "MKL_CMDENTER", "MKL_ACC_CMDENTER_D"},
    {"frmMain", "chkBeep", -1, "MKL_CHKBEEP", "MKL_ACC_CHKBEEP_D"},
    {"frmMain", "chkCatch", -1, "MKL_CHKCATCH", "MKL_ACC_CHKCATCH_D"},
    {"frmMain", "chkDouble", -1, "MKL_CHKDOUBLE", "MKL_ACC_CHKDOUBLE_D"},
    {"frmMain", "mnuFile", -1, "GEN_MNU_FILE", nullptr},
    {"frmMain", "mnuExtras", -1, "GEN_MNU_EXTRAS", nullptr},
    {"frmMain", "mnuLanguage", -1, "GEN_MNU_LANGUAGE", nullptr},
    {"frmMain", "mnuHelp", -1, "MKL_ACC_MNUHELP", nullptr},
    {"frmMain", "StatusBar", -1, "MKL_ACC_STATUSBAR", nullptr},
    {"frmMain", "StatusBar_Panel1", -1, nullptr, "MKL_ACC_PANEL1_D"},
    {"frmMain", "StatusBar_Panel2", -1, nullptr, "MKL_ACC_PANEL2_D"},
    {"frmMain", "StatusBar_Panel3", -1, nullptr, "MKL_ACC_PANEL3_D"},
    {"frmMain", "StatusBar_Panel4", -1, nullptr, "MKL_ACC_PANEL4_D"},
    {"frmMain", "Wiki", -1, "MKL_ACC_WIKI", "MKL_ACC_WIKI_D"},
    {"frmMain", "lblAlarm", -1, nullptr, "MKL_ACC_LBLALARM_D"},
    {"frmMain", "pic", -1, "MKL_ACC_WIKI", "MKL_ACC_WIKI_D"},
    // Lap board dialog
    {"frmLapBoard", "chkLapBoard", -1, "MKL_LB_SERVE", nullptr},
    {"frmLapBoard", "txtPort", -1, "MKL_LB_PORT", "MKL_ACC_TXTLBPORT_D"},
    {"frmLapBoard", "picQrCode", -1, "MKL_ACC_PICQRCODE", nullptr},
    {"frmLapBoard", "cmdClose", -1, "GEN_BTN_OK", nullptr},
    {"frmMain", "lblText", -1, nullptr, "MKL_ACC_WIKI_D"},
    // Record grid (inside the main window; its table is named like the control itself)
    {nullptr, "Grid.Grid", -1, "MKL_ACC_GRIDTABLE", "MKL_ACC_GRIDTABLE_D"},
    {nullptr, "Grid", -1, "MKL_ACC_GRID", nullptr},
    {nullptr, "txtWorkOn", -1, "MKL_ACC_TXTWORKON", "MKL_ACC_TXTWORKON_D"},
    {nullptr, "cmdUp", -1, "MKL_ACC_CMDUP", "MKL_CMDUP_TT"},
    {nullptr, "cmdDown", -1, "MKL_ACC_CMDDOWN", "MKL_CMDDOWN_TT"},
    {nullptr, "cmdInsert", -1, "MKL_ACC_CMDINSERT", "MKL_CMDINSERT_TT"},
    {nullptr, "cmdDelete", -1, "MKL_ACC_CMDDELETE", "MKL_CMDDELETE_TT"},
    {nullptr, "mnuGridContext", -1, "MKL_ACC_MNUGRIDCONTEXT", nullptr},
    // Lap counter
    {"frmLapcounter", "List1", -1, "MKL_ACC_LIST1", "MKL_ACC_LIST1_D"},
    {"frmLapcounter", "cmdRequery", -1, "MKL_LC_REQUERY", "MKL_ACC_CMDREQUERY_D"},
    {"frmLapcounter", "cmdReset", -1, "MKL_LC_RESET", "MKL_ACC_CMDRESET_D"},
    {"frmLapcounter", "lblLapcount", -1, nullptr, nullptr},
    {"frmLapcounter", "txtLapCount", 0, "MKL_LC_LAPCOUNT0", "MKL_ACC_TXTLAPCOUNT0_D"},
    {"frmLapcounter", "txtLapCount", 1, "MKL_LC_LAPCOUNT1", "MKL_ACC_TXTLAPCOUNT1_D"},
    {"frmLapcounter", "chkAuto", -1, "MKL_LC_AUTO", "MKL_ACC_CHKAUTO_D"},
    {"frmLapcounter", "chkDescending", -1, "MKL_LC_DESCENDING", "MKL_ACC_CHKDESCENDING_D"},
    // Scan display
    {"frmDisplay", "lblBib", -1, nullptr, "MKL_ACC_LBLBIB_D"},
    {"frmDisplay", "lblName", -1, nullptr, "MKL_ACC_LBLNAME_D"},
    // About window
    {"frmAbout", "picIcon", -1, "MKL_ACC_PICICON", nullptr},
    {"frmAbout", "Shape1", -1, "GEN_ABOUT_CAPTION", nullptr},
    {"frmAbout", "lblVersion", -1, nullptr, nullptr},
    {"frmAbout", "lblLabel", 3, nullptr, "MKL_ACC_LBLLINK_D"},
    {"frmAbout", "lblLabel", -1, nullptr, nullptr},
    {"frmAbout", "cmdOK", -1, "GEN_BTN_OK", nullptr},
    // Timer window
    {"frmTimer", "lblState", -1, nullptr, "MKL_ACC_LBLSTATE_D"},
    {"frmTimer", "lblCount", -1, nullptr, "MKL_ACC_LBLCOUNT_D"},
    {"frmTimer", "tblMarks", -1, "MKL_ACC_TBLMARKS", "MKL_ACC_TBLMARKS_D"},
    // Start times and laps dialog (each row's fields are named after their category there)
    {"frmRaceSetup", "txtStart", -1, nullptr, "MKL_RS_HINT"},
    {"frmRaceSetup", "txtLaps", -1, nullptr, "MKL_ACC_TXTLAPS_D"},
    // Barcode scanner port dialog
    {"frmPort", "lblLabel", -1, nullptr, nullptr},
    {"frmPort", "txtPort", -1, "MKL_ACC_TXTPORT", "MKL_ACC_TXTPORT_D"},
    {"frmPort", "lblDevice", -1, nullptr, nullptr},
    {"frmPort", "cboDevice", -1, "MKL_ACC_CBODEVICE", "BCPORT_DEVICEHINT"},
    {"frmPort", "cmdCommand", 0, "GEN_BTN_OK", "MKL_ACC_PORTOK_D"},
    {"frmPort", "cmdCommand", 1, "GEN_BTN_CANCEL", "MKL_ACC_PORTCANCEL_D"},
};

// "&Open" reads "Open"; "&&" stays one ampersand.
QString WithoutAccessKey(const QString& caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

bool Matches(const AccessibleText& entry, const QString& window, const QString& control, int index) {
    return (!entry.window || window == QLatin1String(entry.window)) && control == QLatin1String(entry.control) &&
           (entry.index < 0 || entry.index == index);
}

// The window a control belongs to; a menu is a popup window of its own, owned by its menu bar.
const QWidget* OwningWindow(const QWidget* control) {
    const QWidget* window = control->window();
    while (window->windowType() == Qt::Popup && window->parentWidget())
        window = window->parentWidget()->window();
    return window;
}

// The first matching entry: the table lists the narrower entries (parent-qualified, indexed) first.
const AccessibleText* Find(const QWidget* control) {
    const QString window = OwningWindow(control)->objectName();
    const QString name = control->objectName();
    const int index = control->property("index").isValid() ? control->property("index").toInt() : -1;
    const QWidget* parent = control->parentWidget();
    const QString qualified = parent ? parent->objectName() + QLatin1Char('.') + name : QString();
    for (const AccessibleText& entry : kTexts) {
        if (parent && Matches(entry, window, qualified, index))
            return &entry;
    }
    for (const AccessibleText& entry : kTexts) {
        if (Matches(entry, window, name, index))
            return &entry;
    }
    return nullptr;
}

void Apply(QWidget* control) {
    const AccessibleText* entry = Find(control);
    if (!entry)
        return;
    if (entry->nameKey)
        control->setAccessibleName(WithoutAccessKey(GetText(QLatin1String(entry->nameKey))));
    if (entry->descriptionKey)
        control->setAccessibleDescription(WithoutAccessKey(GetText(QLatin1String(entry->descriptionKey))));
}

} // namespace

void ApplyAccessibleNames(QWidget* window) {
    if (!window)
        return;
    Apply(window);
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (!control->objectName().isEmpty())
            Apply(control);
    }
}
