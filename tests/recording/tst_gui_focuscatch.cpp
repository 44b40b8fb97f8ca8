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

// Focus catching in the main window: when its timer runs, and what each tick does to the window
// and the entry box.
class TestFocusCatch : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        QVERIFY(m_f->LoadRecords(QByteArray()));
    }
    void cleanup() {
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
        QVERIFY(!Timer()->isActive());
        CheckBox()->setChecked(true); // set by the program, as at load
        CheckBox()->setCheckState(Qt::CheckState(state));
        Catcher()->FollowFileState(!fileOpen);
        Catcher()->FollowFileState(fileOpen);
        const bool catching = state == Qt::Checked && fileOpen;
        QCOMPARE(Timer()->isActive(), catching);
        QCOMPARE(Timer()->interval(), 50);
        if (!fileOpen)
            return;

        bool catchingWhileShown = true;
        bool checkedWhileShown = true;
        Catcher()->WithoutCatching([&] {
            catchingWhileShown = Timer()->isActive();
            checkedWhileShown = CheckBox()->isChecked();
        });
        QVERIFY(!catchingWhileShown && !checkedWhileShown);
        QCOMPARE(CheckBox()->checkState(), Qt::CheckState(state));
        QCOMPARE(Timer()->isActive(), catching);
    }

    // Each tick brings the window to the front, restored if minimised, with the entry box focused;
    // the focus on the check box pauses catching, so a mouse click can uncheck it.
    void catchingSession() {
        QVERIFY(QTest::qWaitForWindowActive(m_f->window));
        Find<QPushButton>(m_f->window, "cmdEnter")->setFocus();
        CheckBox()->setChecked(true);
        QTRY_VERIFY(m_f->Entry()->hasFocus()); // also while the window already is in front
        QWidget otherProgram;
        otherProgram.resize(100, 100);
        otherProgram.show();
        otherProgram.activateWindow();
        QTRY_VERIFY(m_f->window->isActiveWindow()); // taken back
        QTRY_VERIFY(m_f->Entry()->hasFocus());

        CheckBox()->setFocus(Qt::TabFocusReason);
        QVERIFY(!Timer()->isActive());
        Find<QPushButton>(m_f->window, "cmdEnter")
            ->setFocus(Qt::TabFocusReason); // leaving validates: back to the box's value
        QVERIFY(Timer()->isActive());
        QTest::mouseClick(CheckBox(), Qt::LeftButton);
        QVERIFY(CheckBox()->hasFocus());
        QVERIFY(!CheckBox()->isChecked());
        QVERIFY(!Timer()->isActive());
        Find<QPushButton>(m_f->window, "cmdEnter")->setFocus(Qt::TabFocusReason);
        QVERIFY(!Timer()->isActive());

        // With catching on again, a tick restores a minimised window.
        m_f->window->showMinimized();
        QTRY_VERIFY(m_f->window->isMinimized());
        CheckBox()->setChecked(true);
        QTRY_VERIFY(!m_f->window->isMinimized());
        QTRY_VERIFY(m_f->Entry()->hasFocus());
    }

    // Where the platform forbids taking the foreground, that is reported once and nothing is taken.
    void waylandIsReportedOnce() {
        for (const char* platform : {"wayland", "wayland-egl"})
            QVERIFY2(!PlatformAllowsForeground(QLatin1String(platform)), platform);
        for (const char* platform : {"xcb", "windows", "offscreen"})
            QVERIFY2(PlatformAllowsForeground(QLatin1String(platform)), platform);
        m_f->UseLanguage();
        Catcher()->AssumePlatform(QStringLiteral("wayland"));
        QSignalSpy limited(Catcher(), &FocusCatcher::CatchLimited);
        QSignalSpy ticks(Timer(), &QTimer::timeout);
        QVERIFY(QTest::qWaitForWindowActive(m_f->window));
        QWidget otherProgram;
        otherProgram.show();
        otherProgram.activateWindow();
        QTRY_VERIFY(otherProgram.isActiveWindow());

        Find<QPushButton>(m_f->window, "cmdEnter")->setFocus();
        CheckBox()->setChecked(true);
        QTRY_VERIFY(ticks.size() >= 4);
        QCOMPARE(limited.size(), 1);
        QCOMPARE(limited.first().first().toString(), GetText(QStringLiteral("MKL_SB_CATCHLIMITED")));
        QVERIFY(otherProgram.isActiveWindow());             // not taken
        QCOMPARE(m_f->window->focusWidget(), m_f->Entry()); // the entry box is still the window's focus
    }

private:
    QCheckBox* CheckBox() const { return Find<QCheckBox>(m_f->window, "chkCatch"); }
    QTimer* Timer() const { return Find<QTimer>(m_f->window, "tmrCatch"); }
    FocusCatcher* Catcher() const { return m_f->window->findChild<FocusCatcher*>(); }

    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestFocusCatch)
#include "tst_gui_focuscatch.moc"
