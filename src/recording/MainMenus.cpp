#include "recording/MainMenus.h"

#include "support/clsRecentFiles.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QMenu* AddMenu(QWidget* parent, const QString& name) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name + QStringLiteral("_Action"));
    return menu;
}

QAction* AddEntry(QMenu* menu, const QString& name) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(name);
    return action;
}

QAction* AddSeparator(QMenu* menu, const QString& name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(name);
    return separator;
}

QList<QAction*> AddEntryArray(QMenu* menu, const QString& name, int count) {
    QList<QAction*> entries;
    for (int index = 1; index <= count; ++index) {
        QAction* entry = AddEntry(menu, name);
        entry->setProperty("index", index);
        entry->setVisible(false);
        entries.append(entry);
    }
    return entries;
}

} // namespace

MainMenus BuildMainMenus(QMenuBar* bar) {
    MainMenus m;
    m.mnuFile = AddMenu(bar, QStringLiteral("mnuFile"));
    m.mnuFile_New = AddEntry(m.mnuFile, QStringLiteral("mnuFile_New"));
    m.mnuFile_Open = AddEntry(m.mnuFile, QStringLiteral("mnuFile_Open"));
    m.mnuFile_Export = AddEntry(m.mnuFile, QStringLiteral("mnuFile_Export"));
    m.mnuFile_StartList = AddEntry(m.mnuFile, QStringLiteral("mnuFile_StartList"));
    m.mnuFile_StartListRemove = AddEntry(m.mnuFile, QStringLiteral("mnuFile_StartListRemove"));
    m.mnuFile_ExportPassages = AddEntry(m.mnuFile, QStringLiteral("mnuFile_ExportPassages"));
    m.mnuFile_ExportResults = AddEntry(m.mnuFile, QStringLiteral("mnuFile_ExportResults"));
    m.mnuFile_CompareBackup = AddEntry(m.mnuFile, QStringLiteral("mnuFile_CompareBackup"));
    m.mnuFile_Close = AddEntry(m.mnuFile, QStringLiteral("mnuFile_Close"));
    m.mnuFileSep2 = AddSeparator(m.mnuFile, QStringLiteral("mnuFileSep2"));
    m.mnuFile_Print = AddEntry(m.mnuFile, QStringLiteral("mnuFile_Print"));
    m.mnuFile_PrintResults = AddEntry(m.mnuFile, QStringLiteral("mnuFile_PrintResults"));
    m.mnuFile_LFMSep = AddSeparator(m.mnuFile, QStringLiteral("mnuFile_LFMSep"));
    m.mnuFile_LFMSep->setVisible(false);
    m.mnuFile_LFM = AddEntryArray(m.mnuFile, QStringLiteral("mnuFile_LFM"), 4);
    m.mnuSep = AddSeparator(m.mnuFile, QStringLiteral("mnuSep"));
    m.mnuFile_Exit = AddEntry(m.mnuFile, QStringLiteral("mnuFile_Exit"));
    for (QAction* fileCommand :
         {m.mnuFile_Close, m.mnuFile_Print, m.mnuFile_Export, m.mnuFile_StartList, m.mnuFile_StartListRemove,
          m.mnuFile_ExportPassages, m.mnuFile_ExportResults, m.mnuFile_PrintResults, m.mnuFile_CompareBackup})
        fileCommand->setEnabled(false);
    // The platform's standard shortcuts beside the access keys. They use the Ctrl key, so the
    // entry box's digits and Enter, F11 and the grid's keys stay as they are.
    const std::pair<QAction*, QKeySequence::StandardKey> shortcuts[] = {
        {m.mnuFile_New, QKeySequence::New},     {m.mnuFile_Open, QKeySequence::Open},
        {m.mnuFile_Close, QKeySequence::Close}, {m.mnuFile_Print, QKeySequence::Print},
        {m.mnuFile_Exit, QKeySequence::Quit},
    };
    for (const auto& [command, key] : shortcuts)
        command->setShortcuts(key);

    m.mnuExtras = AddMenu(bar, QStringLiteral("mnuExtras"));
    m.mnuExtras_LapCounter = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_LapCounter"));
    m.mnuExtras_Display = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_Display"));
    m.mnuExtras_LapBoard = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_LapBoard"));
    m.mnuExtras_BarcodeScanner = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_BarcodeScanner"));
    m.mnuExtras_ShowTimes = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_ShowTimes"));
    m.mnuExtras_ShowTimes->setCheckable(true);
    m.mnuSepRace = AddSeparator(m.mnuExtras, QStringLiteral("mnuSepRace"));
    m.mnuExtras_StartNow = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_StartNow"));
    m.mnuExtras_StartNow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
    m.mnuExtras_StartNow->setEnabled(false);
    m.mnuExtras_RaceSetup = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_RaceSetup"));
    m.mnuExtras_RaceSetup->setEnabled(false);
    m.mnuExtras_Timer = AddEntry(m.mnuExtras, QStringLiteral("mnuExtras_Timer"));
    m.mnuSep1 = AddSeparator(m.mnuExtras, QStringLiteral("mnuSep1"));
    m.mnuLanguage = AddMenu(m.mnuExtras, QStringLiteral("mnuLanguage"));
    m.mnuExtras->addMenu(m.mnuLanguage);
    m.mnuLangSelect = AddEntryArray(m.mnuLanguage, QStringLiteral("mnuLangSelect"), 10);

    m.mnuHelp = AddMenu(bar, QStringLiteral("mnuHelp"));
    m.mnuHelp_About = AddEntry(m.mnuHelp, QStringLiteral("mnuHelp_About"));
    m.mnuHelp_Wiki = AddEntry(m.mnuHelp, QStringLiteral("mnuHelp_Wiki"));

    for (QMenu* menu : {m.mnuFile, m.mnuExtras, m.mnuHelp})
        bar->addMenu(menu);
    return m;
}

void ShowEntries(const QList<QAction*>& entries, const QList<MenuEntry>& shown) {
    for (int i = 0; i < entries.size(); ++i) {
        const MenuEntry entry = shown.value(i);
        entries[i]->setText(entry.text);
        entries[i]->setData(entry.data);
        entries[i]->setVisible(i < shown.size());
    }
}

void ShowRecentFiles(const MainMenus& menus) {
    clsRecentFiles recent;
    QList<MenuEntry> entries;
    for (const QString& path : recent.Entries())
        entries.append({QLatin1Char('&') + QString::number(entries.size() + 1) + QStringLiteral("  ") + path, path});
    ShowEntries(menus.mnuFile_LFM, entries);
    menus.mnuFile_LFMSep->setVisible(!recent.GetLastFile(1).isEmpty());
}

void RememberRecentFile(const MainMenus& menus, const QString& path) {
    clsRecentFiles().SetFirstFile(path);
    ShowRecentFiles(menus);
}

void ForgetRecentFile(const MainMenus& menus, const QString& path) {
    clsRecentFiles().Delete(path);
    ShowRecentFiles(menus);
}
