#include "base/MessageBox.h"
#include "grid/ctlGrid.h"
#include "records/CorrectionJournal.h"
#include "records/DurableFile.h"

#include "GuiFixture.h"

#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

// Corrections in the window's grid taken back and done again with the keys and the context menu,
// a difference from a backup recording adopted, deletes and inserts down to an empty file, and a
// rewrite that fails; the record file after every step.
class TestGuiCorrections : public QObject {
    Q_OBJECT

private slots:
    void undoSession() {
        GuiFixture f;
        QVERIFY(f.LoadRecords("1;11\r\n2;17\r\n3;33\r\n"));
        auto* grid = Find<ctlGrid>(f.window, "Grid");
        auto* table = Find<QTableView>(grid, "Grid");
        auto* editor = Find<QLineEdit>(grid, "txtWorkOn");
        // Opens the editor on a row (0: records in the entry box instead), types, then presses keys,
        // clicks a grid button or takes the context menu's first entry; the file must then hold bytes.
        const auto step = [&](int row, const char* typed, const char* then, const QByteArray& bytes) {
            if (row == 0)
                f.Record(QLatin1String(typed));
            else
                QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  table->visualRect(table->model()->index(row - 1, 1)).center());
            QTRY_VERIFY(row == 0 || editor->hasFocus());
            QTest::keyClicks(editor, QLatin1String(row == 0 ? "" : typed));
            if (qstrncmp(then, "cmd", 3) == 0)
                QTest::mouseClick(Find<QToolButton>(grid, then), Qt::LeftButton);
            else if (qstrcmp(then, "menu") == 0)
                Find<QMenu>(grid, "mnuGridContext")->actions().first()->trigger();
            else if (*then)
                QTest::keySequence(editor, QKeySequence(QLatin1String(then)));
            QVERIFY2(FileBytes(f.path()) == bytes, then);
        };
        step(3, "71", "Return", "1;11\r\n2;17\r\n3;71\r\n");
        step(0, "50", "", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n");
        step(1, "", "Ctrl+Z", "1;11\r\n2;17\r\n3;33\r\n4;50\r\n"); // the record corrected, the passage stays last
        step(2, "", "Ctrl+Y", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n");
        step(2, "", "cmdInsert", "1;11\r\n2;0\r\n3;17\r\n4;71\r\n5;50\r\n");
        step(2, "", "menu", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n");
        step(1, "", "cmdDelete", "1;17\r\n2;71\r\n3;50\r\n");
        QVERIFY(!Find<QAction>(grid, "mnuGridRedo")->isEnabled()); // the undone insert is gone with a correction
        step(1, "", "cmdDown", "1;71\r\n2;17\r\n3;50\r\n");
        step(3, "", "Ctrl+Z", "1;17\r\n2;71\r\n3;50\r\n");
        step(3, "", "Ctrl+Z", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n");
        step(3, "", "Ctrl+Shift+Z", "1;17\r\n2;71\r\n3;50\r\n");
        step(2, "9", "Ctrl+Z", "1;17\r\n2;71\r\n3;50\r\n"); // the editor's own typing taken back
        QCOMPARE(editor->text(), QStringLiteral("71"));
        f.messages.clear(); // the question before the delete

        // A difference from the backup adopted: the comparison made afresh, the scanner held meanwhile.
        WriteBytes(f.path("backup.stn"), "1;11\r\n2;17\r\n3;72\r\n4;50\r\n");
        FileDialogSeam::setNextAnswer({f.path("backup.stn")});
        QString summary;
        GuiFixture::OnModal([&](QWidget& dialog) {
            Find<QTableView>(&dialog, "tblDifferences")->selectRow(1);
            QTest::mouseClick(Find<QPushButton>(&dialog, "cmdAdopt"), Qt::LeftButton);
            summary = Find<QLabel>(&dialog, "lblSummary")->text() + QString::number(ModalScope::IsOpen());
            dialog.close();
        });
        f.Trigger("mnuFile_CompareBackup");
        QVERIFY2(summary.startsWith("1 difference from") && summary.endsWith('1'), qPrintable(summary));
        QApplication::setActiveWindow(f.window); // as the window system does once the dialog is gone
        QTRY_VERIFY(f.Entry()->hasFocus());
        step(1, "", "", "1;17\r\n2;72\r\n3;50\r\n");
        step(1, "", "Ctrl+Z", "1;17\r\n2;71\r\n3;50\r\n");
        const QByteArray journal = FileBytes(JournalPath(f.path()));
        QVERIFY(journal.count('\n') == 12 && journal.contains(";move down;1;17;71\r\n") &&
                journal.contains(";adopt;2;71;72\r\n") && journal.endsWith(";undo adopt;2;72;71\r\n"));

        // Delete asks, naming the bib, and a cancelled one keeps the file; Insert opens the editor on
        // the new record's 0, ready to be typed over.
        f.messages.setNextAnswer(MsgAnswer::Cancel);
        step(2, "", "cmdDelete", "1;17\r\n2;71\r\n3;50\r\n");
        const MessageRequest question = f.messages.shown().first();
        QCOMPARE(question.text, GetText(QStringLiteral("MKL_MSG_DELETEBIB"), {{"[bib]", "71"}}));
        QVERIFY(question.buttons == MsgButtons::OkCancel && question.icon == MsgIcon::Question);
        step(3, "", "cmdInsert", "1;17\r\n2;71\r\n3;0\r\n4;50\r\n");
        QCOMPARE(editor->selectedText(), QStringLiteral("0"));
        // Deleting every record empties the file, and Delete then asks nothing; Insert on the empty
        // file adds the first record.
        for (const char* left : {"1;71\r\n2;0\r\n3;50\r\n", "1;0\r\n2;50\r\n", "1;50\r\n", ""})
            step(1, "", "cmdDelete", left);
        f.messages.clear();
        QTest::mouseClick(Find<QToolButton>(grid, "cmdDelete"), Qt::LeftButton);
        step(0, "", "cmdInsert", "1;0\r\n");
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClick(editor, Qt::Key_5);
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(FileBytes(f.path()), QByteArray("1;5\r\n"));

        // A failed rewrite shows in the alarm band, naming the file, and asks nothing; nothing moves
        // under the operator's hand, so a click aimed at the first row before still hits it. The old
        // file stays whole and the next bib brings it in step.
        step(1, "", "", "1;5\r\n");
        const auto placed = [&f](QWidget* control) {
            return QRect(control->mapTo(f.window, QPoint()), control->size());
        };
        const QRect gridAt = placed(grid), entryAt = placed(f.Entry());
        const QPoint aimed =
            table->viewport()->mapTo(f.window, table->visualRect(table->model()->index(0, 1)).center());
        const auto healed = qScopeGuard([] { InjectWriteFailure(0, 0); });
        InjectWriteFailure(2, 1);
        step(0, "", "cmdInsert", "1;5\r\n");
        auto* band = Find<QLabel>(f.window, "lblAlarm");
        QVERIFY(band->isVisible() && band->text().contains(f.path()));
        QCOMPARE(placed(grid), gridAt);
        QCOMPARE(placed(f.Entry()), entryAt);
        QVERIFY(grid->isAncestorOf(f.window->childAt(aimed)));
        QCOMPARE(table->indexAt(table->viewport()->mapFrom(f.window, aimed)).row(), 0);
        step(0, "40", "", "1;0\r\n2;5\r\n3;40\r\n");
        QVERIFY(!band->isVisible());
        QVERIFY(f.Finish());
    }
};

QTEST_MAIN(TestGuiCorrections)
#include "tst_gui_corrections.moc"
