#include "base/DataFiles.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "grid/ctlGrid.h"
#include "recording/FocusCatcher.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include <memory>

namespace {
// A moment of its own: the dated copies land in the program folder that all test programs share.
const QDateTime kMoment{QDate(2022, 6, 3), QTime(10, 0, 1)};
const QString kStamp = QStringLiteral("2022-06-03 100001");
} // namespace

// Recording bibs in the real main window as the operator does it: the entry box, the sounds, focus
// catching; the file's bytes, the grid, the status bar and the sounds checked.
class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_clock = std::make_unique<FixedClock>(kMoment);
        m_sounds.clear();
        SetSoundSink([this](const QString& path) { m_sounds << path; });
        GuiFixture::RemoveDatedCopies({"race"}, kStamp);
    }
    void cleanup() {
        const bool quiet = m_f->Finish();
        GuiFixture::RemoveDatedCopies({"race"}, kStamp);
        m_clock.reset();
        m_f.reset();
        QVERIFY(quiet); // nothing modal while recording
    }

    // The duplicate guard, passage times and the repeat warning, the record button and the check
    // boxes, a times file that cannot be written, the dated copy at the end.
    void operatorSession() {
        for (const auto& [name, value] :
             {std::pair{"Beeper", "1"}, {"ShowTimes", "1"}, {"RepeatWarnSeconds", "20"}, {"Language", "en"}})
            WriteSetting(QLatin1String(name), QLatin1String(value));
        const QString path = m_f->path(), times = TimesSidecar::PathFor(path);
        WriteBytes(times, QByteArray("1;12;\r\n2;8;\r\n3;9;\r\n"));
        QVERIFY(m_f->LoadRecords("1;12\r\n2;7\r\n"));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_TIMESDROPPED")).replace(QStringLiteral("[count]"), "2"));
        QCOMPARE(m_f->Panel(4), QLocale::system().toString(kMoment.time(), QLocale::ShortFormat));
        auto* chkDouble = Find<QCheckBox>(m_f->window, "chkDouble");
        // The opened file's last bib counts; leading zeros make no other bib; the keypad's Enter records.
        for (const char* bib : {"7", "12", "012", "13"}) {
            QTest::keyClicks(m_f->Entry(), QLatin1String(bib));
            QTest::keyClick(m_f->Entry(), Qt::Key_Enter, Qt::KeypadModifier);
            QCOMPARE(m_f->Entry()->text(), QString()); // emptied whether recorded or rejected
        }
        m_f->ShowPassages();
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n2;7\r\n3;12\r\n4;13\r\n"));
        QCOMPARE(Grid()->CellText(4, 0) + ';' + Grid()->CellText(4, 1) + ';' + Grid()->CellText(4, 2),
                 QStringLiteral("4;13;10:00:01"));
        QCOMPARE(m_f->Panel(1), m_f->RecordCount(4));
        // One request per record, a sound of its own per rejected duplicate; no "sound.wav": the
        // built-in tone.
        QVERIFY(!QFileInfo::exists(DataFilePath(QStringLiteral("sound.wav"))));
        QCOMPARE(m_sounds, QStringList({kRefusedSoundPath, kBuiltInTone, kRefusedSoundPath, kBuiltInTone}));
        m_f->Trigger("mnuExtras_ShowTimes");
        QCOMPARE(Find<QTableView>(Grid(), "Grid")->model()->columnCount(), 2);

        // A bib typed within the stored window since its last passage is named, kept current and
        // recorded all the same; beyond that window (within the default one) nothing is said.
        auto* label = Find<QLabel>(m_f->window, "lblRepeat");
        m_clock->set(kMoment.addSecs(12));
        QTest::keyClicks(m_f->Entry(), QStringLiteral("1"));
        QVERIFY(!label->isVisible());
        QTest::keyClick(m_f->Entry(), Qt::Key_2);
        QCOMPARE(label->text(), QStringLiteral("12 seen 12 s ago"));
        m_clock->set(kMoment.addSecs(13));
        QTRY_COMPARE(label->text(), QStringLiteral("12 seen 13 s ago"));
        QTest::keyClick(m_f->Entry(), Qt::Key_Return);
        QVERIFY(!label->isVisible());
        m_clock->set(kMoment.addSecs(21));
        QTest::keyClicks(m_f->Entry(), QStringLiteral("13"));
        QVERIFY(!label->isVisible());
        QTest::keyClick(m_f->Entry(), Qt::Key_Return);
        m_clock->set(kMoment); // the dated copy's name

        // Tab and Shift+Tab move the focus on and back; the record button and the beep check box
        // hand it back to the entry box.
        QTest::keyClick(m_f->Entry(), Qt::Key_Tab);
        QTRY_VERIFY(!m_f->Entry()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        QTest::keyClicks(m_f->Entry(), QStringLiteral("21"));
        for (const char* control : {"cmdEnter", "chkBeep"}) {
            auto* clicked = Find<QAbstractButton>(m_f->window, control);
            clicked->setFocus();
            QTest::mouseClick(clicked, Qt::LeftButton);
            QTRY_VERIFY(m_f->Entry()->hasFocus());
        }
        m_f->Record(QStringLiteral("21")); // rejected without a sound, but said
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_REPEATREFUSED"), {{"[bib]", "21"}}));
        QTest::mouseClick(chkDouble, Qt::LeftButton);
        QVERIFY(chkDouble->isChecked());
        m_f->Record(QStringLiteral("21")); // doubles allowed now, and no sound
        QCOMPARE(m_sounds.size(), 7);

        QFile::remove(times);
        QVERIFY(QDir().mkdir(times)); // the times file cannot be written: the record is saved all the same
        m_f->Record(QStringLiteral("24"));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_TIMESFAILED")));
        QVERIFY(QDir().rmdir(times));
        m_f->Record(QStringLiteral("25"));
        InjectSyncFailure(1); // the time line's sync, once the passage was acknowledged
        m_f->Record(QStringLiteral("26"));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_TIMESFAILED")));
        const QByteArray all(
            "1;12\r\n2;7\r\n3;12\r\n4;13\r\n5;12\r\n6;13\r\n7;21\r\n8;21\r\n9;24\r\n10;25\r\n11;26\r\n");
        QCOMPARE(FileBytes(path), all);
        // The real window applies its layout whenever it is resized (the figures are the layout's own test).
        m_f->window->resize(TwipsToPixelsX(12000, m_f->window), TwipsToPixelsY(7000, m_f->window));
        QTRY_VERIFY(qAbs(Grid()->x() - TwipsToPixelsX(8000, m_f->window)) <= 1);
        QCOMPARE(m_f->Entry()->height(), Grid()->height());
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(FileBytes(WritableProgramFolder() + "race" + kStamp + ".stn"), all);
        QCOMPARE(ReadSetting(QStringLiteral("ShowTimes")).toString(), QStringLiteral("0"));
    }

    // What typed keys, keypad keys and pasted text leave in the entry box, and what Enter records.
    void entryBox_data() {
        QTest::addColumn<QString>("input"); // typed ("\b" is Backspace), or pasted
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QList<int>>("keys");  // pressed after the input; KeypadModifier marks the keypad's
        QTest::addColumn<QString>("box");      // before Enter
        QTest::addColumn<QByteArray>("bytes"); // after Enter; empty: nothing recorded, the box kept
        QTest::addColumn<bool>("reported");    // the box is emptied then, so no scan runs into it
        const auto row = [](const char* name, const char* input, const QList<int>& keys, const char* box,
                            const char* bytes, bool paste = false, bool reported = false) {
            QTest::newRow(name) << QString::fromLatin1(input) << paste << keys << QString::fromLatin1(box)
                                << QByteArray(bytes) << reported;
        };
        const int kp = Qt::KeypadModifier;
        row("other characters never appear, Backspace works", "1a -2.,+x34\b", {}, "123", "1;123\r\n");
        row("ninth digit has no effect", "123456789", {}, "12345678", "1;12345678\r\n");
        row("zeros stay, nothing recorded", "000", {}, "000", "");
        // With Num Lock off the keypad's keys still type the digits printed on them.
        row("keypad digits, Num Lock on and off", "",
            {Qt::Key_4 | kp, Qt::Key_Home | kp, Qt::Key_Up | kp, Qt::Key_PageUp | kp, Qt::Key_Left | kp,
             Qt::Key_Clear | kp, Qt::Key_Right | kp, Qt::Key_Insert | kp},
            "47894560", "1;47894560\r\n");
        row("keys outside the keypad keep their meaning", "12",
            {Qt::Key_Home, Qt::Key_End | kp, Qt::Key_End, Qt::Key_Left, Qt::Key_Insert | kp}, "1102", "1;1102\r\n");
        row("eight digits at most from the keypad", "123",
            {Qt::Key_End | kp, Qt::Key_Down | kp, Qt::Key_PageDown | kp, Qt::Key_Insert | kp, Qt::Key_Up | kp,
             Qt::Key_Up | kp},
            "12312308", "1;12312308\r\n");
        row("pasted zeros, digits and a letter", "00042x", {}, "00042x", "1;42\r\n", true);
        row("pasted value beyond 32 bits", "9E9", {}, "9E9", "", true, true);
    }
    void entryBox() {
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QList<int>, keys);
        QFETCH(QString, box);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, reported);
        QVERIFY(m_f->LoadRecords(QByteArray()));
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            m_f->Entry()->paste(); // as the box's context menu does
        } else {
            QTest::keyClicks(m_f->Entry(), input);
        }
        for (int key : keys)
            QTest::keyClick(m_f->Entry(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QCOMPARE(m_f->Entry()->text(), box);
        QTest::keyClick(m_f->Entry(), Qt::Key_Return);
        const bool recorded = !bytes.isEmpty();
        QCOMPARE(m_f->Entry()->text(), recorded || reported ? QString() : box);
        QCOMPARE(FileBytes(m_f->path()), bytes);
        QCOMPARE(m_f->messages.shown().size(), reported ? 1 : 0);
        m_f->messages.clear();
    }

    // The acknowledgement plays the sound file when it holds a sound, else the built-in tone.
    void soundSource() {
        const QByteArray wave = FileBytes(kBuiltInTone);
        QVERIFY(wave.startsWith("RIFF"));
        const QString file = m_f->dir.filePath(QStringLiteral("sound.wav"));
        QCOMPARE(AckSoundSource(file), kBuiltInTone); // missing
        // Empty, not a sound, cut off in its header, a WAV sound.
        for (const QByteArray& bytes : {QByteArray(), QByteArray("1;12\r\n2;13\r\n"), wave.left(8), wave}) {
            WriteBytes(file, bytes);
            QCOMPARE(AckSoundSource(file), bytes == wave ? file : kBuiltInTone);
        }
    }

    // Catching runs while the box is checked (not grey) and a file is open, not while a modal window is
    // shown or the box has the focus; a tick brings the window to the front when another program is
    // there, and never moves the focus inside the window.
    void catchingSession() {
        QVERIFY(m_f->LoadRecords("1;3\r\n"));
        QVERIFY(!Timer()->isActive());
        for (Qt::CheckState state : {Qt::PartiallyChecked, Qt::Unchecked}) {
            CheckBox()->setChecked(true); // set by the program, as at load
            CheckBox()->setCheckState(state);
            QVERIFY(!Timer()->isActive());
        }
        CheckBox()->setChecked(true);
        Catcher()->FollowFileState(false);
        QVERIFY(!Timer()->isActive());
        Catcher()->FollowFileState(true);
        QVERIFY(Timer()->isActive());
        bool pausedWhileShown = false;
        Catcher()->WithoutCatching([&] { pausedWhileShown = !Timer()->isActive() && !CheckBox()->isChecked(); });
        QVERIFY(pausedWhileShown && CheckBox()->isChecked() && Timer()->isActive());

        QSignalSpy ticks(Timer(), &QTimer::timeout);
        OpenEditorOn(1);
        QTRY_VERIFY(ticks.size() >= 3);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5")); // where the operator types
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;5\r\n")); // a correction, not a passage
        QWidget otherProgram;
        otherProgram.resize(100, 100);
        otherProgram.show();
        otherProgram.activateWindow();
        QTRY_VERIFY(m_f->window->isActiveWindow()); // taken back
        QTRY_VERIFY(m_f->Entry()->hasFocus());

        CheckBox()->setFocus(Qt::TabFocusReason);
        QVERIFY(!Timer()->isActive());
        Find<QPushButton>(m_f->window, "cmdEnter")->setFocus(Qt::TabFocusReason); // back to the box's value
        QVERIFY(Timer()->isActive());

        // A tick restores a minimised window.
        m_f->window->showMinimized();
        QVERIFY(m_f->window->isMinimized());
        QTRY_VERIFY(!m_f->window->isMinimized());

        // Where the platform forbids taking the foreground, that is reported once and nothing is taken.
        Catcher()->AssumePlatform(QStringLiteral("wayland"));
        QSignalSpy limited(Catcher(), &FocusCatcher::CatchLimited);
        ticks.clear();
        otherProgram.activateWindow();
        QTRY_VERIFY(otherProgram.isActiveWindow());
        Find<QPushButton>(m_f->window, "cmdEnter")->setFocus();
        QTRY_VERIFY(ticks.size() >= 4);
        QCOMPARE(limited.size(), 1);
        QVERIFY(otherProgram.isActiveWindow());                                           // not taken
        QCOMPARE(m_f->window->focusWidget(), Find<QPushButton>(m_f->window, "cmdEnter")); // nor moved
    }

private:
    ctlGrid* Grid() const { return Find<ctlGrid>(m_f->window, "Grid"); }
    // Clicks a bib cell and waits until the in-place editor has the focus there.
    void OpenEditorOn(int row) {
        const QRect cell = Table()->visualRect(Table()->model()->index(row - 1, 1));
        QTest::mouseClick(Table()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTRY_VERIFY(Editor()->hasFocus());
        QCOMPARE(Grid()->EditRow(), row);
    }
    QTableView* Table() const { return Find<QTableView>(Grid(), "Grid"); }
    QLineEdit* Editor() const { return Find<QLineEdit>(Grid(), "txtWorkOn"); }
    QCheckBox* CheckBox() const { return Find<QCheckBox>(m_f->window, "chkCatch"); }
    QTimer* Timer() const { return Find<QTimer>(m_f->window, "tmrCatch"); }
    FocusCatcher* Catcher() const { return m_f->window->findChild<FocusCatcher*>(); }

    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
    QStringList m_sounds;
};

QTEST_MAIN(TestRecording)
#include "tst_gui_recording.moc"
