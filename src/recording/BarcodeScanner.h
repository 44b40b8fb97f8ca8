#pragma once

#include "recording/ScanReader.h"

#include <QObject>
#include <QString>

#include <functional>

class QSerialPort;
class QTimer;
class QWidget;

// The main window's serial barcode scanner: the serial port "MSComm" (9600 baud, no parity,
// 8 data bits, 1 stop bit) polled by its timer "tmrBarcode". Each code it sends is handed over
// whole, on its own: never through the entry box, where it would mix with digits being typed.
class BarcodeScanner : public QObject {
    Q_OBJECT
public:
    // record: takes each finished code, in the order they arrived.
    BarcodeScanner(std::function<void(const ScannedCode&)> record, QObject* parent = nullptr);
    ~BarcodeScanner() override;

    // Extras > barcode scanner: asks for the port in a new port dialog owned by owner, then
    // closes an open port and opens the chosen one. Failures are reported; Cancel changes nothing.
    // True when the chosen port is open.
    bool mnuExtras_BarcodeScanner_Click(QWidget* owner);

    // Closes an open port and opens the one a port number or device path names (the device wins).
    // Raises a RaisedError with a description for the operator when the port cannot be opened;
    // the scanner is off then.
    void OpenPort(qint32 port, const QString& device);
    // Whether the scanner was on when the program last ended (or was ended by force). Nothing
    // opens the port again by itself; the window only tells the operator how to switch it on.
    static bool WasOnWhenLastEnded();
    // Stores whether the scanner is on now, for WasOnWhenLastEnded at the next start.
    void RememberState() const;
    // The same for a port name as the serial port takes it ("COM3", "/dev/ttyUSB0").
    void Open(const QString& portName);
    void Close();

    bool IsOpen() const;
    // Open, or lost and waiting for its device to come back.
    bool IsOn() const;
    QSerialPort* MSComm() const { return m_port; }

    // The timer's handler: takes every character waiting at the port.
    void tmrBarcode_Timer();
    // While a modal box or dialog is open, codes are still read, each with the time it arrived,
    // but handed over only once the last one has closed, so nothing is recorded behind a dialog.
    // The scanner follows every ModalScope and every modal window by itself.
    void HoldWhileModal(bool hold);

signals:
    // The port vanished while open (a USB scanner unplugged): polling has stopped, and the port
    // is opened again as soon as its device is back. statusText is for the status bar.
    void ScannerLost(const QString& statusText);
    // The lost port is open again and polled.
    void ScannerBack(const QString& statusText);
    // What the operator must know about the lost scanner, for the window's alarm band.
    void ScannerAlarm(const QString& text);
    // Codes are waiting for a dialog to close; count: how many.
    void ScansHeld(int count);

private:
    void TakeCharacters(const QByteArray& characters);
    bool IsHeld() const;
    void HandOver();
    void PortError(int error);
    void HandleLoss();
    void TryReopen();
    [[noreturn]] void RaiseOpenError(const QString& portName);

    QTimer* m_timer;
    std::function<void(const ScannedCode&)> m_record;
    ScanReader m_reader;
    bool m_handingOver = false;
    QSerialPort* m_port;
    QTimer* m_reopen;
    QString m_portName;
    QString m_lostPortName;
    bool m_lossPending = false;
    bool m_held = false;
    int m_modalObserver = -1;
};
