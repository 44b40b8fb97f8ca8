#include "base/MessageBox.h"
#include "grid/ctlGrid.h"
#include "records/CorrectionJournal.h"

#include "GuiFixture.h"

#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
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
        const struct {
            int row; // the editor is opened there first; 0: the bib is recorded in the entry box
            const char* typed;
            const char* then; // a key sequence, a grid button, or the context menu's first entry
            const char* bytes;
        } steps[] = {
            {3, "71", "Return", "1;11\r\n2;17\r\n3;71\r\n"},
            {0, "50", "", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n"},
            {1, "", "Ctrl+Z", "1;11\r\n2;17\r\n3;33\r\n4;50\r\n"}, // the record corrected, the passage stays last
            {2, "", "Ctrl+Y", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n"},
            {2, "", "cmdInsert", "1;11\r\n2;0\r\n3;17\r\n4;71\r\n5;50\r\n"},
            {2, "", "menu", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n"},
            {1, "", "cmdDelete", "1;17\r\n2;71\r\n3;50\r\n"},
            {1, "", "cmdDown", "1;71\r\n2;17\r\n3;50\r\n"},
            {3, "", "Ctrl+Z", "1;17\r\n2;71\r\n3;50\r\n"},
            {3, "", "Ctrl+Z", "1;11\r\n2;17\r\n3;71\r\n4;50\r\n"},
            {3, "", "Ctrl+Shift+Z", "1;17\r\n2;71\r\n3;50\r\n"},
            {2, "9", "Ctrl+Z", "1;17\r\n2;71\r\n3;50\r\n"}, // the editor's own typing is taken back
        };
        for (const auto& step : steps) {
            if (step.row == 0) {
                f.Record(QLatin1String(step.typed));
            } else {
                const QRect cell = table->visualRect(table->model()->index(step.row - 1, 1));
                QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
                QTRY_VERIFY(editor->hasFocus());
                QTest::keyClicks(editor, QLatin1String(step.typed));
            }
            const QString then = QLatin1String(step.then);
            if (then.startsWith(QLatin1String("cmd")))
                QTest::mouseClick(Find<QToolButton>(grid, step.then), Qt::LeftButton);
            else if (then == QLatin1String("menu"))
                Find<QMenu>(grid, "mnuGridContext")->actions().first()->trigger();
            else if (!then.isEmpty())
                QTest::keySequence(editor, QKeySequence(then));
            QVERIFY2(FileBytes(f.path()) == step.bytes, step.then);
        }
        QCOMPARE(editor->text(), QStringLiteral("71"));
        f.messages.clear(); // the question before the delete

        // A difference from the backup adopted; the comparison is made afresh, and the adoption undone.
        WriteBytes(f.path("backup.stn"), "1;11\r\n2;17\r\n3;72\r\n4;50\r\n");
        FileDialogSeam::setNextAnswer({f.path("backup.stn")});
        QStringList summaries;
        QTimer::singleShot(0, this, [&] {
            QDialog* dialog = nullptr;
            if (QTest::qWaitFor([&] { return (dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())); })) {
                auto* differences = Find<QTableView>(dialog, "tblDifferences");
                differences->selectRow(1);
                summaries << Find<QLabel>(dialog, "lblSummary")->text();
                QTest::mouseClick(Find<QPushButton>(dialog, "cmdAdopt"), Qt::LeftButton);
                summaries << Find<QLabel>(dialog, "lblSummary")->text() << QString::number(ModalScope::IsOpen());
                dialog->reject();
            }
        });
        f.Trigger("mnuFile_CompareBackup");
        QCOMPARE(summaries.size(), 3);
        QVERIFY(summaries[0].startsWith("2 differences") && summaries[0].contains(": 3, in the backup: 4"));
        QVERIFY(summaries[1].startsWith("1 difference from") && summaries[2] == "1"); // the scanner held meanwhile
        QCOMPARE(FileBytes(f.path()), QByteArray("1;17\r\n2;72\r\n3;50\r\n"));
        QApplication::setActiveWindow(f.window); // as the window system does once the dialog is gone
        QTRY_VERIFY(f.Entry()->hasFocus());      // ready for the next bib
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          table->visualRect(table->model()->index(0, 1)).center());
        QTRY_VERIFY(editor->hasFocus());
        QTest::keySequence(editor, QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(FileBytes(f.path()), QByteArray("1;17\r\n2;71\r\n3;50\r\n"));
        const QList<QByteArray> journal = FileBytes(JournalPath(f.path())).split('\n');
        QCOMPARE(journal.size(), 13); // twelve corrections and the line end of the last
        QVERIFY(journal[10].endsWith(";adopt;2;71;72\r") && journal[11].endsWith(";undo adopt;2;72;71\r"));
        QVERIFY(f.Finish());
    }
};

QTEST_MAIN(TestGuiCorrections)
#include "tst_gui_corrections.moc"
