#pragma once

#include "recording/MainLayout.h"
#include "recording/MainMenus.h"
#include "records/Corrections.h"
#include "records/clsFile.h"

#include <QMainWindow>
#include <QStringList>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class AlarmBand;
class BarcodeScanner;
class EntryBox;
class FocusCatcher;
class LapBoardHost;
class MainStatusBar;
class RaceCommands;
class SecondaryWindows;
class StartListHost;
class WriteFaults;
class ctlGrid;
class ctlWiki;
struct ScannedCode;

// The program's one main window: bib entry, the record grid, menus and status bar. The lap board,
// the start list, the race-day commands, the faults of the record file, and the lap counters and
// scan displays are parts of their own that it owns and tells of each change.
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
    // files list; the file open before stays open then. True when that file is the open one
    // afterwards.
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
    void ConnectHandlers();
    void ApplyLayout();
    bool Form_Unload();
    void SetCaptions();
    void ShowFileControls(bool open);
    void UpdateCaption();
    bool CloseRecordFile();
    bool MayLeaveRecordFile();
    // What belongs to the file left closes with it.
    void LeftRecordFile();
    void ShowOpenedFile(bool switched);
    // Records a passage: the bib appended, timed `at`. The entry box and an open grid editor are
    // left alone.
    void AddBib(qint32 bib, const QDateTime& at);
    // What a passage changes beyond the status (grid rows, record count, scan display, lap counter
    // and board), for the passages recorded since it last ran.
    void ShowRecordedPassages();
    void cmdEnter_Click();
    // A typed or scanned bib through the duplicate guard, then recorded and acknowledged.
    void RecordPassage(qint32 bib, const QDateTime& at);
    // A code from the scanner, recorded beside whatever is being typed or corrected.
    void RecordScan(const ScannedCode& code);
    // The scanned codes too long to be a bib, in the alarm band until a bib is typed.
    void ShowOverlongScans();
    // What the entry box says while the bib being typed passed within the last seconds.
    QString RepeatHint(const QString& typed) const;
    QString RecordCountText() const;
    // After every change of the records: the lap counter's automatic refresh and the lap board.
    void RecordsChanged();
    // The File menu and the grid's notifications (frmMain_File.cpp).
    void ConnectFileCommands();
    void mnuFile_New_Click();
    // Tells once, in the status bar, what became of the times file of the file just opened.
    void ShowTimesFileState();
    // A file named on the command line that does not exist yet may be created.
    void OpenCommandLineFile();
    // The grid's corrections, their undo and redo, and the comparison with a backup recording
    // (frmMain_Corrections.cpp).
    void ConnectCorrections();
    // Makes a correction and has every window follow it; `reload`: the grid does not show it yet.
    void Correct(const std::function<bool()>& change, bool reload);
    void mnuFile_CompareBackup_Click();
    // The Extras and Help menus (frmMain_Extras.cpp).
    void ConnectExtrasCommands();
    void mnuLangSelect_Click(QAction* entry);
    void mnuExtras_LapBoard_Click();
    void mnuHelp_About_Click();
    // The start list's names and warnings where they show (frmMain_StartList.cpp).
    void ApplyStartList();
    void ShowGridColumns();

    clsFile RecordFile;
    Corrections m_corrections{RecordFile};
    QVector<QPair<qint32, qint32>> m_moveEdits; // the grid's edits of a move in progress: row, bib
    bool m_moving = false;
    QString m_commandLine;
    MainMenus m_menus;
    MainLayout m_layout;
    QWidget* m_client = nullptr;
    EntryBox* txtEnter = nullptr;
    QFrame* fraFrame = nullptr;
    QPushButton* cmdEnter = nullptr;
    QCheckBox* chkBeep = nullptr;
    QCheckBox* chkDouble = nullptr;
    QCheckBox* chkCatch = nullptr;
    int m_repeatWarnSeconds = kDefaultRepeatWarnSeconds;
    ctlGrid* Grid = nullptr;
    MainStatusBar* StatusBar = nullptr;
    ctlWiki* Wiki = nullptr;
    QLabel* lblStart = nullptr;              // beside the guide link while no file is open: how to start
    BarcodeScanner* m_scanner = nullptr;     // records beside the entry box
    AlarmBand* m_band = nullptr;             // faults, over the entry box
    QStringList m_overlongScans;             // since the last bib typed
    FocusCatcher* m_focusCatcher = nullptr;  // with chkCatch
    SecondaryWindows* m_secondary = nullptr; // lap counters and scan displays
    StartListHost* m_startList = nullptr;    // of the open record file; empty without one
    WriteFaults* m_faults = nullptr;         // of the record file and the scanner
    LapBoardHost* m_board = nullptr;
    bool m_slowWrite = false;         // the last passage took long enough to write to be seen
    QTimer* m_showPassages = nullptr; // runs ShowRecordedPassages once control is back
    qint32 m_lastShownBib = 0;        // the latest passage, for the scan display
    RaceCommands* m_race = nullptr;   // start times, the Timer window and the results
};
