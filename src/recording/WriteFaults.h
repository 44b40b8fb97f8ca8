#pragma once

#include <QObject>

class AlarmBand;
class MainStatusBar;
class QWidget;
class clsFile;

// Faults of the record file and the scanner as the main window shows them: a write that fails
// while the operator records goes to the alarm band, the status bar and the alarm sound, never
// into a box; the list is not given up while the file lags behind it; a recovery copy an earlier
// run left is offered when its file opens.
class WriteFaults : public QObject {
    Q_OBJECT
public:
    // Questions and dialogs belong to `window`.
    WriteFaults(clsFile& records, AlarmBand& band, MainStatusBar& status, QWidget* window);

    // After a change: a write that failed is logged and sounds the alarm; the band and the status
    // bar show what the file lacks, or clear when it is in step.
    void AfterWrite(bool saved);
    void ShowWriteState();
    // The record file has just opened: a recovery copy is offered, its state shown, and what the
    // reader skipped (zero bytes, damaged lines) noticed.
    void FileOpened();
    void FileClosed();
    // While the file lags behind the list, asks before the list is given up: Retry, Save as, or
    // Cancel. True when the list is safe in a file and the file may be closed.
    bool MayLeaveFile();
    // The question of MayLeaveFile is open.
    bool AskingToLeave() const { return m_askingToLeave; }

    void ScannerAlarm(const QString& text);
    void ScannerBack();

signals:
    // Asked to leave the file, the operator saved the list under this name instead.
    void SavedAs(const QString& path);

private:
    // A recovery copy an earlier run left for the file just opened, holding other records: the
    // operator chooses to use it, save it elsewhere, or keep the file as it is.
    void OfferRecoveryCopy();
    void ShowFoundInFile();

    clsFile& m_records;
    MainStatusBar& m_status;
    QWidget* m_window;
    AlarmBand& m_band;
    bool m_askingToLeave = false;
};
