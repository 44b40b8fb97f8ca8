#include "recording/frmPort.h"

#include "base/AccessibleNames.h"
#include "base/ErrorHandler.h"
#include "base/MessageBox.h"
#include "base/NumericValue.h"
#include "base/Registry.h"
#include "base/Settings.h"
#include "lang/clsLanguage.h"

#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSerialPortInfo>

#include <algorithm>
#include <cmath>

namespace {

const QString kBarcodePort = QStringLiteral("BarcodePort");

// A number as the text the port box shows: whole numbers without a decimal point.
QString NumberText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

// The larger of 1 and the number at the start of the text.
QString AtLeastOne(const QString& text) {
    return NumberText(std::max(1.0, NumericValue(text)));
}

} // namespace

QString BarcodeDeviceSetting() {
    return QStringLiteral("BarcodeDevice");
}

bool frmPort::AsksForDevice() {
#ifdef Q_OS_WIN
    return false;
#else
    return true;
#endif
}

frmPort::frmPort(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPort"));
    setWindowTitle(GetText(QStringLiteral("BCPORT_CAPTION")));
    BuildControls();
}

void frmPort::BuildControls() {
    auto* grid = new QGridLayout(this);
    lblLabel0 = new QLabel(this);
    lblLabel0->setObjectName(QStringLiteral("lblLabel"));
    lblLabel0->setProperty("index", 0);
    txtPort = new QLineEdit(QStringLiteral("1"), this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->installEventFilter(this);
    grid->addWidget(lblLabel0, 0, 0);
    grid->addWidget(txtPort, 0, 1);

    if (AsksForDevice()) {
        lblDevice = new QLabel(this);
        lblDevice->setObjectName(QStringLiteral("lblDevice"));
        cboDevice = new QComboBox(this);
        cboDevice->setObjectName(QStringLiteral("cboDevice"));
        cboDevice->setEditable(true);
        cboDevice->setInsertPolicy(QComboBox::NoInsert);
        cboDevice->setMinimumContentsLength(48);
        grid->addWidget(lblDevice, 1, 0);
        grid->addWidget(cboDevice, 1, 1);
    }

    cmdCommand0 = new QPushButton(QStringLiteral("OK"), this);
    cmdCommand1 = new QPushButton(QStringLiteral("Abbrechen"), this);
    for (int index : {0, 1}) {
        QPushButton* button = index == 0 ? cmdCommand0 : cmdCommand1;
        button->setObjectName(QStringLiteral("cmdCommand"));
        button->setProperty("index", index);
        connect(button, &QPushButton::clicked, this, [this, index] { cmdCommand_Click(index); });
    }
    cmdCommand0->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCommand0);
    buttons->addWidget(cmdCommand1);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

// The system's serial ports, and on Linux their stable names under /dev/serial/by-id, which
// stay the same when a USB scanner is plugged into another socket. The first entry is empty:
// the port number names the port.
void frmPort::FillDeviceList() {
    cboDevice->clear();
    cboDevice->addItem(QString());
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports) {
        cboDevice->addItem(port.systemLocation());
        const QString about = QStringList{port.description(), port.manufacturer()}.join(QStringLiteral(" - "));
        cboDevice->setItemData(cboDevice->count() - 1, about, Qt::ToolTipRole);
    }
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        cboDevice->addItem(link.absoluteFilePath());
}

bool frmPort::GetPort(QWidget* owner, qint32& Port) {
    if (!m_loaded)
        Form_Load();
    if (owner && parentWidget() != owner)
        setParent(owner, windowFlags());
    setWindowModality(Qt::ApplicationModal);
    const QPointer<frmPort> self = this;
    {
        const ModalScope modal; // the scanner being chosen holds its codes meanwhile
        exec();
    }
    if (!self)
        return false; // destroyed with its owner meanwhile; its unload has run
    Port = m_chosenPort;
    return m_okPressed;
}

void frmPort::SetCaptions() {
    setWindowTitle(GetText(QStringLiteral("BCPORT_CAPTION")));
    lblLabel0->setText(GetText(QStringLiteral("BCPROT_LBLLABEL0")));
    cmdCommand0->setText(GetText(QStringLiteral("GEN_BTN_OK")));
    cmdCommand1->setText(GetText(QStringLiteral("GEN_BTN_CANCEL")));
    if (cboDevice) {
        lblDevice->setText(GetText(QStringLiteral("BCPORT_LBLDEVICE")));
        cboDevice->lineEdit()->setPlaceholderText(GetText(QStringLiteral("BCPORT_DEVICEHINT")));
    }
    ApplyAccessibleNames(this);
}

void frmPort::Form_Load() {
    m_loaded = true;
    ReportingErrors(
        [this] {
            SetCaptions();
            const QVariant stored = GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kBarcodePort);
            txtPort->setText(AtLeastOne(stored.toString()));
            if (cboDevice) {
                FillDeviceList();
                cboDevice->setCurrentText(ReadSetting(BarcodeDeviceSetting()).toString());
            }
        },
        QStringLiteral("frmPort_Form_Load"));
}

void frmPort::txtPort_Validate() {
    ReportingErrors([this] { txtPort->setText(AtLeastOne(txtPort->text())); });
}

void frmPort::cmdCommand_Click(int index) {
    ReportingErrors(
        [this, index] {
            if (index == 0) {
                m_chosenPort = WholeNumberValue(txtPort->text());
                m_chosenDevice = cboDevice ? cboDevice->currentText().trimmed() : QString();
                m_okPressed = true;
            } else {
                m_okPressed = false;
            }
            done(index == 0 ? QDialog::Accepted : QDialog::Rejected);
        },
        QStringLiteral("frmPort_cmdCommand_Click"));
}

frmPort::~frmPort() {
    Form_Unload(); // destroyed with its owner while open
}

// Every way out (the buttons, Esc and the close box) ends here.
void frmPort::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

// The number is stored also on Cancel, so a number typed and then cancelled is offered again.
void frmPort::Form_Unload() {
    if (m_unloaded || !m_loaded)
        return;
    m_unloaded = true;
    ReportingErrors(
        [this] {
            SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kBarcodePort, txtPort->text(),
                             RegistryType::String);
            if (cboDevice)
                WriteSetting(BarcodeDeviceSetting(), cboDevice->currentText().trimmed());
        },
        QStringLiteral("frmPort_Form_Unload"));
}

// The port box is validated when the focus moves on to another control of the dialog; a focus
// lost because the window itself loses the activation does not count.
bool frmPort::eventFilter(QObject* watched, QEvent* event) {
    // A box being destroyed no longer casts to a line edit and is left alone.
    if (event->type() == QEvent::FocusOut && watched == txtPort && qobject_cast<QLineEdit*>(watched)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            txtPort_Validate();
    }
    return QDialog::eventFilter(watched, event);
}
