#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// The main window's menu tree. Every menu and entry carries its control name as objectName; the
// entry arrays (recent files, languages) share one name and carry their index in the property
// "index".
struct MainMenus {
    QMenu* mnuFile = nullptr;
    QAction* mnuFile_New = nullptr;
    QAction* mnuFile_Open = nullptr;
    QAction* mnuFile_Export = nullptr;
    QAction* mnuFile_StartList = nullptr;
    QAction* mnuFile_StartListRemove = nullptr;
    QAction* mnuFile_ExportPassages = nullptr;
    QAction* mnuFile_ExportResults = nullptr;
    QAction* mnuFile_CompareBackup = nullptr;
    QAction* mnuFile_Close = nullptr;
    QAction* mnuFileSep2 = nullptr;
    QAction* mnuFile_Print = nullptr;
    QAction* mnuFile_PrintResults = nullptr;
    QAction* mnuFile_LFMSep = nullptr;
    QList<QAction*> mnuFile_LFM; // indices 1 to 4 at positions 0 to 3
    QAction* mnuSep = nullptr;
    QAction* mnuFile_Exit = nullptr;

    QMenu* mnuExtras = nullptr;
    QAction* mnuExtras_LapCounter = nullptr;
    QAction* mnuExtras_Display = nullptr;
    QAction* mnuExtras_LapBoard = nullptr;
    QAction* mnuExtras_BarcodeScanner = nullptr;
    QAction* mnuExtras_ShowTimes = nullptr; // check item: the grid's time column
    QAction* mnuSepRace = nullptr;
    QAction* mnuExtras_StartNow = nullptr;
    QAction* mnuExtras_RaceSetup = nullptr;
    QAction* mnuExtras_Timer = nullptr;
    QAction* mnuSep1 = nullptr;
    QMenu* mnuLanguage = nullptr;
    QList<QAction*> mnuLangSelect; // indices 1 to 10 at positions 0 to 9

    QMenu* mnuHelp = nullptr;
    QAction* mnuHelp_About = nullptr;
    QAction* mnuHelp_Wiki = nullptr;
};

// Builds the menus into the bar, without captions (SetCaptions gives them theirs): Close, Print,
// Export and the start list, results and start commands disabled,
// recent file entries and their separator hidden.
MainMenus BuildMainMenus(QMenuBar* bar);

// One entry of an entry array as it shows: its caption and the data it carries (a path, a
// language's identifier).
struct MenuEntry {
    QString text;
    QString data;
};
// Shows the entries in order in the array's first entries and hides the rest.
void ShowEntries(const QList<QAction*>& entries, const QList<MenuEntry>& shown);

// The recent-file entries of the File menu, from the stored list.
void ShowRecentFiles(const MainMenus& menus);
// Puts a record file first in the stored list, and the menu follows.
void RememberRecentFile(const MainMenus& menus, const QString& path);
// Takes a record file off the stored list, and the menu follows.
void ForgetRecentFile(const MainMenus& menus, const QString& path);
