#pragma once

// The program a hardening test kills or traces, run by the test's own executable: a main window on
// a record file, its scanner and beep switched on. It prints "ready" once its scanner is open, "ack"
// for every beep (a passage on the disk) and every message it would show, and records until it is killed or its scanner
// is pulled.

#include "ScanHelperStart.h"
#include "base/LogWriter.h"
#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/BarcodeScanner.h"
#include "recording/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include <cstdio>
#include <unistd.h>

inline int RunScanHelper(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const ProcessLanguage language;
    SetLogFilePath(qEnvironmentVariable("HOME") + QStringLiteral("/marklog.log"));
    const auto say = [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    SetMessagePresenter([&](const MessageRequest& request) {
        say(QStringLiteral("message: ") + request.text);
        return MsgAnswer::Ok;
    });
    SetSoundSink([&](const QString& sound) {
        if (sound != kAlarmSoundPath && sound != kRefusedSoundPath)
            say(QStringLiteral("ack"));
    });
    auto* window = new frmMain(QString::fromLocal8Bit(argv[2]));
    window->Form_Load();
    window->show();
    window->findChild<QCheckBox*>(QStringLiteral("chkBeep"))->setChecked(true);
    auto* scanner = window->findChild<BarcodeScanner*>();
    QObject::connect(scanner, &BarcodeScanner::ScannerLost, [] { ::_exit(0); }); // ends as abruptly as a kill
    try {
        scanner->Open(QString::fromLocal8Bit(argv[3]));
    } catch (const RaisedError& error) {
        say(QStringLiteral("scanner: ") + error.info().description);
        return 3;
    }
    say(QStringLiteral("ready"));
    return QApplication::exec(); // until killed
}

// The main of a test executable that is the scan helper, too, when started as one.
#define SCAN_HELPER_TEST_MAIN(TestClass)                                                                               \
    int main(int argc, char* argv[]) {                                                                                 \
        if (argc == 4 && qstrcmp(argv[1], "--scan-helper") == 0)                                                       \
            return RunScanHelper(argc, argv);                                                                          \
        QApplication application(argc, argv);                                                                          \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
