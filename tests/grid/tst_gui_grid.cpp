#include "grid/GridMath.h"
#include "grid/ctlGrid.h"

#include "GuiFixture.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

#include <memory>
#include <numeric>

namespace {

using EditList = QVector<QPair<int, int>>;

QVector<qint32> Bibs(qint32 first, int count) {
    QVector<qint32> bibs(count);
    std::iota(bibs.begin(), bibs.end(), first);
    return bibs;
}

} // namespace

// The record grid beside an entry box, driven with real key and mouse events: new rows in view,
// the in-place editor, navigation and moves. The test window applies the grid's Edit signals to
// its bib list as the main window does (whose file writing is tested there).
class TestGuiGrid : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->UseLanguage();
        m_window = std::make_unique<QWidget>();
        m_window->resize(380, 320);
        entry = new QLineEdit(m_window.get());
        entry->setGeometry(0, 0, 100, 30);
        grid = new ctlGrid(m_window.get());
        grid->setGeometry(120, 0, 240, 300);
        grid->SetCaptions();
        table = Find<QTableView>(grid, "Grid");
        editor = Find<QLineEdit>(grid, "txtWorkOn");
        connect(grid, &ctlGrid::Edit, entry, [this](qint32 row, qint32 bib) { m_bibs[row - 1] = bib; });
        connect(grid, &ctlGrid::Enter, entry, [this] { entry->setFocus(); });
        connect(grid, &ctlGrid::TypedToEntry, entry, [this](const QString& text) {
            entry->setFocus();
            entry->insert(text);
        });
        m_tester = std::make_unique<QAbstractItemModelTester>(table->model(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_edits = std::make_unique<QSignalSpy>(grid, &ctlGrid::Edit);
    }
    void cleanup() {
        m_edits.reset();
        m_tester.reset();
        m_window.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // A new row scrolls into view only when it does not fit, also after the operator scrolled away.
    // Rows added while redraw is off reach the view as one reset (or one insertion when only
    // appended), with the newest row in view.
    void newRowsComeIntoView() {
        Start({});
        const auto lastRowFits = [&] {
            const QRect last = table->visualRect(table->model()->index(grid->RowCount() - 2, 0));
            return last.top() >= 0 && last.bottom() < table->viewport()->height();
        };
        int added = 0;
        while (table->verticalHeader()->defaultSectionSize() * (added + 1) <= table->viewport()->height()) {
            grid->AddBib(100 + added++);
            QVERIFY(lastRowFits() && grid->TopRow() == 1);
        }
        for (int i = 0; i < 20; ++i) {
            grid->AddBib(200 + i);
            QVERIFY2(lastRowFits() && grid->TopRow() > 1, qPrintable(QString::number(i)));
        }
        table->verticalScrollBar()->setValue(0);
        grid->AddBib(-5);
        QVERIFY(lastRowFits());
        QCOMPARE(grid->CellText(grid->RowCount() - 1, 0) + ' ' + grid->CellText(grid->RowCount() - 1, 1),
                 QString::number(added + 21) + " -5");

        QSignalSpy resets(table->model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(table->model(), &QAbstractItemModel::rowsInserted);
        constexpr int kRows = 100000;
        Load(Bibs(1000, kRows));
        QCOMPARE(resets.count(), 1);
        QCOMPARE(inserts.count(), 0);
        QCOMPARE(grid->CellText(kRows, 0) + ' ' + grid->CellText(kRows, 1), QStringLiteral("100000 100999"));
        QVERIFY(grid->IsRowVisible(kRows) && grid->TopRow() > 1);
        grid->setRedraw(false);
        grid->AddBib(7);
        grid->AddBib(8);
        grid->setRedraw(true);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(inserts.at(0).mid(1), (QList<QVariant>{kRows, kRows + 1}));
    }

    void commitOfEditedText_data() {
        QTest::addColumn<QString>("input"); // typed over the selected text ("\b" is Backspace), or pasted
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("editedBib"); // -1: no Edit
        QTest::newRow("left unchanged") << QString() << false << "22" << -1;
        QTest::newRow("leading zero counts as a change") << QStringLiteral("017") << false << "17" << 17;
        QTest::newRow("emptied") << QStringLiteral("\b") << false << "0" << 0;
        QTest::newRow("letters and signs never appear") << QStringLiteral("4a-2.x") << false << "42" << 42;
        QTest::newRow("eight digits, not nine") << QStringLiteral("123456789") << false << "12345678" << 12345678;
        QTest::newRow("pasted text gives its number") << QStringLiteral("12abc") << true << "12" << 12;
        QTest::newRow("pasted value beyond 32 bits") << QStringLiteral("9E9") << true << "22" << -1;
    }
    // What the editor holds when Enter leaves it becomes the bib, once; the keyboard goes back to
    // the entry box. A value too large is refused with a message that says so.
    void commitOfEditedText() {
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(int, editedBib);
        Start({11, 22, 33});
        OpenOn(2);
        QCOMPARE(editor->selectedText(), QStringLiteral("22"));
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        } else {
            QTest::keyClicks(editor, input);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(entry->hasFocus());
        QVERIFY(!editor->isVisible() && !grid->IsEditing());
        QTEST(grid->CellText(2, 1), "cell");
        QCOMPARE(Edits(), (editedBib < 0 ? EditList() : EditList{{2, editedBib}}));
        QCOMPARE(m_bibs, GridBibs());
        if (input == QLatin1String("9E9")) {
            QVERIFY(m_f->messages.lastText().contains(QLatin1String("not changed")));
            m_f->messages.clear();
        }
    }

    // The keyboard alone: arrows, Home, End, F12 and the Page keys (targets from the page table),
    // the ends of the list, Enter from keypad and table, and digits typed on the table.
    void keyboardSession() {
        Start(Bibs(1001, 200));
        QSignalSpy enters(grid, &ctlGrid::Enter);
        const auto editorOn = [this](int row) {
            return EditorOn(row, QString::number(1000 + row)) && grid->IsRowVisible(row);
        };
        table->verticalScrollBar()->setValue(0);
        OpenOn(1);
        QTest::keyClicks(editor, QStringLiteral("9"));
        Key(Qt::Key_Up); // nothing above the first row: the editor keeps what was typed
        QVERIFY(EditorOn(1, QStringLiteral("9")));
        QTest::keyClicks(editor, QStringLiteral("\b1001"));
        for (int row = 2; row <= 40; ++row) { // down past the bottom edge keeps the row in view
            Key(Qt::Key_Down);
            QVERIFY2(editorOn(row), qPrintable(QString::number(row)));
        }
        const Qt::Key keys[] = {Qt::Key_End, Qt::Key_Down, Qt::Key_Home, Qt::Key_F12, Qt::Key_Home};
        const int rows[] = {200, 200, 1, 200, 1}; // down from the last row stays there
        for (int i = 0; i < 5; ++i) {
            Key(keys[i]);
            QVERIFY2(editorOn(rows[i]) && (rows[i] > 1 || grid->TopRow() == 1), qPrintable(QString::number(i)));
        }
        QCOMPARE(m_edits->count(), 0);

        // Page keys: grid height over header height rows a page, the targets as the page table has them.
        const double rowsPerPage = double(table->height()) / table->horizontalHeader()->height();
        const GridMath::PageTarget down = GridMath::PageDownTarget(rowsPerPage, 1, grid->RowCount());
        Key(Qt::Key_PageDown);
        QVERIFY(editorOn(down.currentRow) && grid->TopRow() == down.topRow);
        const GridMath::PageTarget up = GridMath::PageUpTarget(rowsPerPage, down.currentRow);
        Key(Qt::Key_PageUp);
        QVERIFY(editorOn(up.currentRow) && grid->TopRow() == up.topRow);

        // A changed value is committed before the editor moves on, once; keypad Enter leaves.
        QTest::keyClicks(editor, QStringLiteral("77"));
        Key(Qt::Key_Down);
        QTest::keyClicks(editor, QStringLiteral("5"));
        QTest::keyClick(editor, Qt::Key_Enter);
        QCOMPARE(enters.count(), 1);
        QTRY_VERIFY(entry->hasFocus());
        QCOMPARE(Edits(), (EditList{{up.currentRow, 77}, {up.currentRow + 1, 5}}));

        // On the table itself: arrows move, Enter leaves, a letter is dropped, a digit goes to the entry box.
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Down);
        QVERIFY(editorOn(up.currentRow + 2));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(enters.count(), 2);
        table->setFocus();
        QTRY_VERIFY(table->hasFocus());
        const int current = grid->CurrentRow();
        QTest::keyClicks(table, QStringLiteral("x 4"));
        QVERIFY(entry->hasFocus() && entry->text() == QLatin1String("4") && grid->CurrentRow() == current);
        QCOMPARE(m_edits->count(), 2);
    }

    // The mouse: a click on a row opens the editor over its bib cell; a pending change is committed
    // once, before whatever comes next (another click, closing, a move, scrolling); a passage
    // recorded meanwhile (a scan) leaves the correction open.
    void mouseSession() {
        Start({11, 22, 33, 44, 55});
        ClickCell(3, 0); // the number column opens the bib
        QTRY_VERIFY(EditorOn(3, QStringLiteral("33")));
        QTest::keyClicks(editor, QStringLiteral("99"));
        ClickCell(4, 1);
        QTRY_VERIFY(EditorOn(4, QStringLiteral("44")));
        QTest::keyClicks(editor, QStringLiteral("7"));
        grid->AddBib(66);
        QVERIFY(EditorOn(4, QStringLiteral("7")));
        OpenOn(2);
        QTest::keyClicks(editor, QStringLiteral("8"));
        grid->CloseFile();
        grid->CloseFile();
        QCOMPARE(Edits(), (EditList{{3, 99}, {4, 7}, {2, 8}}));
        QCOMPARE(grid->CellText(6, 1), QStringLiteral("66"));

        // Moves: the changed value first, then one Edit per row; the moving bib stays in view.
        Load(Bibs(1, 100));
        m_edits->clear();
        table->verticalScrollBar()->setValue(0);
        OpenOn(1);
        QTest::keyClicks(editor, QStringLiteral("99"));
        for (int row = 2; row <= 30; ++row) {
            QTest::mouseClick(Find<QToolButton>(grid, "cmdDown"), Qt::LeftButton);
            QVERIFY2(EditorOn(row, QStringLiteral("99")) && grid->IsRowVisible(row), qPrintable(QString::number(row)));
        }
        QCOMPARE(Edits().mid(0, 3), (EditList{{1, 99}, {2, 99}, {1, 2}}));
        QCOMPARE(GridBibs(), m_bibs);
        QCOMPARE(m_bibs.at(29), 99);
        OpenOn(28);
        QTest::keyClicks(editor, QStringLiteral("5"));
        table->verticalScrollBar()->setValue(0);
        QVERIFY(!editor->isVisible());
        QCOMPARE(m_bibs.at(27), 5);
    }

private:
    // Reloads the grid the way the record file does.
    void Load(const QVector<qint32>& bibs) {
        m_bibs = bibs;
        grid->setRedraw(false);
        grid->Clear();
        for (qint32 bib : bibs)
            grid->AddBib(bib);
        grid->setRedraw(true);
    }
    void Start(const QVector<qint32>& bibs) {
        Load(bibs);
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    // The bibs as the grid shows them.
    QVector<qint32> GridBibs() const {
        QVector<qint32> shown;
        for (int row = 1; row < grid->RowCount(); ++row)
            shown.append(grid->CellText(row, 1).toInt());
        return shown;
    }
    void ClickCell(int row, int col) const {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          table->visualRect(table->model()->index(row - 1, col)).center());
    }
    // The editor is open with the focus on this row and shows this text.
    bool EditorOn(int row, const QString& text) const {
        return editor->isVisible() && editor->hasFocus() && grid->EditRow() == row && grid->CurrentRow() == row &&
               editor->text() == text;
    }
    // Clicks the bib cell of a row and waits until the editor holds the focus there.
    void OpenOn(int row) {
        ClickCell(row, 1);
        QTRY_VERIFY(editor->hasFocus());
        QVERIFY(editor->isVisible());
        QCOMPARE(grid->EditRow(), row);
    }
    // A key press where the focus is, as the operator's keyboard would deliver it.
    void Key(Qt::Key key) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, key);
    }
    EditList Edits() const {
        EditList edits;
        for (const QList<QVariant>& edit : *m_edits)
            edits.append({edit.at(0).toInt(), edit.at(1).toInt()});
        return edits;
    }

    std::unique_ptr<GuiFixture> m_f; // English captions
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<QSignalSpy> m_edits;
    QVector<qint32> m_bibs; // the record list the window keeps
    ctlGrid* grid = nullptr;
    QTableView* table = nullptr;
    QLineEdit* editor = nullptr;
    QLineEdit* entry = nullptr;
};

QTEST_MAIN(TestGuiGrid)
#include "tst_gui_grid.moc"
