#pragma once

#include <QList>
#include <QPair>
#include <QStatusBar>

class QLabel;
class QTimer;

// The main window's status bar: panel 1 the record count, panel 2 the state of the last action
// (springs to fill the width), panel 3 the version, panel 4 the current time, kept up to date by
// itself.
class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // Removes all panels and adds the four again with these texts; panel 2 keeps its state, in
    // the current language where it came from a key.
    void Rebuild(const QString& records, const QString& version);
    void SetPanelText(int panel, const QString& text); // panel 1 to 4
    QString PanelText(int panel) const;

    // Panel 2 shows the text of a language key ("" empties it) with its placeholders filled in.
    void ShowState(const QString& key, const QList<QPair<QString, QString>>& values = {});
    // Panel 2 shows a text made elsewhere, as it is.
    void ShowStateText(const QString& text);
    QString StateKey() const { return m_stateKey; } // "" while panel 2 shows no key's text
    // What "[menu]" stands for in the state texts: the menu path of the scanner command.
    void SetScannerMenu(const QString& path) { m_scannerMenu = path; }
    // Paints one panel at once, so its text is visible while a slow operation runs.
    void RepaintPanelNow(int panel);

private:
    void ShowTime();
    QString StateText() const;

    QList<QLabel*> m_panels;
    QTimer* m_clock;
    QString m_stateKey;
    QList<QPair<QString, QString>> m_stateValues; // the key's placeholders and what they stand for
    QString m_scannerMenu;
};
