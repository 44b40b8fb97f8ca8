#pragma once

#include "board/LapBoardJson.h"
#include "lapcounter/LapStandings.h"
#include "recording/MainLayout.h"
#include "recording/MainMenus.h"
#include "records/clsFile.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QCheckBox;
class QFrame;
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
class LapBoardServer;

// The program's one main window: bib entry, the record grid, menus and status bar.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // commandLine: the record file to open at load ("" for none).
    explicit frmMain(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Builds the running system: window position, language, captions, saved check boxes, and
    // the file named on the command line. Errors are reported and end the load there.
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
    void resizeEvent(QResizeEvent* event) override;

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
    void mnuFile_New_Click();
    void mnuFile_Export_Click();
    void mnuFile_Print_Click();
    void Grid_Edit(qint32 row, qint32 bib);
    void Grid_Delete(qint32 row);
    void Grid_Add(qint32 row);
    QString RecordCountText() const;

    QString m_commandLine;
    MainMenus m_menus;
    MainLayout m_layout;
    QWidget* m_client = nullptr;
    QLineEdit* txtEnter = nullptr;
    QFrame* fraFrame = nullptr;
    QPushButton* cmdEnter = nullptr;
    QCheckBox* chkBeep = nullptr;
    QCheckBox* chkDouble = nullptr;
    QCheckBox* chkCatch = nullptr;
    ctlGrid* Grid = nullptr;
    MainStatusBar* StatusBar = nullptr;
    ctlWiki* Wiki = nullptr;
    QTimer* tmrBarcode = nullptr;
    QTimer* tmrCatch = nullptr;
    BarcodeScanner* m_scanner = nullptr;    // the serial scanner behind tmrBarcode
    FocusCatcher* m_focusCatcher = nullptr; // chkCatch with tmrCatch
    QPointer<frmDisplay> m_display;         // the scan display that receives every recorded bib
    QPointer<frmLapcounter> m_lapCounter;   // the lap counter refreshed after every change
    LapBoardServer* m_board = nullptr;
    LapStandings m_boardStandings{RecordFile}; // the board's while no lap counter is open
    LapBoardView m_boardView;                  // likewise
    BibNameLookup m_bibNames;
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
    bool m_loaded = false;
};
