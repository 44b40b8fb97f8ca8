#pragma once

#include "results/FinishMarks.h"
#include "results/RaceRanking.h"
#include "results/RaceSetup.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QWidget;
class clsFile;
class frmTimer;
struct MainMenus;

// The race-day commands of the main window: start times (Start now, the start and laps dialog),
// the Timer window with its finish-time marks, and the results (export and printout). They follow
// the open record file: its marks and setup are read when it opens, and its menu entries work only
// while one is open (the Timer window stays and says why it refuses a mark).
class RaceCommands : public QObject {
    Q_OBJECT
public:
    // What the main window lends the commands.
    struct Window {
        QWidget* window = nullptr;
        const clsFile* records = nullptr;
        std::function<void(const QString& text)> showState; // the status bar's message panel
        // Runs a dialog with focus catching paused, so it keeps the focus.
        std::function<void(const std::function<void()>& dialog)> withoutCatching;
        std::function<void()> backToEntry; // the focus back into the entry box
    };
    RaceCommands(Window window, const MainMenus& menus, QObject* parent);
    ~RaceCommands() override;

    // After every change of the records, and when a record file was opened or closed.
    void RecordsChanged();
    void SetCaptions();
    // The open record file's marks and setup; none without one.
    const QVector<QDateTime>& Marks() const { return m_marks.All(); }
    const RaceSetup& Setup() const { return m_setup; }

signals:
    // The marks or the setup changed.
    void RaceChanged();

private:
    void FollowRecordFile();
    RaceResult Ranking() const;
    QString FileName() const;
    void mnuFile_ExportResults_Click();
    void mnuFile_PrintResults_Click();
    void mnuExtras_StartNow_Click();
    void mnuExtras_RaceSetup_Click();
    void mnuExtras_Timer_Click();

    Window m_window;
    QAction* m_exportResults = nullptr;
    QAction* m_printResults = nullptr;
    QAction* m_startNow = nullptr;
    QAction* m_raceSetup = nullptr;
    QAction* m_timerCommand = nullptr;
    QString m_fileName; // the record file whose marks and setup are loaded
    FinishMarks m_marks;
    RaceSetup m_setup;
    QPointer<frmTimer> m_timer;
};
