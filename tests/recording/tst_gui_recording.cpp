#include "app/DataFiles.h"
#include "app/Settings.h"
#include "app/Twips.h"
#include "grid/ctlGrid.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"

#include "GuiFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLocale>
#include <QPushButton>
#include <QTableView>

#include <memory>

namespace {
QString CountText(int count) {
    return GetText(QStringLiteral("MKL_SB_RECORDS")) + ": " + QString::number(count);
}
// A moment of its own: the dated copies land in the program folder that all test programs share.
const QDateTime kMoment{QDate(2022, 6, 3), QTime(10, 0, 1)};
const QString kDatedCopy = QStringLiteral("race2022-06-03 100001.stn");
} // namespace

// Recording bibs in the real main window as the operator does it: digits typed into the entry
// box and Enter, with the file's bytes, the grid, the status bar and the sound requests checked.
class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_clock = std::make_unique<FixedClock>(kMoment);
        m_sounds.clear();
        SetSoundSink([this](const QString& path) { m_sounds << path; });
        RemoveDatedCopy();
    }
    void cleanup() {
        const bool quiet = m_f->Finish();
        InjectWriteFailure(0, 0);
        RemoveDatedCopy();
        m_clock.reset();
        m_f.reset();
        QVERIFY(quiet); // nothing modal while recording
    }

    // The duplicate guard, the record button and the check boxes, a failed write and a language
    // switch, the dated copy at the end.
    void operatorSession() {
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        QVERIFY(m_f->LoadRecords("1;12\r\n2;7\r\n"));
        const QString path = m_f->path();
        QCOMPARE(m_f->Panel(4), QLocale::system().toString(kMoment.time(), QLocale::ShortFormat));
        auto* chkDouble = Find<QCheckBox>(m_f->window, "chkDouble");
        // The opened file's last bib counts; leading zeros make no other bib.
        for (const char* bib : {"7", "12", "012", "13"}) {
            m_f->Record(QLatin1String(bib));
            QCOMPARE(m_f->Entry()->text(), QString()); // emptied whether recorded or rejected
        }
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n2;7\r\n3;12\r\n4;13\r\n"));
        QCOMPARE(Grid()->RowCount(), 5);
        QCOMPARE(Grid()->CellText(4, 0) + ';' + Grid()->CellText(4, 1), QStringLiteral("4;13"));
        QCOMPARE(m_f->Panel(1), CountText(4));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));
        // One request per record, two per rejected duplicate; no "sound.wav": the built-in tone.
        QVERIFY(!QFileInfo::exists(DataFilePath(QStringLiteral("sound.wav"))));
        QCOMPARE(m_sounds, QStringList(6, kBuiltInTone));

        // The record button and the beep check box hand the focus back to the entry box.
        QTest::keyClicks(m_f->Entry(), QStringLiteral("21"));
        for (const char* control : {"cmdEnter", "chkBeep"}) {
            auto* clicked = Find<QAbstractButton>(m_f->window, control);
            clicked->setFocus();
            QTest::mouseClick(clicked, Qt::LeftButton);
            QTRY_VERIFY(m_f->Entry()->hasFocus());
        }
        m_f->Record(QStringLiteral("21")); // rejected without a sound
        QTest::mouseClick(chkDouble, Qt::LeftButton);
        QVERIFY(chkDouble->isChecked());
        m_f->Record(QStringLiteral("21")); // doubles allowed now, and no sound
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n2;7\r\n3;12\r\n4;13\r\n5;21\r\n6;21\r\n"));
        QCOMPARE(m_sounds.size(), 7);

        // The disk fails once: no box, the panel says so, also after a language
        // switch; the next bib brings the file in step.
        InjectWriteFailure(3, 1);
        m_f->Record(QStringLiteral("22"));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
        for (QAction* entry : m_f->window->findChildren<QAction*>(QStringLiteral("mnuLangSelect"))) {
            if (entry->property("tag").toString() == QLatin1String("de"))
                entry->trigger();
        }
        QCOMPARE(m_f->Panel(2), QStringLiteral("NICHT gespeichert!"));
        QCOMPARE(m_f->Panel(1), CountText(7));
        m_f->Record(QStringLiteral("23"));
        const QByteArray all("1;12\r\n2;7\r\n3;12\r\n4;13\r\n5;21\r\n6;21\r\n7;22\r\n8;23\r\n");
        QCOMPARE(FileBytes(path), all);
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(FileBytes(WritableProgramFolder() + kDatedCopy), all);
    }

    void entryBox_data() {
        QTest::addColumn<QString>("input"); // typed ("\b" is Backspace), or pasted
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("box");      // before Enter
        QTest::addColumn<QByteArray>("bytes"); // after Enter; empty: nothing recorded, the box kept
        QTest::addColumn<bool>("reported");    // the box is emptied then, so no scan runs into it
        const QByteArray none;
        QTest::newRow("other characters never appear")
            << QStringLiteral("1a -2.,+x3") << false << "123" << QByteArray("1;123\r\n") << false;
        QTest::newRow("backspace") << QStringLiteral("125\b") << false << "12" << QByteArray("1;12\r\n") << false;
        QTest::newRow("ninth digit has no effect")
            << QStringLiteral("123456789") << false << "12345678" << QByteArray("1;12345678\r\n") << false;
        QTest::newRow("zeros stay") << QStringLiteral("000") << false << "000" << none << false;
        QTest::newRow("empty box") << QString() << false << "" << none << false;
        QTest::newRow("pasted zeros, digits and a letter")
            << QStringLiteral("00042x") << true << "00042x" << QByteArray("1;42\r\n") << false;
        QTest::newRow("pasted text cut to 8")
            << QStringLiteral("1234567890") << true << "12345678" << QByteArray("1;12345678\r\n") << false;
        QTest::newRow("pasted negative number stays") << QStringLiteral("-5") << true << "-5" << none << false;
        QTest::newRow("pasted value beyond 32 bits") << QStringLiteral("9E9") << true << "9E9" << none << true;
    }
    void entryBox() {
        QFETCH(QString, input);
        QFETCH(bool, paste);
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
        QCOMPARE(m_f->Entry()->text(), box);
        QTest::keyClick(m_f->Entry(), Qt::Key_Return);
        const bool recorded = !bytes.isEmpty();
        QCOMPARE(m_f->Entry()->text(), recorded || reported ? QString() : box);
        QCOMPARE(FileBytes(m_f->path()), bytes);
        QCOMPARE(Grid()->RowCount(), recorded ? 2 : 1);
        QCOMPARE(m_f->Panel(1), CountText(recorded ? 1 : 0));
        QCOMPARE(m_f->messages.shown().size(), reported ? 1 : 0);
        m_f->messages.clear();
    }

    // The acknowledgement plays the sound file when it holds a sound, else the built-in tone.
    void soundSource_data() {
        QTest::addColumn<QByteArray>("bytes"); // of the sound file; "-" for none
        QTest::addColumn<bool>("fileChosen");
        QFile tone(kBuiltInTone);
        QVERIFY(tone.open(QIODevice::ReadOnly));
        QTest::newRow("missing") << QByteArray("-") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("not a sound") << QByteArray("1;12\r\n2;13\r\n") << false;
        QTest::newRow("cut off in its header") << tone.read(8) << false;
        tone.seek(0);
        QTest::newRow("a WAV sound") << tone.readAll() << true;
    }
    void soundSource() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, fileChosen);
        const QString file = m_f->dir.filePath(QStringLiteral("sound.wav"));
        if (bytes != "-")
            WriteBytes(file, bytes);
        QCOMPARE(AckSoundSource(file), fileChosen ? file : kBuiltInTone);
    }

    // The real window applies its layout whenever it is resized (the figures are the layout's own test).
    void windowFollowsItsSize() {
        QVERIFY(m_f->LoadRecords(QByteArray()));
        m_f->window->resize(TwipsToPixelsX(12000, m_f->window), TwipsToPixelsY(7000, m_f->window));
        QTRY_VERIFY(qAbs(Grid()->x() - TwipsToPixelsX(8000, m_f->window)) <= 1);
        QCOMPARE(m_f->Entry()->height(), Grid()->height());
    }

    void repeatWarning_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("warning"); // with 417 typed 12 s after it was recorded
        QTest::newRow("default 60 s") << QString() << "417 seen 12 s ago";
        QTest::newRow("passed longer ago") << "11" << QString();
    }
    void repeatWarning() {
        QFETCH(QString, setting);
        QFETCH(QString, warning);
        WriteSetting(QStringLiteral("RepeatWarnSeconds"), setting);
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        QVERIFY(m_f->LoadRecords(QByteArray()));
        auto* label = Find<QLabel>(m_f->window, "lblRepeat");
        m_f->Record(QStringLiteral("417"));
        m_f->Record(QStringLiteral("12"));
        m_clock->set(kMoment.addSecs(12));
        QTest::keyClicks(m_f->Entry(), QStringLiteral("41"));
        QVERIFY(!label->isVisible());
        QTest::keyClick(m_f->Entry(), Qt::Key_7);
        QCOMPARE(label->isVisible(), !warning.isEmpty());
        if (!warning.isEmpty()) {
            QCOMPARE(label->text(), warning);
            m_clock->set(kMoment.addSecs(13));
            QTRY_COMPARE(label->text(), QStringLiteral("417 seen 13 s ago")); // kept current
        }
        QTest::keyClick(m_f->Entry(), Qt::Key_Return); // the warning does not stop the record
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;417\r\n2;12\r\n3;417\r\n"));
        QVERIFY(!label->isVisible());
        m_clock->set(kMoment); // the dated copy's name
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
        QVERIFY(m_f->LoadRecords(QByteArray()));
        QTest::keyClicks(m_f->Entry(), before);
        for (int key : keys)
            QTest::keyClick(m_f->Entry(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QCOMPARE(m_f->Entry()->text(), box);
        QTest::keyClick(m_f->Entry(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(FileBytes(m_f->path()), "1;" + box.toLatin1() + "\r\n");
    }

    // The grid's time column follows the menu; the status bar tells of dropped and unwritable times.
    void passageTimesInWindow() {
        WriteSetting(QStringLiteral("ShowTimes"), QStringLiteral("1"));
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        const QString times = TimesSidecar::PathFor(m_f->path());
        WriteBytes(times, QByteArray("1;5;\r\n2;7;\r\n3;8;\r\n"));
        QVERIFY(m_f->LoadRecords("1;5\r\n2;6\r\n"));
        QCOMPARE(m_f->Panel(2), QStringLiteral("2 passage times did not match the record file and were dropped"));
        m_f->Record(QStringLiteral("417"));
        QTableView* table = Find<QTableView>(Grid(), "Grid");
        QCOMPARE(table->model()->columnCount(), 3);
        QCOMPARE(Grid()->CellText(0, 2), GetText(QStringLiteral("MKL_GRID_TIME")));
        QCOMPARE(Grid()->CellText(2, 2), QString()); // read without a time
        QCOMPARE(Grid()->CellText(3, 2), QStringLiteral("10:00:01"));
        m_f->Trigger("mnuExtras_ShowTimes");
        QCOMPARE(table->model()->columnCount(), 2);

        QFile::remove(times);
        QVERIFY(QDir().mkdir(times)); // the times file cannot be written
        m_f->Record(QStringLiteral("418"));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_TIMESFAILED")));
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;5\r\n2;6\r\n3;417\r\n4;418\r\n"));
        QVERIFY(m_f->CloseWindow());
        QCOMPARE(ReadSetting(QStringLiteral("ShowTimes")).toString(), QStringLiteral("0"));
    }

private:
    ctlGrid* Grid() const { return Find<ctlGrid>(m_f->window, "Grid"); }
    static void RemoveDatedCopy() {
        QFile::remove(WritableProgramFolder() + kDatedCopy);
        QFile::remove(WritableProgramFolder() + kDatedCopy + QStringLiteral(".times"));
    }

    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
    QStringList m_sounds;
};

QTEST_MAIN(TestRecording)
#include "tst_gui_recording.moc"
