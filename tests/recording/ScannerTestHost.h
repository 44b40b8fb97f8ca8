#pragma once

// A scanner on a pseudo-terminal, and a stand-in for the main window around the barcode scanner:
// an entry box, the polling timer and a record button that keeps the bibs it records.

#include "app/ErrorInfo.h"
#include "app/NumericValue.h"
#include "recording/BarcodeScanner.h"

#include <QLineEdit>
#include <QList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// What the test writes to the master side arrives at the serial port opened on the slave device,
// as from a scanner on a cable; closing the master is pulling the cable.
class FakeScanner {
public:
    FakeScanner() {
        termios raw{};
        cfmakeraw(&raw);
        cfsetspeed(&raw, B9600);
        char name[PATH_MAX] = {};
        int slave = -1;
        if (openpty(&m_master, &slave, name, &raw, nullptr) != 0)
            qFatal("openpty failed: %s", strerror(errno));
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_device = QString::fromLocal8Bit(name);
    }
    ~FakeScanner() { Unplug(); }
    FakeScanner(const FakeScanner&) = delete;
    FakeScanner& operator=(const FakeScanner&) = delete;

    QString Device() const { return m_device; }

    // Writes everything, waiting while the terminal's buffer is full. False when it could not.
    bool Send(const QByteArray& bytes) {
        qsizetype sent = 0;
        return QTest::qWaitFor(
            [&] {
                while (sent < bytes.size()) {
                    const ssize_t n = ::write(m_master, bytes.constData() + sent, size_t(bytes.size() - sent));
                    if (n <= 0)
                        return false;
                    sent += n;
                }
                return true;
            },
            30000);
    }

    // Whether the serial port at the other end is open: an unopened terminal hangs up its master.
    bool IsOpenAtOtherEnd() const {
        pollfd master{m_master, POLLIN, 0};
        return ::poll(&master, 1, 0) >= 0 && !(master.revents & POLLHUP);
    }

    void Unplug() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_device;
};

class ScannerTestHost : public QWidget {
public:
    ScannerTestHost() {
        txtEnter = new QLineEdit(this);
        txtEnter->setObjectName(QStringLiteral("txtEnter"));
        txtEnter->setMaxLength(8);
        tmrBarcode = new QTimer(this);
        tmrBarcode->setObjectName(QStringLiteral("tmrBarcode"));
        scanner = new BarcodeScanner(
            tmrBarcode, txtEnter, [this] { Record(); }, this);
    }

    // The record button as far as the scanner sees it: values of 0 or less are ignored, every
    // recorded bib empties the box.
    void Record() {
        const qint32 bib = WholeNumberValue(txtEnter->text());
        if (bib <= 0)
            return;
        bibs.append(bib);
        txtEnter->clear();
    }

    QLineEdit* txtEnter;
    QTimer* tmrBarcode;
    BarcodeScanner* scanner;
    QList<qint32> bibs;
};
