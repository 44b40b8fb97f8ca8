#pragma once

// The one fixture of window tests: an isolated settings store, message boxes and file dialogs
// answered from a script, a silent acknowledgement sound, a temporary folder, and the main window
// started the way the program starts it. A test class makes one in init() and checks Finish() in
// cleanup(); controls tested without the main window load the language with UseLanguage().

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/frmMain.h"
#include "records/FileHelpers.h"
#include "support/FileDialogSeam.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <optional>

class GuiFixture {
public:
    GuiFixture() : m_speaker(SetSoundSink([](const QString&) {})) {
        FileDialogSeam::reset();
        FileDialogSeam::activate(); // no real dialog ever opens; an unscripted one is cancelled
    }
    ~GuiFixture() {
        CloseWindow();
        m_processLanguage.reset();
        language.reset();
        SetSoundSink(m_speaker);
        FileDialogSeam::reset();
    }

    // The record file of a test: "race.stn" in the temporary folder.
    QString path(const QString& name = QStringLiteral("race.stn")) const {
        return QDir::toNativeSeparators(dir.filePath(name));
    }

    // Starts the main window with this command line and waits until it holds the focus. Like the
    // program's entry, it makes the process's language component first unless a test loaded one.
    bool Load(const QString& commandLine = QString()) {
        if (!gLanguage)
            m_processLanguage.emplace();
        window = new frmMain(commandLine);
        window->Form_Load();
        window->show();
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }
    // Writes the record file and starts the main window with it.
    bool LoadRecords(const QByteArray& bytes) {
        WriteBytes(path(), bytes);
        return Load(path()) && window->Records().FileName() == path();
    }
    // Closes the main window as the operator does; true when it is gone.
    bool CloseWindow() {
        if (!window)
            return true;
        window->close();
        return QTest::qWaitFor([this] { return window.isNull(); }); // deleted on close
    }
    // Closes the window; true when no message box was shown that the test did not take back.
    bool Finish() {
        const bool closed = CloseWindow();
        return closed && messages.shown().isEmpty() && !std::exchange(s_modalLeftOpen, false);
    }
    // Runs action on the next modal window once it is shown and active. The action closes it; one
    // that never came or is still open afterwards is closed and fails Finish(), so no test can hang.
    static void OnModal(std::function<void(QWidget&)> action) {
        QTimer::singleShot(0, [action] {
            QPointer<QWidget> modal;
            const bool came = QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()); }) &&
                              QTest::qWaitForWindowActive(modal);
            if (came)
                action(*modal);
            s_modalLeftOpen |= !came || (modal && modal->isVisible());
            if (modal && modal->isVisible())
                modal->close();
        });
    }
    // Loads the shipped language tables for controls shown without the main window.
    void UseLanguage(const QString& id = QStringLiteral("en")) {
        language.reset();
        language.emplace(id);
    }

    // Types a bib into the entry box and presses Enter; the window then shows the passage.
    void Record(const QString& typed) const {
        QTest::keyClicks(Entry(), typed);
        QTest::keyClick(Entry(), Qt::Key_Return);
        ShowPassages();
    }
    // A passage is on the disk and acknowledged when Enter returns; its grid row, the record
    // count, the scan display and the lap counter follow once control is back with the window.
    static void ShowPassages() { QCoreApplication::processEvents(); }
    void Trigger(const char* action) const { Find<QAction>(window, action)->trigger(); }
    QLineEdit* Entry() const { return Find<QLineEdit>(window, "txtEnter"); }
    QString Panel(int panel) const {
        return Find<QLabel>(window, qPrintable(QStringLiteral("StatusBar_Panel%1").arg(panel)))->text();
    }
    // The status bar's record count, as Panel(1) shows it.
    static QString RecordCount(int records) {
        return GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": ") + QString::number(records);
    }
    // Removes the dated copies "<base><stamp>.stn", with their times, that closing changed files left
    // in the program folder all test programs share.
    static void RemoveDatedCopies(const QStringList& bases, const QString& stamp) {
        for (const QString& base : bases) {
            const QString copy = WritableProgramFolder() + base + stamp + QStringLiteral(".stn");
            QFile::remove(copy);
            QFile::remove(copy + QStringLiteral(".times"));
        }
    }
    // Chooses a language in the main window's menu, as the operator does.
    void ChooseLanguage(const QString& id) const {
        for (QAction* entry : window->findChildren<QAction*>(QStringLiteral("mnuLangSelect")))
            if (entry->data().toString() == id)
                entry->trigger();
    }

    IsolatedEnvironment env;
    ScriptedMessages messages;
    QTemporaryDir dir;
    std::optional<ScopedLanguage> language;
    QPointer<frmMain> window;

private:
    inline static bool s_modalLeftOpen = false;
    SoundSink m_speaker;
    std::optional<ProcessLanguage> m_processLanguage;
};
