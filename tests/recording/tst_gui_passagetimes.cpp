#include "app/Settings.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/frmMain.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"
#include "support/FileDialogSeam.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Passage times in the main window: the repeat warning beside the entry box, the keypad in the
// entry box, the grid's time column and what the status bar says about the times file.
class TestPassageTimes : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_clock = std::make_unique<FixedClock>(m_moment);
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("race.stn")));
        WriteBytes(m_path, QByteArray());
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        FileDialogSeam::activate();
        m_speaker = SetSoundSink([](const QString&) {});
    }

    void cleanup() {
        m_clock->set(m_moment); // the dated copy's name
        if (m_window) {
            QVERIFY(m_window->close());
            QTRY_VERIFY(m_window.isNull());
        }
        QFile::remove(WritableProgramFolder() + "race2022-06-07 100003.stn");
        QFile::remove(WritableProgramFolder() + "race2022-06-07 100003.stn.times");
        SetSoundSink(m_speaker);
        FileDialogSeam::reset();
        const QString unexpected = m_messages->lastText();
        m_dir.reset();
        m_clock.reset();
        m_messages.reset();
        m_language.reset();
        m_env.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected)); // nothing modal while recording
    }

    void repeatWarning_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("warning"); // with 417 typed 12 s after it was recorded
        QTest::newRow("default 60 s") << QString() << "417 seen 12 s ago";
        QTest::newRow("off") << "0" << QString();
        QTest::newRow("passed longer ago") << "11" << QString();
    }

    void repeatWarning() {
        QFETCH(QString, setting);
        QFETCH(QString, warning);
        WriteSetting(QStringLiteral("RepeatWarnSeconds"), setting);
        Load();
        Record("417");
        Record("12");
        m_clock->set(m_moment.addSecs(12));
        QTest::keyClicks(Entry(), QStringLiteral("41"));
        QVERIFY(!Warning()->isVisible());
        QTest::keyClick(Entry(), Qt::Key_7);
        QCOMPARE(Warning()->isVisible(), !warning.isEmpty());
        if (!warning.isEmpty()) {
            QCOMPARE(Warning()->text(), warning);
            m_clock->set(m_moment.addSecs(13));
            QTRY_COMPARE(Warning()->text(), QStringLiteral("417 seen 13 s ago")); // kept current
        }
        QTest::keyClick(Entry(), Qt::Key_Return); // the warning does not stop the record
        QCOMPARE(FileBytes(m_path), QByteArray("1;417\r\n2;12\r\n3;417\r\n"));
        QVERIFY(!Warning()->isVisible());
    }

    void keypad_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("keys"); // key codes; KeypadModifier added to those of the keypad
        QTest::addColumn<QString>("box");
        const int kp = Qt::KeypadModifier;
        QTest::newRow("digits with Num Lock on")
            << QString() << QList<int>{Qt::Key_4 | kp, Qt::Key_1 | kp, Qt::Key_7 | kp} << "417";
        QTest::newRow("Num Lock off, top rows")
            << QString() << QList<int>{Qt::Key_Home | kp, Qt::Key_Up | kp,    Qt::Key_PageUp | kp,
                                       Qt::Key_Left | kp, Qt::Key_Clear | kp, Qt::Key_Right | kp}
            << "789456";
        QTest::newRow("Num Lock off, bottom rows")
            << QString() << QList<int>{Qt::Key_End | kp, Qt::Key_Down | kp, Qt::Key_PageDown | kp, Qt::Key_Insert | kp}
            << "1230";
        QTest::newRow("keys outside the keypad keep their meaning")
            << "12" << QList<int>{Qt::Key_Home, Qt::Key_End | kp, Qt::Key_End, Qt::Key_Left, Qt::Key_Insert | kp}
            << "1102";
        QTest::newRow("eight digits at most")
            << "1234567" << QList<int>{Qt::Key_Home | kp, Qt::Key_Up | kp} << "12345677";
    }

    void keypad() {
        QFETCH(QString, before);
        QFETCH(QList<int>, keys);
        QFETCH(QString, box);
        Load();
        QTest::keyClicks(Entry(), before);
        for (int key : keys)
            QTest::keyClick(Entry(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QCOMPARE(Entry()->text(), box);
        QTest::keyClick(Entry(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(FileBytes(m_path), "1;" + box.toLatin1() + "\r\n");
    }

    void timeColumnFollowsMenu() {
        WriteSetting(QStringLiteral("ShowTimes"), QStringLiteral("1"));
        WriteBytes(m_path, QByteArray("1;5\r\n"));
        Load();
        Record("417");
        QTableView* table = Find<QTableView>(Grid(), "Grid");
        QCOMPARE(table->model()->columnCount(), 3);
        QCOMPARE(Grid()->CellText(0, 2), GetText(QStringLiteral("MKL_GRID_TIME")));
        QCOMPARE(Grid()->CellText(1, 2), QString()); // read without times
        QCOMPARE(Grid()->CellText(2, 2), QStringLiteral("10:00:03"));
        Find<QAction>(m_window, "mnuExtras_ShowTimes")->trigger();
        QCOMPARE(table->model()->columnCount(), 2);
        QVERIFY(m_window->close());
        QCOMPARE(ReadSetting(QStringLiteral("ShowTimes")).toString(), QStringLiteral("0"));
    }

    void statusBarTellsOfTimes() {
        WriteBytes(m_path, QByteArray("1;5\r\n2;6\r\n"));
        WriteBytes(TimesSidecar::PathFor(m_path), QByteArray("1;5;\r\n2;7;\r\n3;8;\r\n"));
        Load();
        QCOMPARE(Panel(2), QStringLiteral("2 passage times did not match the record file and were dropped"));
        QFile::remove(TimesSidecar::PathFor(m_path));
        QVERIFY(QDir().mkdir(TimesSidecar::PathFor(m_path))); // the times file cannot be written
        Record("417");
        QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_TIMESFAILED")));
        QCOMPARE(FileBytes(m_path), QByteArray("1;5\r\n2;6\r\n3;417\r\n"));
    }

private:
    void Load() {
        m_window = new frmMain(m_path);
        m_window->Form_Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void Record(const char* typed) {
        QTest::keyClicks(Entry(), QLatin1String(typed));
        QTest::keyClick(Entry(), Qt::Key_Return);
    }
    QLineEdit* Entry() const { return Find<QLineEdit>(m_window, "txtEnter"); }
    QLabel* Warning() const { return Find<QLabel>(m_window, "lblRepeat"); }
    ctlGrid* Grid() const { return Find<ctlGrid>(m_window, "Grid"); }
    QString Panel(int panel) const {
        return m_window->findChild<QLabel*>(QStringLiteral("StatusBar_Panel%1").arg(panel))->text();
    }

    const QDateTime m_moment{QDate(2022, 6, 7), QTime(10, 0, 3)}; // dated copies of its own
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QPointer<frmMain> m_window;
    SoundSink m_speaker;
};

QTEST_MAIN(TestPassageTimes)
#include "tst_gui_passagetimes.moc"
