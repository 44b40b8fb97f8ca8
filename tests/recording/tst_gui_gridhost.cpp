#include "grid/ctlGrid.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"

#include "GuiFixture.h"

#include <QTableView>
#include <QToolButton>

#include <memory>

// The main window's side of grid editing: corrections, insertions, deletions and moves made in
// the real window's grid reach the record file, byte for byte. (What the grid itself allows is
// tested on the control.)
class TestGridHost : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        // A moment of its own: the dated copies land in the program folder that all test programs share.
        m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2022, 6, 3), QTime(10, 0, 3)));
    }

    void cleanup() {
        const bool quiet = m_f->Finish();
        InjectWriteFailure(0, 0);
        QFile::remove(WritableProgramFolder() + QStringLiteral("race2022-06-03 100003.stn")); // beside the program
        QVERIFY2(quiet, qPrintable(m_f->messages.lastText()));
        m_clock.reset();
        m_f.reset();
    }

    void editRewritesFile_data() {
        QTest::addColumn<QString>("typed"); // over the selected bib; "\b" empties it
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("changed");
        QTest::newRow("017 is a change to 17") << QStringLiteral("017") << m_three << true;
        QTest::newRow("new bib") << QStringLiteral("45") << QByteArray("1;11\r\n2;45\r\n3;33\r\n") << true;
        QTest::newRow("emptied") << QStringLiteral("\b") << QByteArray("1;11\r\n2;0\r\n3;33\r\n") << true;
    }

    void editRewritesFile() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, changed);
        QVERIFY(m_f->LoadRecords(m_three));
        OpenEditorOn(2);
        QCOMPARE(Editor()->selectedText(), QStringLiteral("17"));
        if (typed == QLatin1String("\b"))
            QTest::keyClick(Editor(), Qt::Key_Backspace);
        else
            QTest::keyClicks(Editor(), typed);
        // Enter hands the focus to the entry box; leaving the editor commits the bib.
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        QCOMPARE(FileBytes(m_f->path()), bytes);
        QCOMPARE(m_f->window->RecordFile.Changed(), changed);
        QCOMPARE(Grid()->CellText(2, 1), QString::number(m_f->window->RecordFile.GetRecord(1).Bib));
        QCOMPARE(m_f->Panel(1), CountText(3));

        // The next bib goes after the corrected records.
        m_f->Record(QStringLiteral("50"));
        QCOMPARE(FileBytes(m_f->path()), bytes + "4;50\r\n");
    }

    void insertRewritesFile_data() {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<int>("row"); // 0: the file is empty, nothing to click
        QTest::addColumn<QByteArray>("inserted");
        QTest::addColumn<QByteArray>("typedOver"); // after typing 5 over the new record's 0
        QTest::newRow("in the middle") << m_three << 3 << QByteArray("1;11\r\n2;17\r\n3;0\r\n4;33\r\n")
                                       << QByteArray("1;11\r\n2;17\r\n3;5\r\n4;33\r\n");
        QTest::newRow("on an empty file") << QByteArray() << 0 << QByteArray("1;0\r\n") << QByteArray("1;5\r\n");
    }

    void insertRewritesFile() {
        QFETCH(QByteArray, initial);
        QFETCH(int, row);
        QFETCH(QByteArray, inserted);
        QFETCH(QByteArray, typedOver);
        QVERIFY(m_f->LoadRecords(initial));
        if (row > 0)
            OpenEditorOn(row);
        Click("cmdInsert");
        QCOMPARE(FileBytes(m_f->path()), inserted);
        const int count = inserted.count('\n');
        QCOMPARE(Grid()->RowCount(), count + 1);
        QCOMPARE(Grid()->CellText(count, 0), QString::number(count)); // reloaded: numbered afresh
        QCOMPARE(m_f->Panel(1), CountText(count));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVED")));

        // The editor waits on the new record's 0, ready to be typed over.
        const int at = qMax(row, 1);
        QTRY_VERIFY(Editor()->hasFocus());
        QCOMPARE(Grid()->EditRow(), at);
        QCOMPARE(Editor()->selectedText(), QStringLiteral("0"));
        QTest::keyClicks(Editor(), QStringLiteral("5"));
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        QCOMPARE(FileBytes(m_f->path()), typedOver);
    }

    // The question and the barcode timer around it are the grid's own (see its editing tests).
    void deleteAsksThenRewrites_data() {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("numbers"); // column 0 until the next reload
        QTest::newRow("confirmed") << m_three << 2 << true << QByteArray("1;11\r\n2;33\r\n") << QStringList{"1", "3"};
        QTest::newRow("the only record") << QByteArray("1;17\r\n") << 1 << true << QByteArray() << QStringList();
    }

    void deleteAsksThenRewrites() {
        QFETCH(QByteArray, initial);
        QFETCH(int, row);
        QFETCH(bool, confirm);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, numbers);
        QVERIFY(m_f->LoadRecords(initial));
        OpenEditorOn(row);
        m_f->messages.setNextAnswer(confirm ? MsgAnswer::Ok : MsgAnswer::Cancel);
        Click("cmdDelete");
        QCOMPARE(m_f->messages.shown().size(), 1);
        m_f->messages.clear();

        QCOMPARE(FileBytes(m_f->path()), bytes);
        QStringList shown;
        for (int r = 1; r < Grid()->RowCount(); ++r)
            shown << Grid()->CellText(r, 0);
        QCOMPARE(shown, numbers);
        QCOMPARE(m_f->Panel(1), CountText(initial.count('\n'))); // the count waits for the next bib

        m_f->Record(QStringLiteral("40"));
        const int after = bytes.count('\n') + 1;
        QCOMPARE(FileBytes(m_f->path()), bytes + QByteArray::number(after) + ";40\r\n");
        QCOMPARE(m_f->Panel(1), CountText(after));
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
        QVERIFY(m_f->LoadRecords(m_three));
        OpenEditorOn(row);
        Click(qPrintable(button));
        QCOMPARE(FileBytes(m_f->path()), bytes);
        QCOMPARE(m_f->window->RecordFile.Changed(), bytes != m_three);
        QCOMPARE(Grid()->CurrentRow(), currentRow);
        QTRY_VERIFY(Editor()->hasFocus()); // the editor reopens on the moved bib
        QCOMPARE(Grid()->EditRow(), currentRow);
        for (int r = 1; r <= 3; ++r)
            QCOMPARE(Grid()->CellText(r, 0), QString::number(r));
    }

    void typingOnGridGoesToEntry() {
        QVERIFY(m_f->LoadRecords(m_three));
        Table()->setFocus();
        QTRY_VERIFY(Table()->hasFocus());
        QTest::keyClick(Table(), Qt::Key_7);
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        QCOMPARE(m_f->Entry()->text(), QStringLiteral("7"));
        QCOMPARE(FileBytes(m_f->path()), m_three);
        QVERIFY(!m_f->window->RecordFile.Changed());

        m_f->Record(QStringLiteral("4"));
        QCOMPARE(FileBytes(m_f->path()), m_three + "4;74\r\n");
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
        QVERIFY(m_f->LoadRecords(m_three));
        OpenEditorOn(2);
        InjectWriteFailure(5, 1);
        if (action == QLatin1String("edit")) {
            QTest::keyClicks(Editor(), QStringLiteral("45"));
            QTest::keyClick(Editor(), Qt::Key_Return);
        } else if (action == QLatin1String("insert")) {
            Click("cmdInsert");
            QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
        } else {
            Click("cmdUp");
        }
        // Each failed rewrite is reported with the file's name, and the old file stays whole.
        QCOMPARE(m_f->messages.shown().size(), 1);
        QVERIFY2(m_f->messages.lastText().contains(m_f->path()), qPrintable(m_f->messages.lastText()));
        m_f->messages.clear();
        QCOMPARE(FileBytes(m_f->path()), m_three);

        if (then == QLatin1String("close"))
            QVERIFY(m_f->CloseWindow());
        else
            m_f->Record(QStringLiteral("40"));
        QCOMPARE(FileBytes(m_f->path()), bytes);
    }

private:
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
    ctlGrid* Grid() const { return Find<ctlGrid>(m_f->window, "Grid"); }
    QTableView* Table() const { return Grid()->findChild<QTableView*>(QStringLiteral("Grid")); }
    QLineEdit* Editor() const { return Grid()->findChild<QLineEdit*>(QStringLiteral("txtWorkOn")); }
    static QString CountText(int count) {
        return GetText(QStringLiteral("MKL_SB_RECORDS")) + ": " + QString::number(count);
    }

    const QByteArray m_three{"1;11\r\n2;17\r\n3;33\r\n"};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestGridHost)
#include "tst_gui_gridhost.moc"
