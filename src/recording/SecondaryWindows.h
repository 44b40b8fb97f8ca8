#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class LapBoardHost;
class QWidget;
class clsFile;
class frmDisplay;
class frmLapcounter;

// The lap counters and scan displays the main window opens: a new one at every use, of which only
// the newest of each kind follows the records; one opened before stays open on its own. The lap
// board shows the newest lap counter's standings while it is open.
class SecondaryWindows : public QObject {
    Q_OBJECT
public:
    using Names = std::function<QString(qint32 bib)>;

    // The windows belong to `owner`.
    SecondaryWindows(const clsFile& records, LapBoardHost& board, QWidget* owner);

    void OpenLapCounter(const Names& names);
    // The display shows the last recorded bib at once rather than nothing until the next passage.
    void OpenDisplay(const Names& names);
    // After every change of the records: the lap counter's automatic refresh.
    void RecordsChanged();
    // A bib just recorded and its name, for the scan display.
    void ShowPassage(qint32 bib, const QString& name);
    void SetNames(const Names& names);
    void SetCaptions();
    void CloseLapCounter();
    // Closes every lap counter and scan display, so each stores its settings and position.
    void CloseAll();

signals:
    // A lap counter is done with the keyboard: it belongs to the entry box again.
    void KeyboardBack();

private:
    void Keep(QWidget* window);

    const clsFile& m_records;
    LapBoardHost& m_board;
    QWidget* m_owner;
    QPointer<frmLapcounter> m_lapCounter; // the newest, refreshed after every change
    QPointer<frmDisplay> m_display;       // the newest, showing every recorded bib
    QList<QPointer<QWidget>> m_opened;    // every window still open, to close them all
};
