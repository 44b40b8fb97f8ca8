#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>

class FinishMarks;
class MarkKeyFilter;
class MarkListModel;
class QLabel;
class QPushButton;
class QTableView;
class clsFile;

// The timekeeper's window: a big button and a key (MarkKeyFilter) that take a finish-time mark,
// the marks beside the passages they time, and commands to pair them again (insert an empty mark,
// delete one) or to take the marks from a timer's list of times. It never takes the keyboard focus,
// so the entry box keeps it while the window is used with the mouse.
class frmTimer : public QWidget {
    Q_OBJECT
public:
    // raceStart: the race's start as it is now (invalid without one).
    frmTimer(FinishMarks& marks, const clsFile& records, std::function<QDateTime()> raceStart, QWidget* parent);
    ~frmTimer() override;

    void Form_Load();
    void SetCaptions();
    // The marks, the passages or the record file changed.
    void RecordsChanged();
    // Takes a mark now: on the disk before the window says so. Refused, and said so, while no
    // record file is open; a mark that could not be written is kept and the alarm sounds.
    void TakeMark();

signals:
    void Alarm();
    void Unload();
    // A mark was taken, inserted, deleted or imported.
    void MarksChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowState(const QString& text, bool fault);
    void cmdInsert_Click();
    void cmdDelete_Click();
    void cmdImport_Click();
    qint32 SelectedRow() const;
    // Runs a change of the marks file; a failure is reported (the operator asked for the change).
    template <typename Change> void ChangeMarks(Change change);

    FinishMarks& m_marks;
    const clsFile& m_records;
    std::function<QDateTime()> m_raceStart;
    MarkKeyFilter* m_keys = nullptr;
    MarkListModel* m_model = nullptr;
    QPushButton* cmdMark = nullptr;
    QLabel* lblState = nullptr;
    QLabel* lblCount = nullptr;
    QTableView* tblMarks = nullptr;
    QPushButton* cmdInsert = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdImport = nullptr;
    QString m_stateText;
};
