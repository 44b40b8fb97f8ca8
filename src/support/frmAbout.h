#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about window: program icon, version, three lines of text and OK. The lines are the
// control array lblLabel: QLabels named "lblLabel" with the property "index" 1 to 3. Line 3 is
// the maker's web address, the only line that reacts to a click; while the language tables name
// no real address it is plain text instead: the licence and where the user guide is.
//
// Shown modal by the main window (exec()); the texts are set when it is created.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* lblLabel(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void lblLabel_Click(int index);

    QLabel* picIcon;
    QLabel* lblVersion;
    QLabel* m_labels[3];
    QPushButton* cmdOK;
    bool m_hasLink = false;
};

// Whether a text names a real web address (a host with a dot, outside the names reserved for
// examples), not an empty text, a missing key or a placeholder.
bool IsMakerAddress(const QString& text);

// text with every "[year]", in any mix of small and capital letters, replaced by year in four digits.
QString ReplaceYear(const QString& text, int year);

// The program's picture, a runner's bib, drawn at size × size device-independent pixels.
QPixmap ProgramPicture(int size, qreal devicePixelRatio);
