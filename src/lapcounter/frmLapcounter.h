#pragma once

#include "lapcounter/LapCounting.h"
#include "lapcounter/LapStandings.h"
#include "lapcounter/LapcounterLayout.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class LapListModel;
class clsFile;

// The lap counter: laps per bib since the last reset, ranked, with the laps remaining to a target.
// A sizable tool window; it reads the records of the main window's record file and, after each
// action here, asks for the keyboard to go back to the main window's entry box (HandFocusBack) so
// bib entry goes on there. Closing or destroying it stores its settings and position and emits Unload;
// closing also deletes it.
//
// Call Form_Load once before showing it.
class frmLapcounter : public QWidget {
    Q_OBJECT
public:
    explicit frmLapcounter(const clsFile& records, QWidget* parent = nullptr);
    // A loaded window destroyed without being closed (with its owner) still runs its unload.
    ~frmLapcounter() override;

    // Restores the position, reads the four settings, sets the captions and refreshes.
    void Form_Load();
    void SetCaptions();
    // Brings the laps in step with the records and replaces the list; then hands the focus back.
    void cmdRequery_Click();
    // The main window's automatic refresh after a change of the records: a single passage moves
    // one line of the list, anything else refreshes it. Nothing shows while automatic refresh is off.
    // Either way the list stays where the operator scrolled it (a new window starts at the top), so
    // the part watched during a race does not jump away with every passage.
    void RecordsChanged();
    // The standings this window counts with and what its fields ask of the list, for other views
    // of the same standings.
    LapStandings& Standings() { return m_standings; }
    LapListInput ListInput() const;

    // Names shown beside the bibs (empty function: no name column); the list follows at the next refresh.
    void SetNameLookup(std::function<QString(qint32 bib)> nameOf) {
        m_nameOf = std::move(nameOf);
        m_shown.valid = false; // every line's name may differ
    }

    // Whether the main window refreshes this window after each change of the records.
    bool AutoRefresh() const;
    // Records with a smaller ID are not counted; 0 until a reset.
    qint32 FirstCountedID() const { return m_firstCountedID; }

signals:
    void Unload();
    // What the list is made of changed: the target or the minimum as confirmed (Enter, leaving
    // the field, loaded), the order, or the first counted record (a reset).
    void CountingChanged();
    // After each action here: the keyboard belongs to the main window's entry box again.
    void HandFocusBack();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();
    void ApplyLayout();
    void Form_Unload();
    void cmdReset_Click();
    void ForgetResetOfOtherFile();
    void chkAuto_Click();
    void chkDescending_Click();
    void txtLapCount_GotFocus(int index);
    void txtLapCount_Validate(int index);
    void Requery();
    bool ApplyMove(const LapMove& move);

    const clsFile& m_records;
    LapcounterLayout m_layout;
    LapListModel* m_lines = nullptr;
    QListView* List1 = nullptr;
    QPushButton* cmdRequery = nullptr;
    QPushButton* cmdReset = nullptr;
    QLabel* lblLapcount[2] = {};
    QLineEdit* txtLapCount[2] = {};
    QCheckBox* chkAuto = nullptr;
    QCheckBox* chkDescending = nullptr;
    QString m_textAtFocus[2]; // each field's text when it last got the focus
    qint32 m_firstCountedID = 0;
    quint64 m_resetOpening = 0; // the file opening the reset counts in (clsFile::Openings)
    bool m_loaded = false;
    std::function<QString(qint32 bib)> m_nameOf;
    LapStandings m_standings;
    // What the list shows: which standings revision, made from which input. A passage can only
    // move one line when both are still current.
    struct Shown {
        bool valid = false;
        quint64 revision = 0;
        LapListInput input;
        double minimum = 0;
    } m_shown;
    bool m_unloaded = false;
};
