#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The port dialog of the barcode scanner: asks for the COM port number, and where a number
// names no device (Unix systems) also for a device path. One instance serves one question.
class frmPort : public QDialog {
    Q_OBJECT
public:
    explicit frmPort(QWidget* parent = nullptr);
    ~frmPort() override;

    // Shows the dialog modal with owner as its owner. Port receives the chosen port (0 unless
    // left with OK); true when the dialog was left with OK.
    bool GetPort(QWidget* owner, qint32& Port);
    void SetCaptions();
    // The device path chosen with OK; "" for none (then the port number names the port).
    QString ChosenDevice() const { return m_chosenDevice; }

    // Loads captions and the stored port; GetPort does it for a dialog not yet loaded.
    void Form_Load();
    // Whether this system lets the dialog ask for a device path.
    static bool AsksForDevice();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void FillDeviceList();
    void cmdCommand_Click(int index);
    void txtPort_Validate();
    void Form_Unload();

    QLabel* lblLabel0 = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* lblDevice = nullptr;
    QComboBox* cboDevice = nullptr;
    QPushButton* cmdCommand0 = nullptr;
    QPushButton* cmdCommand1 = nullptr;
    qint32 m_chosenPort = 0;
    QString m_chosenDevice;
    bool m_okPressed = false;
    bool m_loaded = false;
    bool m_unloaded = false;
};

// The program-key setting that remembers a device path chosen in the port dialog.
QString BarcodeDeviceSetting();
