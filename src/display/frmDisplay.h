#pragma once

#include <QWidget>

class QFrame;
class QLabel;

// The scan display: the last recorded bib in digits as large as the window allows, so that
// runners and helpers can read it from a distance. The font follows the window's size.
//
// A sizable tool window, owned by the window passed as parent. It deletes itself when closed;
// owners keep a QPointer and drop it on Unload.
class frmDisplay : public QWidget {
    Q_OBJECT
public:
    explicit frmDisplay(QWidget* parent = nullptr);
    ~frmDisplay() override;

    // Restores the window's placement ("WndPos_frmDisplay") and sets its captions; failures are
    // reported. Call before showing the window.
    void Form_Load();
    // Shows b exactly as given; the size of the digits does not depend on it.
    void ShowBib(const QString& b);
    // The runner's name under the bib; empty shows none.
    void ShowName(const QString& name);
    void SetCaptions();

signals:
    // The window is closing; the owner stops handing it bibs.
    void Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Unload();
    void Form_Resize();
    void PlaceName();

    QFrame* Shape1;
    QLabel* lblBib;
    QLabel* lblName;
    bool m_loaded = false;
    bool m_unloaded = false;
};
