#include "app/DataFiles.h"
#include "app/Settings.h"
#include "app/Twips.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/AckSound.h"
#include "recording/frmMain.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "support/FileDialogSeam.h"
#include "support/ShortenPath.h"

#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Recording bibs in the real main window as the operator does it: digits typed into the entry
// box and Enter, with the file's bytes, the grid, the status bar and the sound requests checked.
class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_clock = std::make_unique<FixedClock>(m_moment);
        m_dir = std::make_unique<QTemporaryDir>();
        FileDialogSeam::activate(); // no real dialog ever opens
        m_sounds.clear();
        m_speaker = SetSoundSink([this](const QString& path) { m_sounds << path; });
        RemoveDatedCopy(QStringLiteral("race"));
    }

    void cleanup() {
        if (m_window)
            Close();
        InjectWriteFailure(0, 0);
        SetSoundSink(m_speaker);
        FileDialogSeam::reset();
        RemoveDatedCopy(QStringLiteral("race")); // the copies land beside the test program
        const QString unexpected = m_messages->lastText();
        m_dir.reset();
        m_clock.reset();
        m_messages.reset();
        m_language.reset();
        m_env.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    }

    void raceFromCommandLineToNextStart() {
        WriteSetting(QStringLiteral("Beeper"), QStringLiteral("1"));
        const QString path = RecordFile();
        QVERIFY(Load(path));
        for (const char* bib : {"12", "12", "13", "12"})
            Record(QLatin1String(bib));
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n2;13\r\n3;12\r\n"));
        QCOMPARE(Grid()->RowCount(), 4);
        QCOMPARE(Grid()->CellText(3, 0), QStringLiteral("3"));
        QCOMPARE(Grid()->CellText(3, 1), QStringLiteral("12"));
        QCOMPARE(Panel(1), CountText(3));
        QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));
        // One request per record and two for the rejected duplicate. No "sound.wav" lies beside the
        // test program: each asks for the built-in tone, also the first.
        QVERIFY(!QFileInfo::exists(DataFilePath(QStringLiteral("sound.wav"))));
        QCOMPARE(m_sounds, QStringList(5, kBuiltInTone));
        Close();

        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n2;13\r\n3;12\r\n"));
        QCOMPARE(FileBytes(DatedCopy(QStringLiteral("race"))), QByteArray("1;12\r\n2;13\r\n3;12\r\n"));

        // The next start lists the file first in the File menu.
        QVERIFY(Load(QString()));
        QAction* first = nullptr;
        for (QAction* entry : m_window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"))) {
            if (entry->property("index").toInt() == 1)
                first = entry;
            else
                QVERIFY(!entry->isVisible());
        }
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->text(), QStringLiteral("&1  ") + path);
        QVERIFY(m_window->findChild<QAction*>(QStringLiteral("mnuFile_LFMSep"))->isVisible());
        QCOMPARE(m_window->RecordFile.FileName(), QString());
    }

    void entryBox_data() {
        QTest::addColumn<QString>("input"); // typed ("\b" is Backspace), or pasted
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("box");      // before Enter
        QTest::addColumn<QByteArray>("bytes"); // after Enter; empty: nothing recorded, the box kept
        QTest::addColumn<bool>("reported");    // the box is emptied then, so no scan runs into it
        const QByteArray none;
        QTest::newRow("digits") << QStringLiteral("12") << false << "12" << QByteArray("1;12\r\n") << false;
        QTest::newRow("other characters never appear")
            << QStringLiteral("1a -2.,+x3") << false << "123" << QByteArray("1;123\r\n") << false;
        QTest::newRow("backspace") << QStringLiteral("125\b") << false << "12" << QByteArray("1;12\r\n") << false;
        QTest::newRow("ninth digit has no effect")
            << QStringLiteral("123456789") << false << "12345678" << QByteArray("1;12345678\r\n") << false;
        QTest::newRow("zero stays") << QStringLiteral("0") << false << "0" << none << false;
        QTest::newRow("zeros stay") << QStringLiteral("000") << false << "000" << none << false;
        QTest::newRow("empty box") << QString() << false << "" << none << false;
        QTest::newRow("pasted zeros, digits and a letter")
            << QStringLiteral("00042x") << true << "00042x" << QByteArray("1;42\r\n") << false;
        QTest::newRow("pasted text cut to 8")
            << QStringLiteral("1234567890") << true << "12345678" << QByteArray("1;12345678\r\n") << false;
        QTest::newRow("pasted letters stay") << QStringLiteral("abc") << true << "abc" << none << false;
        QTest::newRow("pasted negative number stays") << QStringLiteral("-5") << true << "-5" << none << false;
        QTest::newRow("pasted blanks inside a number")
            << QStringLiteral("1 2") << true << "1 2" << QByteArray("1;12\r\n") << false;
        QTest::newRow("pasted value beyond 32 bits") << QStringLiteral("9E9") << true << "9E9" << none << true;
    }

    void entryBox() {
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, box);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, reported);
        const QString path = RecordFile();
        QVERIFY(Load(path));
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            Entry()->paste(); // as the box's context menu does
        } else {
            QTest::keyClicks(Entry(), input);
        }
        QCOMPARE(Entry()->text(), box);
        QTest::keyClick(Entry(), Qt::Key_Return);
        const bool recorded = !bytes.isEmpty();
        QCOMPARE(Entry()->text(), recorded || reported ? QString() : box);
        QCOMPARE(FileBytes(path), bytes);
        QCOMPARE(Grid()->RowCount(), recorded ? 2 : 1);
        QCOMPARE(Panel(1), CountText(recorded ? 1 : 0));
        QCOMPARE(Panel(2), recorded ? GetText(QStringLiteral("MKL_SB_SAVED")) : QString());
        QCOMPARE(m_messages->shown().size(), reported ? 1 : 0);
        m_messages->clear();
    }

    // A bib repeated right after itself is rejected (see also the end-to-end scenario above).
    void duplicateGuard_data() {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<bool>("doubles");
        QTest::addColumn<bool>("beep");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("sounds");

        QTest::newRow("leading zeros make no other bib")
            << QByteArray() << false << true << QStringList{"12", "012"} << QByteArray("1;12\r\n") << 3;
        QTest::newRow("doubles allowed") << QByteArray() << true << true << QStringList{"12", "12"}
                                         << QByteArray("1;12\r\n2;12\r\n") << 2;
        QTest::newRow("last record of the opened file counts")
            << QByteArray("1;12\r\n2;7\r\n") << false << true << QStringList{"7", "12"}
            << QByteArray("1;12\r\n2;7\r\n3;12\r\n") << 3;
        QTest::newRow("no beep, no sound")
            << QByteArray() << false << false << QStringList{"5", "5", "6"} << QByteArray("1;5\r\n2;6\r\n") << 0;
    }

    void duplicateGuard() {
        QFETCH(QByteArray, initial);
        QFETCH(bool, doubles);
        QFETCH(bool, beep);
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(int, sounds);
        WriteSetting(QStringLiteral("Beeper"), beep ? QStringLiteral("1") : QStringLiteral("0"));
        const QString path = RecordFile(initial);
        QVERIFY(Load(path));
        auto* chkDouble = m_window->findChild<QCheckBox*>(QStringLiteral("chkDouble"));
        QVERIFY(!chkDouble->isChecked()); // never stored: unchecked at every start
        if (doubles)
            QTest::mouseClick(chkDouble, Qt::LeftButton);
        QCOMPARE(chkDouble->isChecked(), doubles);
        for (const QString& bib : typed) {
            Record(bib);
            QCOMPARE(Entry()->text(), QString()); // emptied whether recorded or rejected
        }
        QCOMPARE(FileBytes(path), bytes);
        QCOMPARE(Panel(1), CountText(bytes.count('\n')));
        QCOMPARE(m_sounds.size(), sounds);
    }

    void statusBarShowsSavedOnlyWhenWritten() {
        const QString path = RecordFile();
        QVERIFY(Load(path));
        QCOMPARE(Panel(4), QLocale::system().toString(m_moment.time(), QLocale::ShortFormat));
        Record(QStringLiteral("12"));
        QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));

        // The disk fills while the next bib is written: no box, the panel says so.
        InjectWriteFailure(3, 1);
        Record(QStringLiteral("13"));
        QVERIFY(m_messages->shown().isEmpty());
        QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n")); // no torn line
        // The bib is kept in the list and the grid, and the next write brings the file in step.
        QCOMPARE(Grid()->RowCount(), 3);
        QCOMPARE(Panel(1), CountText(2));
        QCOMPARE(Entry()->text(), QString());
        Record(QStringLiteral("14"));
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n2;13\r\n3;14\r\n"));
        QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));

        Record(QStringLiteral("15"));
        // A language switch keeps the warning, in the new language, and the file's name in the title.
        InjectWriteFailure(3, 1);
        Record(QStringLiteral("16"));
        for (QAction* entry : m_window->findChildren<QAction*>(QStringLiteral("mnuLangSelect"))) {
            if (entry->property("tag").toString() == QLatin1String("de"))
                entry->trigger();
        }
        QCOMPARE(Panel(2), QStringLiteral("NICHT gespeichert!"));
        QCOMPARE(Panel(1), CountText(5));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Marklog - ") + ShortenPath(QDir::toNativeSeparators(path)));
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
        const QString file = m_dir->filePath(QStringLiteral("sound.wav"));
        if (bytes != "-")
            WriteBytes(file, bytes);
        QCOMPARE(AckSoundSource(file), fileChosen ? file : kBuiltInTone);
    }

    void buttonsGiveFocusBackToEntry() {
        const QString path = RecordFile();
        QVERIFY(Load(path));
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));

        // Clicking the record button records the box and hands the focus back to it.
        QTest::keyClicks(Entry(), QStringLiteral("21"));
        auto* cmdEnter = m_window->findChild<QPushButton*>(QStringLiteral("cmdEnter"));
        cmdEnter->setFocus();
        QTest::mouseClick(cmdEnter, Qt::LeftButton);
        QCOMPARE(FileBytes(path), QByteArray("1;21\r\n"));
        QTRY_VERIFY(Entry()->hasFocus());

        // The beep check box toggles and hands the focus back too; unload stores it.
        auto* chkBeep = m_window->findChild<QCheckBox*>(QStringLiteral("chkBeep"));
        chkBeep->setFocus();
        QTest::mouseClick(chkBeep, Qt::LeftButton);
        QVERIFY(chkBeep->isChecked());
        QTRY_VERIFY(Entry()->hasFocus());
        Record(QStringLiteral("22"));
        QCOMPARE(m_sounds.size(), 1);
        Close();
        QCOMPARE(ReadSetting(QStringLiteral("Beeper")).toString(), QStringLiteral("1"));
    }

    void windowLaysOutControls_data() {
        QTest::addColumn<double>("W"); // inner width in twips
        QTest::addColumn<double>("gridLeft");
        QTest::addColumn<double>("gridWidth");
        QTest::addColumn<double>("frameLeft");
        QTest::addColumn<double>("entryWidth");
        QTest::newRow("9000 wide") << 9000.0 << 6000.0 << 3000.0 << 4425.0 << 4305.0;
        QTest::newRow("12000 wide") << 12000.0 << 8000.0 << 4000.0 << 6425.0 << 6305.0;
    }

    // The real window follows its size: the grid at the right, the frame against it, the entry box
    // and its font filling the rest, all reaching down to the status bar; the wiki link centred.
    void windowLaysOutControls() {
        QFETCH(double, W);
        QFETCH(double, gridLeft);
        QFETCH(double, gridWidth);
        QFETCH(double, frameLeft);
        QFETCH(double, entryWidth);
        QVERIFY(Load(RecordFile()));
        auto* client = m_window->findChild<QWidget*>(QStringLiteral("Client"));
        auto* statusBar = m_window->findChild<QWidget*>(QStringLiteral("StatusBar"));
        m_window->resize(TwipsToPixelsX(W, m_window), TwipsToPixelsY(7000, m_window));
        QTRY_COMPARE(client->width(), TwipsToPixelsX(W, m_window));
        const auto near = [this](int pixels, double twips) {
            return qAbs(pixels - TwipsToPixelsX(twips, m_window)) <= 1;
        };
        QVERIFY(near(Grid()->x(), gridLeft));
        QVERIFY(near(Grid()->width(), gridWidth));
        QVERIFY(near(m_window->findChild<QWidget*>(QStringLiteral("fraFrame"))->x(), frameLeft));
        QVERIFY(near(Entry()->width(), entryWidth));
        // Down to 240 twips above the status bar, whose height counts to the inner area.
        const int inner = client->height() + statusBar->height();
        QVERIFY(qAbs(Grid()->height() - (inner - statusBar->height() - TwipsToPixelsY(240, m_window))) <= 1);
        QCOMPARE(Entry()->height(), Grid()->height());
        const double entryHeight = PixelsToTwipsY(Entry()->height(), m_window);
        QVERIFY(qAbs(Entry()->font().pointSizeF() - qMin(entryHeight / 25, entryWidth / 64)) < 0.2);

        QAction* close = m_window->findChild<QAction*>(QStringLiteral("mnuFile_Close"));
        QVERIFY(close->isEnabled());
        close->trigger();
        auto* wiki = m_window->findChild<QWidget*>(QStringLiteral("Wiki"));
        QVERIFY(wiki->isVisible());
        QVERIFY(near(wiki->x(), (W - 4815) / 2));
        QVERIFY(qAbs(wiki->y() - TwipsToPixelsY((PixelsToTwipsY(inner, m_window) - 855) / 2, m_window)) <= 1);
    }

private:
    QString RecordFile(const QByteArray& bytes = QByteArray()) {
        const QString path = QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("race.stn")));
        WriteBytes(path, bytes);
        return path;
    }
    frmMain* Load(const QString& commandLine) {
        m_window = new frmMain(commandLine);
        m_window->Form_Load();
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window) ? m_window.data() : nullptr;
    }
    void Close() {
        QVERIFY(m_window->close());
        QTRY_VERIFY(m_window.isNull()); // deleted on close
    }
    // Digits typed into the entry box, then Enter.
    void Record(const QString& typed) {
        QTest::keyClicks(Entry(), typed);
        QTest::keyClick(Entry(), Qt::Key_Return);
    }
    QLineEdit* Entry() const { return m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter")); }
    ctlGrid* Grid() const { return m_window->findChild<ctlGrid*>(QStringLiteral("Grid")); }
    QString Panel(int panel) const {
        return m_window->findChild<QLabel*>(QStringLiteral("StatusBar_Panel%1").arg(panel))->text();
    }
    static QString CountText(int count) {
        return GetText(QStringLiteral("MKL_SB_RECORDS")) + ": " + QString::number(count);
    }
    static QString DatedCopy(const QString& name) { return WritableProgramFolder() + name + "2022-06-03 100001.stn"; }
    static void RemoveDatedCopy(const QString& name) {
        QFile::remove(DatedCopy(name));
        QFile::remove(DatedCopy(name) + QStringLiteral(".times"));
    }

    // A moment of its own: the dated copies land in the program folder that all test programs share.
    const QDateTime m_moment{QDate(2022, 6, 3), QTime(10, 0, 1)};
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<frmMain> m_window;
    QStringList m_sounds;
    SoundSink m_speaker;
};

QTEST_MAIN(TestRecording)
#include "tst_gui_recording.moc"
