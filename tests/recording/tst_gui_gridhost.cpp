#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "support/FileDialogSeam.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

// The main window's side of grid editing: corrections, insertions, deletions and moves made in
// the real window's grid reach the record file, byte for byte.
class TestGridHost : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
        // A moment of its own: the dated copies land in the program folder that all test programs share.
        m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2022, 6, 3), QTime(10, 0, 3)));
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("grid.stn")));
        FileDialogSeam::activate();
    }

    void cleanup() {
        if (m_window)
            Close();
        InjectWriteFailure(0, 0);
        FileDialogSeam::reset();
        QFile::remove(WritableProgramFolder() + QStringLiteral("grid2022-06-03 100003.stn")); // beside the program
        QFile::remove(WritableProgramFolder() + QStringLiteral("grid2022-06-03 100003.stn.times"));
        const QString unexpected = m_messages->lastText();
        m_dir.reset();
        m_clock.reset();
        m_messages.reset();
        m_language.reset();
        m_env.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    }

    void editRewritesFile_data() {
        QTest::addColumn<QString>("typed"); // over the selected bib; "\b" empties it
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("changed");
        QTest::newRow("left unchanged") << QString() << m_three << false;
        QTest::newRow("017 is a change to 17") << QStringLiteral("017") << m_three << true;
        QTest::newRow("new bib") << QStringLiteral("45") << QByteArray("1;11\r\n2;45\r\n3;33\r\n") << true;
        QTest::newRow("emptied") << QStringLiteral("\b") << QByteArray("1;11\r\n2;0\r\n3;33\r\n") << true;
    }

    void editRewritesFile() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, changed);
        QVERIFY(Load(m_three));
        OpenEditorOn(2);
        QCOMPARE(Editor()->selectedText(), QStringLiteral("17"));
        if (typed == QLatin1String("\b"))
            QTest::keyClick(Editor(), Qt::Key_Backspace);
        else
            QTest::keyClicks(Editor(), typed);
        // Enter hands the focus to the entry box; leaving the editor commits the bib.
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTRY_VERIFY(Entry()->hasFocus());
        QCOMPARE(FileBytes(m_path), bytes);
        QCOMPARE(m_window->RecordFile.Changed(), changed);
        QCOMPARE(Grid()->CellText(2, 1), QString::number(m_window->RecordFile.GetRecord(1).Bib));
        QCOMPARE(Panel(1), CountText(3));

        // The next bib goes after the corrected records.
        Record(QStringLiteral("50"));
        QCOMPARE(FileBytes(m_path), bytes + "4;50\r\n");
    }

    void insertRewritesFile_data() {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<int>("row"); // 0: the file is empty, nothing to click
        QTest::addColumn<QByteArray>("inserted");
        QTest::addColumn<QByteArray>("typedOver"); // after typing 5 over the new record's 0
        QTest::newRow("at row 1") << m_three << 1 << QByteArray("1;0\r\n2;11\r\n3;17\r\n4;33\r\n")
                                  << QByteArray("1;5\r\n2;11\r\n3;17\r\n4;33\r\n");
        QTest::newRow("in the middle") << m_three << 3 << QByteArray("1;11\r\n2;17\r\n3;0\r\n4;33\r\n")
                                       << QByteArray("1;11\r\n2;17\r\n3;5\r\n4;33\r\n");
        QTest::newRow("on an empty file") << QByteArray() << 0 << QByteArray("1;0\r\n") << QByteArray("1;5\r\n");
    }

    void insertRewritesFile() {
        QFETCH(QByteArray, initial);
        QFETCH(int, row);
        QFETCH(QByteArray, inserted);
        QFETCH(QByteArray, typedOver);
        QVERIFY(Load(initial));
        if (row > 0)
            OpenEditorOn(row);
        Click("cmdInsert");
        QCOMPARE(FileBytes(m_path), inserted);
        const int count = inserted.count('\n');
        QCOMPARE(Grid()->RowCount(), count + 1);
        QCOMPARE(Grid()->CellText(count, 0), QString::number(count)); // reloaded: numbered afresh
        QCOMPARE(Panel(1), CountText(count));
        QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));

        // The editor waits on the new record's 0, ready to be typed over.
        const int at = qMax(row, 1);
        QTRY_VERIFY(Editor()->hasFocus());
        QCOMPARE(Grid()->EditRow(), at);
        QCOMPARE(Editor()->selectedText(), QStringLiteral("0"));
        QTest::keyClicks(Editor(), QStringLiteral("5"));
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTRY_VERIFY(Entry()->hasFocus());
        QCOMPARE(FileBytes(m_path), typedOver);
    }

    // The question and the barcode timer around it are the grid's own (see its editing tests).
    void deleteAsksThenRewrites_data() {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("numbers"); // column 0 until the next reload
        QTest::newRow("confirmed") << m_three << 2 << true << QByteArray("1;11\r\n2;33\r\n") << QStringList{"1", "3"};
        QTest::newRow("cancelled") << m_three << 2 << false << m_three << QStringList{"1", "2", "3"};
        QTest::newRow("the only record") << QByteArray("1;17\r\n") << 1 << true << QByteArray() << QStringList();
    }

    void deleteAsksThenRewrites() {
        QFETCH(QByteArray, initial);
        QFETCH(int, row);
        QFETCH(bool, confirm);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, numbers);
        QVERIFY(Load(initial));
        OpenEditorOn(row);
        m_messages->setNextAnswer(confirm ? MsgAnswer::Ok : MsgAnswer::Cancel);
        Click("cmdDelete");
        QCOMPARE(m_messages->shown().size(), 1);
        m_messages->clear();

        QCOMPARE(FileBytes(m_path), bytes);
        QStringList shown;
        for (int r = 1; r < Grid()->RowCount(); ++r)
            shown << Grid()->CellText(r, 0);
        QCOMPARE(shown, numbers);
        QCOMPARE(Panel(1), CountText(initial.count('\n'))); // the count waits for the next bib

        Record(QStringLiteral("40"));
        const int after = bytes.count('\n') + 1;
        QCOMPARE(FileBytes(m_path), bytes + QByteArray::number(after) + ";40\r\n");
        QCOMPARE(Panel(1), CountText(after));
    }

    void moveExchangesBibs_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("currentRow");
        QTest::newRow("up") << 2 << "cmdUp" << QByteArray("1;17\r\n2;11\r\n3;33\r\n") << 1;
        QTest::newRow("down") << 2 << "cmdDown" << QByteArray("1;11\r\n2;33\r\n3;17\r\n") << 3;
        QTest::newRow("up on the first row") << 1 << "cmdUp" << m_three << 1;
        QTest::newRow("down on the last row") << 3 << "cmdDown" << m_three << 3;
    }

    void moveExchangesBibs() {
        QFETCH(int, row);
        QFETCH(QString, button);
        QFETCH(QByteArray, bytes);
        QFETCH(int, currentRow);
        QVERIFY(Load(m_three));
        OpenEditorOn(row);
        Click(qPrintable(button));
        QCOMPARE(FileBytes(m_path), bytes);
        QCOMPARE(m_window->RecordFile.Changed(), bytes != m_three);
        QCOMPARE(Grid()->CurrentRow(), currentRow);
        QTRY_VERIFY(Editor()->hasFocus()); // the editor reopens on the moved bib
        QCOMPARE(Grid()->EditRow(), currentRow);
        for (int r = 1; r <= 3; ++r)
            QCOMPARE(Grid()->CellText(r, 0), QString::number(r));
    }

    void typingOnGridGoesToEntry() {
        QVERIFY(Load(m_three));
        Table()->setFocus();
        QTRY_VERIFY(Table()->hasFocus());
        QTest::keyClick(Table(), Qt::Key_7);
        QTRY_VERIFY(Entry()->hasFocus());
        QCOMPARE(Entry()->text(), QStringLiteral("7"));
        QCOMPARE(FileBytes(m_path), m_three);
        QVERIFY(!m_window->RecordFile.Changed());

        Record(QStringLiteral("4"));
        QCOMPARE(FileBytes(m_path), m_three + "4;74\r\n");
    }

    // A failed write of an append or an edit is covered by the fault tests; these are the grid's
    // own rewrites. The old file stays whole and the next write brings it in step.
    void failedRewriteLosesNothing_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("then"); // "record" a bib, or "close" the window
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("edit, then closing") << "edit"
                                            << "close" << QByteArray("1;11\r\n2;45\r\n3;33\r\n");
        QTest::newRow("insert") << "insert"
                                << "record" << QByteArray("1;11\r\n2;0\r\n3;17\r\n4;33\r\n5;40\r\n");
        QTest::newRow("move") << "move"
                              << "record" << QByteArray("1;17\r\n2;11\r\n3;33\r\n4;40\r\n");
    }

    void failedRewriteLosesNothing() {
        QFETCH(QString, action);
        QFETCH(QString, then);
        QFETCH(QByteArray, bytes);
        QVERIFY(Load(m_three));
        OpenEditorOn(2);
        InjectWriteFailure(5, 1);
        if (action == QLatin1String("edit")) {
            QTest::keyClicks(Editor(), QStringLiteral("45"));
            QTest::keyClick(Editor(), Qt::Key_Return);
        } else if (action == QLatin1String("insert")) {
            Click("cmdInsert");
            QCOMPARE(Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
        } else {
            Click("cmdUp");
        }
        // Each failed rewrite is reported with the file's name, and the old file stays whole.
        QCOMPARE(m_messages->shown().size(), 1);
        QVERIFY2(m_messages->lastText().contains(m_path), qPrintable(m_messages->lastText()));
        m_messages->clear();
        QCOMPARE(FileBytes(m_path), m_three);

        if (then == QLatin1String("close"))
            Close();
        else
            Record(QStringLiteral("40"));
        QCOMPARE(FileBytes(m_path), bytes);
    }

private:
    bool Load(const QByteArray& bytes) {
        WriteBytes(m_path, bytes);
        m_window = new frmMain(m_path);
        m_window->Form_Load();
        m_window->show();
        QApplication::setActiveWindow(m_window);
        return QTest::qWaitForWindowActive(m_window) && m_window->RecordFile.FileName() == m_path;
    }
    void Close() {
        QVERIFY(m_window->close());
        QTRY_VERIFY(m_window.isNull()); // deleted on close
    }
    // Clicks a bib cell and waits until the in-place editor has the focus there.
    void OpenEditorOn(int row) {
        const QRect cell = Table()->visualRect(Table()->model()->index(row - 1, 1));
        QTest::mouseClick(Table()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTRY_VERIFY(Editor()->hasFocus());
        QCOMPARE(Grid()->EditRow(), row);
    }
    void Click(const char* button) {
        QTest::mouseClick(Grid()->findChild<QToolButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    void Record(const QString& typed) {
        QTest::keyClicks(Entry(), typed);
        QTest::keyClick(Entry(), Qt::Key_Return);
    }
    ctlGrid* Grid() const { return m_window->findChild<ctlGrid*>(QStringLiteral("Grid")); }
    QTableView* Table() const { return Grid()->findChild<QTableView*>(QStringLiteral("Grid")); }
    QLineEdit* Editor() const { return Grid()->findChild<QLineEdit*>(QStringLiteral("txtWorkOn")); }
    QLineEdit* Entry() const { return m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter")); }
    QString Panel(int panel) const {
        return m_window->findChild<QLabel*>(QStringLiteral("StatusBar_Panel%1").arg(panel))->text();
    }
    static QString CountText(int count) {
        return GetText(QStringLiteral("MKL_SB_RECORDS")) + ": " + QString::number(count);
    }

    const QByteArray m_three{"1;11\r\n2;17\r\n3;33\r\n"};
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QPointer<frmMain> m_window;
};

QTEST_MAIN(TestGridHost)
#include "tst_gui_gridhost.moc"
