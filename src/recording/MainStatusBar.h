#pragma once

#include <QStatusBar>

class QLabel;
class QTimer;

// The main window's status bar: panel 1 the record count, panel 2 the saving state (springs to
// fill the width), panel 3 the version, panel 4 the current time, kept up to date by itself.
class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // Removes all panels and adds the four again with these texts; panel 2 starts empty.
    void Rebuild(const QString& records, const QString& version);
    void SetPanelText(int panel, const QString& text); // panel 1 to 4
    QString PanelText(int panel) const;
    // Paints one panel at once, so its text is visible while a slow operation runs.
    void RepaintPanelNow(int panel);

private:
    void ShowTime();

    QList<QLabel*> m_panels;
    QTimer* m_clock;
};
