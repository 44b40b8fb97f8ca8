#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Extras > Lap board: switches the lap board on and off, and shows where to open it, with a QR
// code of the address for phones; of several addresses the operator picks the one the phones
// reach. A window beside the main window, never modal: recording goes on while spectators scan
// the code. The board itself belongs to the main window; this window only asks it.
class frmLapBoard : public QDialog {
    Q_OBJECT
public:
    struct Board {
        std::function<bool(quint16 port, QString* error)> start;
        std::function<void()> stop;
        std::function<quint16()> runningPort;               // 0 while off
        std::function<QStringList(quint16 port)> addresses; // where other devices reach it
        std::function<QString()> chosenAddress;             // the one the page's QR code shows
        std::function<void(const QString& address)> chooseAddress;
    };
    explicit frmLapBoard(Board board, QWidget* parent = nullptr);

    void SetCaptions();

    // The lap board's port setting: the stored port, or the default for a missing or faulty one.
    static quint16 StoredPort();

private:
    void chkLapBoard_Click();
    void ShowState(const QString& problem = QString());
    void ShowAddress();

    Board m_board;
    QCheckBox* chkLapBoard = nullptr;
    QLabel* lblPort = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* lblAddresses = nullptr;
    QLabel* lblAddress = nullptr;
    QComboBox* cboAddress = nullptr;
    QLabel* picQrCode = nullptr;
    QPushButton* cmdClose = nullptr;
};
