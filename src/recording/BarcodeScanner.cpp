#include "recording/BarcodeScanner.h"

#include "base/Clock.h"
#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "base/Settings.h"
#include "lang/clsLanguage.h"
#include "recording/SerialDeviceAccess.h"
#include "recording/SerialPortName.h"
#include "recording/frmPort.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// Error numbers of the serial port, as the family's logs know them from its serial control.
constexpr qint32 kInvalidPortNumber = 8002;
constexpr qint32 kPortAlreadyOpen = 8005;

constexpr int kPollInterval = 20;     // ms
constexpr int kReopenInterval = 1000; // ms between looks for a lost scanner
constexpr qint64 kReadBufferSize = 1024;

// The program-key flag behind WasOnWhenLastEnded.
const QString kWasOnSetting = QStringLiteral("BarcodeActive");

QString PortText(const char* key, const QString& portName) {
    return GetText(QLatin1String(key), {{QStringLiteral("[port]"), portName}});
}

// Whether the device of a port is present, without opening it.
bool DeviceIsPresent(const QString& portName) {
    if (kThisPlatform == PortPlatform::Unix)
        return QFileInfo::exists(SerialDeviceLocation(portName));
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.cbegin(), ports.cend(), [&](const QSerialPortInfo& port) {
        return port.portName().compare(portName, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

BarcodeScanner::BarcodeScanner(std::function<void(const ScannedCode&)> record, QObject* parent)
    : QObject(parent), m_timer(new QTimer(this)), m_record(std::move(record)), m_port(new QSerialPort(this)),
      m_reopen(new QTimer(this)) {
    m_port->setObjectName(QStringLiteral("MSComm"));
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->setReadBufferSize(kReadBufferSize);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { PortError(error); });

    m_timer->setObjectName(QStringLiteral("tmrBarcode")); // polls the port while it is open
    m_timer->setInterval(kPollInterval);
    connect(m_timer, &QTimer::timeout, this, &BarcodeScanner::tmrBarcode_Timer);
    m_reopen->setInterval(kReopenInterval);
    connect(m_reopen, &QTimer::timeout, this, &BarcodeScanner::TryReopen);
    m_modalObserver = ModalScope::AddObserver([this](bool open) { HoldWhileModal(open); });
}

BarcodeScanner::~BarcodeScanner() {
    ModalScope::RemoveObserver(m_modalObserver);
    m_reopen->stop();
    if (m_port->isOpen())
        m_port->close();
}

bool BarcodeScanner::mnuExtras_BarcodeScanner_Click(QWidget* owner) {
    bool opened = false;
    ReportingErrors([this, owner, &opened] {
        // The dialog goes with its owner when that closes meanwhile; then nothing more happens here.
        const QPointer<frmPort> dialog = new frmPort(owner);
        const QPointer<BarcodeScanner> self = this;
        qint32 port = 0;
        const bool chosen = dialog->GetPort(owner, port);
        if (!dialog || !self)
            return;
        const QString device = dialog->ChosenDevice();
        delete dialog;
        if (!chosen)
            return;
        WriteSetting(kWasOnSetting, CheckBoxValue(false));
        OpenPort(port, device);
        WriteSetting(kWasOnSetting, CheckBoxValue(true));
        opened = true;
    });
    return opened;
}

bool BarcodeScanner::WasOnWhenLastEnded() {
    return IsCheckedValue(ReadSetting(kWasOnSetting));
}

void BarcodeScanner::RememberState() const {
    WriteSetting(kWasOnSetting, CheckBoxValue(IsOn()));
}

void BarcodeScanner::OpenPort(qint32 port, const QString& device) {
    Close();
    if (device.trimmed().isEmpty() && !IsValidPortNumber(port))
        Raise(kInvalidPortNumber, PortText("MKL_MSG_PORTINVALID", QString::number(port)));
    Open(SerialPortName(port, device));
}

void BarcodeScanner::Open(const QString& portName) {
    Close();
    m_portName = portName;
    m_port->setPortName(portName);
    if (!m_port->open(QIODevice::ReadWrite))
        RaiseOpenError(portName);
    m_reader.DropUnfinished();
    m_timer->start();
}

// Tells the operator why the port did not open and what to do about it.
void BarcodeScanner::RaiseOpenError(const QString& portName) {
    const QSerialPort::SerialPortError error = m_port->error();
    const QString detail = m_port->errorString();
    m_port->clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        Raise(kInvalidPortNumber, PortText("MKL_MSG_PORTMISSING", portName));
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        // A device the user may not open needs a group membership; otherwise another program
        // holds the port (Windows reports a port in use this way too).
        if (IsDeviceAccessDenied(SerialDeviceLocation(portName))) {
            const QString group = DeviceGroupName(SerialDeviceLocation(portName));
            Raise(ErrorNumber::PermissionDenied,
                  PortText("MKL_MSG_PORTDENIED", portName) + QLatin1Char('\n') +
                      GetText(QStringLiteral("MKL_MSG_PORTGROUP"), {{QStringLiteral("[group]"), group}}));
        }
        Raise(kPortAlreadyOpen, PortText("MKL_MSG_PORTBUSY", portName));
    default:
        Raise(ErrorNumber::DeviceIoError, PortText("MKL_MSG_PORTFAILED", portName) + QLatin1Char('\n') + detail);
    }
}

void BarcodeScanner::Close() {
    m_reopen->stop();
    m_lossPending = false;
    if (m_port->isOpen())
        m_port->close();
    m_timer->stop();
}

bool BarcodeScanner::IsOpen() const {
    return m_port->isOpen();
}

bool BarcodeScanner::IsOn() const {
    return m_port->isOpen() || m_reopen->isActive();
}

void BarcodeScanner::tmrBarcode_Timer() {
    if (!m_port->isOpen()) {
        m_timer->stop();
        return;
    }
    TakeCharacters(m_port->readAll());
}

void BarcodeScanner::HoldWhileModal(bool hold) {
    m_held = hold;
    if (hold || !m_port->isOpen()) {
        HandOver();
        return;
    }
    // Taken at once, not at the next poll: the command that showed the box may go on to close
    // the record file, and what was scanned meanwhile belongs into it.
    m_port->waitForReadyRead(0);
    TakeCharacters(m_port->readAll());
}

bool BarcodeScanner::IsHeld() const {
    return m_held || QApplication::activeModalWidget() != nullptr;
}

void BarcodeScanner::TakeCharacters(const QByteArray& characters) {
    const qsizetype before = m_reader.Waiting();
    m_reader.Take(characters, Now());
    if (IsHeld() && m_reader.Waiting() != before)
        emit ScansHeld(int(m_reader.Waiting()));
    HandOver();
}

// In arrival order; a box the recording shows holds the rest until it has closed.
void BarcodeScanner::HandOver() {
    if (m_handingOver)
        return;
    const QScopedValueRollback<bool> handing(m_handingOver, true);
    while (!IsHeld()) {
        const std::optional<ScannedCode> code = m_reader.Next();
        if (!code)
            break;
        m_record(*code); // the recording reports its own failures; the next code still counts
    }
}

// A port that can no longer be read is gone: Windows reports a removed device as a resource
// error, Linux a hung-up terminal as a read error that repeats until the port is closed.
void BarcodeScanner::PortError(int error) {
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (m_lossPending || !m_port->isOpen())
        return;
    m_lossPending = true;
    QMetaObject::invokeMethod(this, &BarcodeScanner::HandleLoss, Qt::QueuedConnection);
}

void BarcodeScanner::HandleLoss() {
    if (!m_lossPending)
        return;
    m_lossPending = false;
    if (!m_port->isOpen())
        return;
    // What arrived before the loss is still recorded, after any box that holds the scanner.
    TakeCharacters(m_port->readAll());
    m_port->close();
    m_port->clearError();
    m_timer->stop();
    m_lostPortName = m_portName;
    m_reopen->start();
    // Shown in the window, never in a box: the operator may be typing the next bib.
    const QString description = PortText("MKL_MSG_SCANNERLOST", m_lostPortName);
    LogError(ErrorInfo{ErrorNumber::DeviceIoError, ProgramTitle(), description});
    emit ScannerLost(GetText(QStringLiteral("MKL_SB_SCANNERLOST")));
    emit ScannerAlarm(description);
}

// Reopens the lost port once its device is back; until then it keeps looking, quietly.
void BarcodeScanner::TryReopen() {
    if (m_port->isOpen() || !DeviceIsPresent(m_lostPortName))
        return;
    m_port->setPortName(m_lostPortName);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_port->clearError(); // for example not yet given to the user's group
        return;
    }
    m_reopen->stop();
    m_portName = m_lostPortName;
    m_reader.DropUnfinished();
    m_timer->start();
    emit ScannerBack(PortText("MKL_SB_SCANNERBACK", m_portName));
}
