#include "grid/ctlGrid.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"

#include "GuiFixture.h"

#include <QLabel>
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
        QFile::remove(WritableProgramFolder() + QStringLiteral("race2022-06-03 100003.stn.times"));
        QVERIFY2(quiet, qPrintable(m_f->messages.lastText()));
        m_clock.reset();
        m_f.reset();
    }

    // An operator corrects, inserts, moves and deletes in the window's grid; after each step the
    // record file holds exactly what the grid shows, and the next bib goes after it.
    void operatorSessionRewritesFile() {
        QVERIFY(m_f->LoadRecords(m_three));
        Step(2, "017", "Return", m_three); // a leading zero is a change to the same bib
        QVERIFY(m_f->window->RecordFile.Changed());
        Step(2, "45", "Return", "1;11\r\n2;45\r\n3;33\r\n");
        QCOMPARE(m_f->Panel(1), CountText(3));

        // Insert opens the editor on the new record's 0, ready to be typed over.
        Step(3, "", "cmdInsert", "1;11\r\n2;45\r\n3;0\r\n4;33\r\n");
        QCOMPARE(Grid()->CellText(4, 0), QStringLiteral("4")); // reloaded: numbered afresh
        QCOMPARE(m_f->Panel(1), CountText(4));
        QCOMPARE(Editor()->selectedText(), QStringLiteral("0"));
        QTest::keyClicks(Editor(), QStringLiteral("5"));
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;11\r\n2;45\r\n3;5\r\n4;33\r\n"));

        // Moves exchange neighbours and the editor follows the bib; at the ends nothing moves.
        Step(2, "", "cmdUp", "1;45\r\n2;11\r\n3;5\r\n4;33\r\n");
        QCOMPARE(Grid()->EditRow(), 1);
        Step(1, "", "cmdUp", "1;45\r\n2;11\r\n3;5\r\n4;33\r\n");
        Step(3, "", "cmdDown", "1;45\r\n2;11\r\n3;33\r\n4;5\r\n");

        // Delete asks (the bib named); a cancelled one keeps the file, a confirmed one rewrites at
        // once, while numbers and count wait for the next bib.
        m_f->messages.setNextAnswer(MsgAnswer::Cancel);
        Step(2, "", "cmdDelete", "1;45\r\n2;11\r\n3;33\r\n4;5\r\n");
        const MessageRequest question = m_f->messages.shown().first();
        QCOMPARE(question.text, GetText(QStringLiteral("MKL_MSG_DELETEBIB")).replace(QStringLiteral("[bib]"), "11"));
        QVERIFY(question.buttons == MsgButtons::OkCancel && question.icon == MsgIcon::Question);
        m_f->messages.clear();
        Step(2, "", "cmdDelete", "1;45\r\n2;33\r\n3;5\r\n");
        m_f->messages.clear();
        QCOMPARE(Grid()->CellText(2, 0), QStringLiteral("3"));
        QCOMPARE(m_f->Panel(1), CountText(4));

        // A digit typed on the grid goes to the entry box and is recorded from there.
        Table()->setFocus();
        QTRY_VERIFY(Table()->hasFocus());
        QTest::keyClick(Table(), Qt::Key_7);
        QTRY_VERIFY(m_f->Entry()->hasFocus());
        m_f->Record(QStringLiteral("4"));
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;45\r\n2;33\r\n3;5\r\n4;74\r\n"));
        QCOMPARE(m_f->Panel(1), CountText(4));

        // Deleting every record empties the file, and Delete then asks nothing; Insert on the empty
        // file adds the first record.
        for (const char* left : {"1;33\r\n2;5\r\n3;74\r\n", "1;5\r\n2;74\r\n", "1;74\r\n", ""})
            Step(1, "", "cmdDelete", left);
        m_f->messages.clear();
        Click("cmdDelete");
        QVERIFY(m_f->messages.shown().isEmpty());
        Click("cmdInsert");
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;0\r\n"));
        QTRY_VERIFY(Editor()->hasFocus());
        QTest::keyClicks(Editor(), QStringLiteral("5"));
        QTest::keyClick(Editor(), Qt::Key_Return);
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;5\r\n"));
    }

    // A failed rewrite by the grid shows in the alarm band, naming the file; the old file stays
    // whole and the next bib brings it in step. (Failed edits are the fault suite's.)
    void failedRewriteLosesNothing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("insert") << "cmdInsert" << QByteArray("1;11\r\n2;0\r\n3;17\r\n4;33\r\n5;40\r\n");
        QTest::newRow("move") << "cmdUp" << QByteArray("1;17\r\n2;11\r\n3;33\r\n4;40\r\n");
    }
    void failedRewriteLosesNothing() {
        QFETCH(QString, button);
        QFETCH(QByteArray, bytes);
        QVERIFY(m_f->LoadRecords(m_three));
        OpenEditorOn(2);
        InjectWriteFailure(5, 1);
        Click(qPrintable(button));
        QVERIFY(m_f->messages.shown().isEmpty());
        auto* band = m_f->window->findChild<QLabel*>(QStringLiteral("lblAlarm"));
        QVERIFY(band->isVisible() && band->text().contains(m_f->path()));
        QCOMPARE(m_f->Panel(2), GetText(QStringLiteral("MKL_SB_SAVEFAILED")));
        QCOMPARE(FileBytes(m_f->path()), m_three);
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
    // Opens the editor on a row, types over its bib, then presses Enter or clicks a grid button;
    // the file must then hold these bytes.
    void Step(int row, const char* typed, const char* then, const QByteArray& bytes) {
        OpenEditorOn(row);
        QTest::keyClicks(Editor(), QLatin1String(typed));
        if (qstrcmp(then, "Return") == 0) {
            QTest::keyClick(Editor(), Qt::Key_Return);
            QTRY_VERIFY(m_f->Entry()->hasFocus());
        } else {
            Click(then);
        }
        QCOMPARE(FileBytes(m_f->path()), bytes);
    }
    void Click(const char* button) { QTest::mouseClick(Find<QToolButton>(Grid(), button), Qt::LeftButton); }
    ctlGrid* Grid() const { return Find<ctlGrid>(m_f->window, "Grid"); }
    QTableView* Table() const { return Find<QTableView>(Grid(), "Grid"); }
    QLineEdit* Editor() const { return Find<QLineEdit>(Grid(), "txtWorkOn"); }
    static QString CountText(int count) {
        return GetText(QStringLiteral("MKL_SB_RECORDS")) + ": " + QString::number(count);
    }

    const QByteArray m_three{"1;11\r\n2;17\r\n3;33\r\n"};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestGridHost)
#include "tst_gui_gridhost.moc"
