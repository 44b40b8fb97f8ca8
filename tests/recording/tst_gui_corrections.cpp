#include "base/MessageBox.h"
#include "grid/ctlGrid.h"
#include "records/CorrectionJournal.h"

#include "GuiFixture.h"

#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

// Corrections in the window's grid taken back and done again with the keys and the context menu,
// and a difference from a backup recording adopted; the record file after every step.
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
        QVERIFY(f.Finish());
    }
};

QTEST_MAIN(TestGuiCorrections)
#include "tst_gui_corrections.moc"
