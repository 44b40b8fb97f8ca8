#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Extras > Lap board: switches the lap board on and off, and shows where to open it, with a QR
// code of the address for phones. The board itself belongs to the main window; this dialog only
// asks it to start or stop.
class frmLapBoard : public QDialog {
    Q_OBJECT
public:
    struct Board {
        std::function<bool(quint16 port, QString* error)> start;
        std::function<void()> stop;
        std::function<quint16()> runningPort; // 0 while off
    };
    explicit frmLapBoard(Board board, QWidget* parent = nullptr);

    void SetCaptions();

    // The lap board's port setting: the stored port, or the default for a missing or faulty one.
    static quint16 StoredPort();

private:
    void chkLapBoard_Click();
    void ShowState(const QString& problem = QString());

    Board m_board;
    QCheckBox* chkLapBoard = nullptr;
    QLabel* lblPort = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* lblAddresses = nullptr;
    QLabel* picQrCode = nullptr;
    QPushButton* cmdClose = nullptr;
};
