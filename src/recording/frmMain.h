#pragma once

#include "recording/MainLayout.h"
#include "recording/MainMenus.h"
#include "records/clsFile.h"

#include <QMainWindow>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QTimer;
class MainStatusBar;
class ctlWiki;

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
    bool CloseRecordFile();

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
    void chkBeep_Click();
    void chkCatch_Click();

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
    QWidget* Grid = nullptr;
    MainStatusBar* StatusBar = nullptr;
    ctlWiki* Wiki = nullptr;
    QTimer* tmrBarcode = nullptr;
    QTimer* tmrCatch = nullptr;
    bool m_loaded = false;
};
