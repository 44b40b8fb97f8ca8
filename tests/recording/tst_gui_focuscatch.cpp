#include "GuiFixture.h"
#include "recording/FocusCatcher.h"
#include "recording/ForceFore.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The main window as far as focus catching sees it.
class CatchHost : public QWidget {
public:
    CatchHost() {
        txtEnter = new QLineEdit(this);
        txtEnter->setGeometry(10, 10, 100, 30);
        chkCatch = new QCheckBox(QStringLiteral("Catch focus"), this);
        chkCatch->setGeometry(10, 50, 120, 30);
        cmdEnter = new QPushButton(QStringLiteral("Record"), this);
        cmdEnter->setGeometry(10, 90, 100, 30);
        tmrCatch = new QTimer(this);
        catcher = new FocusCatcher(this, chkCatch, tmrCatch, txtEnter, this);
        resize(200, 150);
    }
    QLineEdit* txtEnter;
    QCheckBox* chkCatch;
    QPushButton* cmdEnter;
    QTimer* tmrCatch;
    FocusCatcher* catcher;
};

// Shows a window and activates it, also where no window manager does that on showing.
bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

} // namespace

// Focus catching: when its timer runs, and what each tick does to the window and the entry box.
class TestFocusCatch : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_host = std::make_unique<CatchHost>();
    }
    void cleanup() {
        m_host.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // Catching runs only while the box is checked (grey counts as unchecked) and a file is open,
    // and pauses while a modal window such as About is shown.
    void timerFollowsBoxAndFile_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("fileOpen");
        QTest::newRow("checked, file open") << int(Qt::Checked) << true;
        QTest::newRow("checked, no file") << int(Qt::Checked) << false;
        QTest::newRow("unchecked") << int(Qt::Unchecked) << true;
        QTest::newRow("grey") << int(Qt::PartiallyChecked) << true;
    }
    void timerFollowsBoxAndFile() {
        QFETCH(int, state);
        QFETCH(bool, fileOpen);
        QVERIFY(!m_host->tmrCatch->isActive());
        m_host->chkCatch->setChecked(true); // set by the program, as at load
        m_host->chkCatch->setCheckState(Qt::CheckState(state));
        m_host->catcher->FollowFileState(!fileOpen);
        m_host->catcher->FollowFileState(fileOpen);
        const bool catching = state == Qt::Checked && fileOpen;
        QCOMPARE(m_host->tmrCatch->isActive(), catching);
        QCOMPARE(m_host->tmrCatch->interval(), 50);
        if (!fileOpen)
            return;

        bool catchingWhileShown = true;
        bool checkedWhileShown = true;
        m_host->catcher->WithoutCatching([&] {
            catchingWhileShown = m_host->tmrCatch->isActive();
            checkedWhileShown = m_host->chkCatch->isChecked();
        });
        QVERIFY(!catchingWhileShown && !checkedWhileShown);
        QCOMPARE(m_host->chkCatch->checkState(), Qt::CheckState(state));
        QCOMPARE(m_host->tmrCatch->isActive(), catching);
    }

    // Each tick brings the window to the front, restored if minimised, with the entry box focused;
    // the focus on the check box pauses catching, so a mouse click can uncheck it.
    void catchingSession() {
        QVERIFY(ShowActive(m_host.get()));
        m_host->cmdEnter->setFocus();
        m_host->chkCatch->setChecked(true);
        QTRY_VERIFY(m_host->txtEnter->hasFocus()); // also while the window already is in front
        QWidget otherProgram;
        otherProgram.resize(100, 100);
        otherProgram.show();
        otherProgram.activateWindow();
        QTRY_VERIFY(m_host->isActiveWindow()); // taken back
        QTRY_VERIFY(m_host->txtEnter->hasFocus());

        m_host->chkCatch->setFocus(Qt::TabFocusReason);
        QVERIFY(!m_host->tmrCatch->isActive());
        m_host->cmdEnter->setFocus(Qt::TabFocusReason); // leaving validates: back to the box's value
        QVERIFY(m_host->tmrCatch->isActive());
        QTest::mouseClick(m_host->chkCatch, Qt::LeftButton);
        QVERIFY(m_host->chkCatch->hasFocus());
        QVERIFY(!m_host->chkCatch->isChecked());
        QVERIFY(!m_host->tmrCatch->isActive());
        m_host->cmdEnter->setFocus(Qt::TabFocusReason);
        QVERIFY(!m_host->tmrCatch->isActive());

        // Bringing a minimised window forward restores it; any control finds its window.
        m_host->showMinimized();
        QTRY_VERIFY(m_host->isMinimized());
        ForceForeground(m_host->txtEnter);
        QTRY_VERIFY(!m_host->isMinimized());
    }

    // Where the platform forbids taking the foreground, that is reported once and nothing is taken.
    void waylandIsReportedOnce() {
        for (const char* platform : {"wayland", "wayland-egl"})
            QVERIFY2(!PlatformAllowsForeground(QLatin1String(platform)), platform);
        for (const char* platform : {"xcb", "windows", "offscreen"})
            QVERIFY2(PlatformAllowsForeground(QLatin1String(platform)), platform);
        m_f->UseLanguage();
        m_host->catcher->AssumePlatform(QStringLiteral("wayland"));
        QSignalSpy limited(m_host->catcher, &FocusCatcher::CatchLimited);
        QSignalSpy ticks(m_host->tmrCatch, &QTimer::timeout);
        QVERIFY(ShowActive(m_host.get()));
        QWidget otherProgram;
        otherProgram.show();
        otherProgram.activateWindow();
        QTRY_VERIFY(otherProgram.isActiveWindow());

        m_host->cmdEnter->setFocus();
        m_host->chkCatch->setChecked(true);
        QTRY_VERIFY(ticks.size() >= 4);
        QCOMPARE(limited.size(), 1);
        QCOMPARE(limited.first().first().toString(), GetText(QStringLiteral("MKL_SB_CATCHLIMITED")));
        QVERIFY(otherProgram.isActiveWindow());            // not taken
        QCOMPARE(m_host->focusWidget(), m_host->txtEnter); // the entry box is still the window's focus
    }

private:
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<CatchHost> m_host;
};

QTEST_MAIN(TestFocusCatch)
#include "tst_gui_focuscatch.moc"
