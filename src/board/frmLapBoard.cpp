#include "board/frmLapBoard.h"

#include "base/AccessibleNames.h"
#include "base/Settings.h"
#include "board/QrCodeImage.h"
#include "lang/clsLanguage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr quint16 kDefaultPort = 8080;

template <typename Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

frmLapBoard::frmLapBoard(Board board, QWidget* parent) : QDialog(parent), m_board(std::move(board)) {
    setObjectName(QStringLiteral("frmLapBoard"));
    chkLapBoard = Named(new QCheckBox(this), "chkLapBoard");
    lblPort = Named(new QLabel(this), "lblPort");
    txtPort = Named(new QLineEdit(this), "txtPort");
    txtPort->setValidator(new QIntValidator(1, 65535, txtPort));
    txtPort->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) * 2);
    lblPort->setBuddy(txtPort);
    lblAddresses = Named(new QLabel(this), "lblAddresses");
    lblAddresses->setTextFormat(Qt::RichText);
    lblAddresses->setTextInteractionFlags(Qt::TextBrowserInteraction);
    lblAddresses->setOpenExternalLinks(true);
    lblAddresses->setWordWrap(true);
    lblAddress = Named(new QLabel(this), "lblAddress");
    cboAddress = Named(new QComboBox(this), "cboAddress");
    lblAddress->setBuddy(cboAddress);
    picQrCode = Named(new QLabel(this), "picQrCode");
    picQrCode->setAlignment(Qt::AlignCenter);
    cmdClose = Named(new QPushButton(this), "cmdClose");
    cmdClose->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(chkLapBoard, 0, 0, 1, 2);
    layout->addWidget(lblPort, 1, 0);
    layout->addWidget(txtPort, 1, 1, Qt::AlignLeft);
    layout->addWidget(lblAddresses, 2, 0, 1, 2);
    layout->addWidget(lblAddress, 3, 0);
    layout->addWidget(cboAddress, 3, 1);
    layout->addWidget(picQrCode, 4, 0, 1, 2);
    layout->addWidget(cmdClose, 5, 1, Qt::AlignRight);
    layout->setColumnStretch(1, 1);

    connect(chkLapBoard, &QCheckBox::clicked, this, &frmLapBoard::chkLapBoard_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(cboAddress, &QComboBox::currentIndexChanged, this, [this] {
        if (cboAddress->currentIndex() >= 0)
            m_board.chooseAddress(cboAddress->currentText());
        ShowAddress();
    });

    const quint16 running = m_board.runningPort();
    chkLapBoard->setChecked(running != 0);
    txtPort->setText(QString::number(running != 0 ? running : StoredPort()));
    SetCaptions();
    ShowState();
}

quint16 frmLapBoard::StoredPort() {
    bool ok = false;
    const uint port = ReadSetting(QStringLiteral("LapBoardPort")).toString().toUInt(&ok);
    return ok && port >= 1 && port <= 65535 ? quint16(port) : kDefaultPort;
}

void frmLapBoard::SetCaptions() {
    setWindowTitle(GetText(QStringLiteral("MKL_LB_CAPTION")));
    chkLapBoard->setText(GetText(QStringLiteral("MKL_LB_SERVE")));
    lblPort->setText(GetText(QStringLiteral("MKL_LB_PORT")) + QLatin1Char(':'));
    lblAddress->setText(GetText(QStringLiteral("MKL_LB_ADDRESS")) + QLatin1Char(':'));
    cmdClose->setText(GetText(QStringLiteral("GEN_BTN_OK")));
    ApplyAccessibleNames(this);
}

void frmLapBoard::chkLapBoard_Click() {
    if (!chkLapBoard->isChecked()) {
        m_board.stop();
        WriteSetting(QStringLiteral("LapBoard"), CheckBoxValue(false));
        ShowState();
        return;
    }
    const uint port = txtPort->text().toUInt();
    QString error;
    if (port < 1 || port > 65535 || !m_board.start(quint16(port), &error)) {
        chkLapBoard->setChecked(false);
        QString problem = GetText(QStringLiteral("MKL_LB_PORTFAILED"), {{QStringLiteral("[port]"), txtPort->text()}});
        if (!error.isEmpty())
            problem += QStringLiteral(" (") + error + QLatin1Char(')');
        ShowState(problem);
        return;
    }
    WriteSetting(QStringLiteral("LapBoard"), CheckBoxValue(true));
    WriteSetting(QStringLiteral("LapBoardPort"), QString::number(port));
    ShowState();
}

void frmLapBoard::ShowState(const QString& problem) {
    const quint16 port = m_board.runningPort();
    txtPort->setEnabled(port == 0);
    if (port == 0) {
        const QString text = problem.isEmpty() ? GetText(QStringLiteral("MKL_LB_OFF")) : problem;
        lblAddresses->setText(problem.isEmpty()
                                  ? text.toHtmlEscaped()
                                  : QStringLiteral("<b style=\"color:#b00000\">%1</b>").arg(text.toHtmlEscaped()));
        picQrCode->clear();
        picQrCode->hide();
        lblAddress->hide();
        cboAddress->hide();
        adjustSize();
        return;
    }
    const QStringList addresses = m_board.addresses(port);
    const QSignalBlocker quiet(cboAddress);
    const QString chosen = cboAddress->count() > 0 ? cboAddress->currentText() : m_board.chosenAddress();
    cboAddress->clear();
    cboAddress->addItems(addresses);
    cboAddress->setCurrentIndex(qMax(0, addresses.indexOf(chosen)));
    m_board.chooseAddress(cboAddress->currentText());
    ShowAddress();
}

// The chosen address as a link and as a QR code; the choice only where there is one to make.
void frmLapBoard::ShowAddress() {
    const QString address = cboAddress->currentText();
    lblAddresses->setText(
        GetText(QStringLiteral("MKL_LB_OPEN")).toHtmlEscaped() +
        QStringLiteral("<br><a href=\"%1\" style=\"font-size:large\">%1</a>").arg(address.toHtmlEscaped()));
    lblAddress->setVisible(cboAddress->count() > 1);
    cboAddress->setVisible(cboAddress->count() > 1);
    picQrCode->setPixmap(QPixmap::fromImage(QrCodeImage(address, 6)));
    picQrCode->show();
    adjustSize();
}
