#pragma once

#include "recording/MainLayout.h"
#include "recording/MainMenus.h"
#include "records/clsFile.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class BarcodeScanner;
class FocusCatcher;
class MainStatusBar;
class ctlGrid;
class ctlWiki;
class frmDisplay;
class frmLapcounter;
class LapBoardHost;
class StartListHost;
class WriteFaults;

// The program's one main window: bib entry, the record grid, menus and status bar.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDefaultRepeatWarnSeconds = 60;

    // commandLine: the record file to open at load ("" for none).
    explicit frmMain(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Builds the running system: window position, the saved language of the process's language
    // component, captions, recent files, saved check boxes, and the file named on the command
    // line. Errors are reported and end the load there.
    void Form_Load();

    // Opens a record file (an empty path asks with the open dialog); one pair of surrounding
    // double quotes is removed. A file that cannot be opened is reported and leaves the recent
    // files list. True when a file is open afterwards.
    bool OpenRecordFile(QString path);
    // The records of the open file (none while no file is open).
    const clsFile& Records() const { return RecordFile; }
    // The lap board this window serves; a port that cannot be used is told in the status bar.
    LapBoardHost& LapBoard() { return *m_board; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void SetCaptions();
    void ShowFileControls(bool open);
    void UpdateCaption();
    bool CloseRecordFile();
    // Records a bib: appended (before < 0) or inserted before a 0-based index.
    void AddBib(qint32 bib, qint32 before = -1);
    void ConnectHandlers();
    void ApplyLayout();
    bool Form_Unload();
    void ConnectFileCommands();
    void ConnectExtrasCommands();
    void mnuLangSelect_Click(QAction* entry);
    void mnuExtras_Display_Click();
    void mnuHelp_About_Click();
    void mnuHelp_Wiki_Click();
    void frmDisplay_Unload();
    void mnuExtras_LapCounter_Click();
    void frmLapcounter_Unload();
    // After every change of the records: the lap counter's automatic refresh and the lap board.
    void RecordsChanged();
    void mnuExtras_LapBoard_Click();
    void chkBeep_Click();
    void cmdEnter_Click();
    // Says next to the entry box when the bib being typed passed within the last seconds.
    void ShowRepeatWarning();
    // Places the hints inside the entry box so that both can show at once.
    void PlaceEntryHints();
    // Tells once, in the status bar, what became of the times file of the file just opened.
    void ShowTimesFileState();
    void mnuFile_New_Click();
    void mnuFile_Export_Click();
    void mnuFile_Print_Click();
    void Grid_Edit(qint32 row, qint32 bib);
    void Grid_Delete(qint32 row);
    void Grid_Add(qint32 row);
    QString RecordCountText() const;
    // The recent-file entries of the File menu, from the stored list.
    void ShowRecentFiles();
    void RememberRecentFile(const QString& path);
    // Closes every lap counter and scan display, so each stores its settings and position.
    void CloseSecondaryWindows();
    // The start list's names and warnings where they show (frmMain_StartList.cpp).
    void ApplyStartList();
    void ShowGridColumns();
    void ShowNotListedHint();
    // A file named on the command line that does not exist yet may be created.
    void OpenCommandLineFile();

    clsFile RecordFile;
    QString m_commandLine;
    MainMenus m_menus;
    MainLayout m_layout;
    QWidget* m_client = nullptr;
    QLineEdit* txtEnter = nullptr;
    QLabel* lblNotListed = nullptr; // inside the entry box: the bib typed is not on the start list
    QFrame* fraFrame = nullptr;
    QPushButton* cmdEnter = nullptr;
    QCheckBox* chkBeep = nullptr;
    QCheckBox* chkDouble = nullptr;
    QCheckBox* chkCatch = nullptr;
    QLabel* lblRepeat = nullptr;
    QTimer* tmrRepeat = nullptr; // keeps the seconds of a shown repeat warning current
    int m_repeatWarnSeconds = kDefaultRepeatWarnSeconds;
    ctlGrid* Grid = nullptr;
    MainStatusBar* StatusBar = nullptr;
    ctlWiki* Wiki = nullptr;
    QLabel* lblStart = nullptr; // beside the guide link while no file is open: how to start
    QTimer* tmrBarcode = nullptr;
    QTimer* tmrCatch = nullptr;
    BarcodeScanner* m_scanner = nullptr;    // the serial scanner behind tmrBarcode
    FocusCatcher* m_focusCatcher = nullptr; // chkCatch with tmrCatch
    QPointer<frmDisplay> m_display;         // the scan display that receives every recorded bib
    QPointer<frmLapcounter> m_lapCounter;   // the lap counter refreshed after every change
    StartListHost* m_startList = nullptr;   // of the open record file; empty without one
    WriteFaults* m_faults = nullptr;        // of the record file and the scanner
    int m_modalObserver = -1;               // holds the scanner while a modal box is open
    LapBoardHost* m_board = nullptr;
};
