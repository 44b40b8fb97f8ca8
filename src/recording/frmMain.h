#pragma once

#include "board/LapBoardJson.h"
#include "lapcounter/LapStandings.h"
#include "recording/MainLayout.h"
#include "recording/MainMenus.h"
#include "records/clsFile.h"
#include "startlist/StartList.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class AlarmBand;
class BarcodeScanner;
class FocusCatcher;
class MainStatusBar;
class ctlGrid;
class ctlWiki;
class frmDisplay;
class frmLapcounter;
class LapBoardServer;
class RaceCommands;

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

    void SetCaptions();
    void ShowFileControls(bool open);
    void UpdateCaption();
    // Opens a record file (an empty path asks with the open dialog); one pair of surrounding
    // double quotes is removed. A file that cannot be opened is reported and leaves the recent
    // files list. True when a file is open afterwards.
    bool OpenRecordFile(QString path);
    bool CloseRecordFile();
    // Records a bib: appended (before < 0) or inserted before a 0-based index.
    void AddBib(qint32 bib, qint32 before = -1);

    // Serves the lap board on every address at the port. When it cannot (port in use, not
    // allowed), the status bar says why and the board stays off; recording never depends on it.
    bool StartLapBoard(quint16 port);
    void StopLapBoard();
    quint16 LapBoardPort() const; // 0 while the board is off
    // The names the board shows beside the bibs (none by default).
    void SetBibNameLookup(BibNameLookup names);

    clsFile RecordFile;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
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
    bool ListenLapBoard(quint16 port, QString* error);
    void ResumeLapBoardFromSettings();
    void ReadBoardView();
    QByteArray LapBoardJson();
    // Brings the board's standings in step after each change, so a passage costs O(log n).
    void KeepBoardInStep();
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
    // Panel 2 shows the text of a language key ("" empties it) with its placeholders filled in;
    // it follows a language change.
    void ShowState(const QString& key, const QList<QPair<QString, QString>>& values = {});
    QString StateText() const;
    // The recent-file entries of the File menu, from the stored list.
    void ShowRecentFiles();
    void RememberRecentFile(const QString& path);
    // Closes every lap counter and scan display, so each stores its settings and position.
    void CloseSecondaryWindows();
    // Start list and results (frmMain_StartList.cpp).
    void ConnectStartListCommands();
    void LoadStartListOfFile();
    void ApplyStartList();
    void ShowGridColumns();
    std::function<QString(qint32)> NameLookup() const;
    void mnuFile_StartList_Click();
    void mnuFile_StartListRemove_Click();
    void mnuFile_ExportPassages_Click();
    void txtEnter_TextChanged();
    // A file named on the command line that does not exist yet may be created.
    void OpenCommandLineFile();
    // Faults of the record file (frmMain_Faults.cpp). After a change: a write that failed is
    // logged, sounds the alarm and shows in the band and the status bar; a write that worked
    // clears them.
    void AfterWrite(bool saved);
    void ShowWriteState();
    // While the file lags behind the list, asks before the list is given up: Retry, Save as, or
    // Cancel. True when the list is safe in a file and the file may be closed.
    bool MayLeaveFile();
    // A recovery copy an earlier run left for the file just opened, holding other records: the
    // operator chooses to use it, save it elsewhere, or keep the file as it is.
    void OfferRecoveryCopy();
    void ScannerAlarm(const QString& text);
    // The save dialog for a record file; "" when cancelled.
    QString AskSavePath();

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
    BarcodeScanner* m_scanner = nullptr;          // the serial scanner behind tmrBarcode
    FocusCatcher* m_focusCatcher = nullptr;       // chkCatch with tmrCatch
    QPointer<frmDisplay> m_display;               // the scan display that receives every recorded bib
    QPointer<frmLapcounter> m_lapCounter;         // the lap counter refreshed after every change
    QString m_stateKey;                           // the language key panel 2 shows, if any
    QList<QPair<QString, QString>> m_stateValues; // its placeholders and what they stand for
    StartList m_startList;                        // of the open record file; empty without one
    AlarmBand* m_alarm = nullptr;                 // faults shown without a box
    int m_modalObserver = -1;                     // holds the scanner while a modal box is open
    bool m_askingToLeave = false;                 // the question of MayLeaveFile is open
    bool m_slowWrite = false;                     // the last passage took long enough to write to be seen
    LapBoardServer* m_board = nullptr;
    LapStandings m_boardStandings{RecordFile}; // the board's while no lap counter is open
    LapBoardView m_boardView;                  // likewise
    BibNameLookup m_bibNames;
    RaceCommands* m_race = nullptr; // start times, the Timer window and the results
    // The board's JSON is made once per change, however many clients ask.
    struct BoardJsonKey {
        const LapStandings* standings = nullptr;
        quint64 standingsRevision = 0;
        quint64 recordsRevision = 0;
        double target = 0;
        double minimum = 0;
        bool descending = false;
        QString language;
        bool operator==(const BoardJsonKey& o) const {
            return standings == o.standings && standingsRevision == o.standingsRevision &&
                   recordsRevision == o.recordsRevision && target == o.target && minimum == o.minimum &&
                   descending == o.descending && language == o.language;
        }
    } m_boardJsonKey;
    QByteArray m_boardJson;
};
