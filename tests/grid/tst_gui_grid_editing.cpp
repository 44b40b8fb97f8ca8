#include "GridTestHost.h"

#include "grid/GridMath.h"

#include "GuiFixture.h"

#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>

// Editing in the record grid, driven with real key and mouse events: the in-place editor,
// keyboard navigation, insert, delete and moves. The signals and the control's own state are
// checked here; the host stand-in applies them to its bib list as the main window does.
class TestGridEditing : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->UseLanguage();
        m_host = std::make_unique<GridTestHost>();
        grid = m_host->grid;
        editor = m_host->editor();
        grid->SetCaptions();
        m_host->Load({11, 22, 33, 44, 55});
        m_edits = std::make_unique<QSignalSpy>(grid, &ctlGrid::Edit);
        QVERIFY(m_host->ShowActive());
    }

    void cleanup() {
        m_edits.reset();
        m_host.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void commitOfEditedText_data() {
        QTest::addColumn<QString>("input"); // typed over the selected text ("\b" is Backspace), or pasted
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("editedBib"); // -1: no Edit
        QTest::newRow("left unchanged") << QString() << false << "22" << -1;
        QTest::newRow("same text typed again") << QStringLiteral("22") << false << "22" << -1;
        QTest::newRow("leading zero counts as a change") << QStringLiteral("017") << false << "17" << 17;
        QTest::newRow("emptied") << QStringLiteral("\b") << false << "0" << 0;
        QTest::newRow("letters and signs never appear") << QStringLiteral("4a-2.x") << false << "42" << 42;
        QTest::newRow("eight digits, not nine") << QStringLiteral("123456789") << false << "12345678" << 12345678;
        QTest::newRow("pasted text gives its number") << QStringLiteral("12abc") << true << "12" << 12;
        QTest::newRow("pasted text without a number") << QStringLiteral("abc") << true << "0" << 0;
        QTest::newRow("pasted fraction, half to even") << QStringLiteral("13.5") << true << "14" << 14;
        QTest::newRow("pasted value beyond 32 bits") << QStringLiteral("9E9") << true << "22" << -1;
    }

    void commitOfEditedText() {
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, cell);
        QFETCH(int, editedBib);
        OpenOn(2);
        QCOMPARE(editor->selectedText(), QStringLiteral("22"));
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(editor->text(), input);
        } else if (input == QLatin1String("\b")) {
            QTest::keyClick(editor, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(editor, input);
        }

        // Enter hands the focus to the entry box, and leaving the editor commits it.
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(m_host->entry->hasFocus());
        QVERIFY(!editor->isVisible());
        QVERIFY(!grid->IsEditing());
        QCOMPARE(grid->CellText(2, 1), cell);
        QCOMPARE(grid->CellText(2, 0), QStringLiteral("2"));
        using EditList = QVector<QPair<int, int>>;
        QCOMPARE(Edits(), (editedBib < 0 ? EditList() : EditList{{2, editedBib}}));
        QCOMPARE(m_host->bibs, m_host->GridBibs());

        if (input == QLatin1String("9E9")) {
            QCOMPARE(m_f->messages.shown().size(), 1);
            QVERIFY2(m_f->messages.lastText().contains(QLatin1String("too large")),
                     qPrintable(m_f->messages.lastText()));
            QVERIFY(m_f->messages.lastText().contains(QLatin1String("not changed")));
            m_f->messages.clear();
        }
    }

    void enterKeyRaisesEnter() {
        QSignalSpy enters(grid, &ctlGrid::Enter);
        OpenOn(3);
        QTest::keyClicks(editor, QStringLiteral("5"));
        QTest::keyClick(editor, Qt::Key_Enter); // the keypad's Enter as well
        QCOMPARE(enters.count(), 1);
        QCOMPARE(editor->text(), QStringLiteral("5")); // no character from Enter
        QTRY_VERIFY(m_host->entry->hasFocus());
        QCOMPARE(Edits(), (QVector<QPair<int, int>>{{3, 5}}));

        // Enter on the table itself raises it too.
        m_host->table()->setFocus();
        QTest::keyClick(m_host->table(), Qt::Key_Return);
        QCOMPARE(enters.count(), 2);
    }

    void clickOpensEditorOverBibCell() {
        // A click on the number column moves to the bib and opens the editor there.
        m_host->ClickCell(3, 0);
        QTRY_VERIFY(EditorOn(3, QStringLiteral("33")));
        QCOMPARE(grid->CurrentCol(), 1);
        QCOMPARE(editor->selectedText(), QStringLiteral("33"));
        // The editor lies over the bib cell.
        QTableView* table = m_host->table();
        const QRect cell = table->visualRect(table->model()->index(2, 1));
        const QRect cellInGrid(table->viewport()->mapTo(grid, cell.topLeft()), cell.size());
        QVERIFY2(cellInGrid.contains(editor->geometry().center()), "editor away from its cell");
        QVERIFY(editor->height() >= cell.height() - 4 && editor->width() >= cell.width() - 6);

        // Clicking another row commits the changed value and opens the editor there.
        QTest::keyClicks(editor, QStringLiteral("99"));
        m_host->ClickCell(4, 1);
        QTRY_VERIFY(EditorOn(4, QStringLiteral("44")));
        QCOMPARE(Edits(), (QVector<QPair<int, int>>{{3, 99}}));
        QCOMPARE(grid->CellText(3, 1), QStringLiteral("99"));
    }

    void pendingEditIsCommittedOnce() {
        // AddBib commits the pending edit first; a later AddBib reports nothing again.
        OpenOn(2);
        QTest::keyClicks(editor, QStringLiteral("7"));
        grid->AddBib(66);
        QCOMPARE(Edits(), (QVector<QPair<int, int>>{{2, 7}}));
        QVERIFY(!editor->isVisible());
        grid->AddBib(77);
        QCOMPARE(m_edits->count(), 1);
        QCOMPARE(grid->CellText(7, 1), QStringLiteral("77"));

        // CloseFile commits too.
        OpenOn(3);
        QTest::keyClicks(editor, QStringLiteral("8"));
        grid->CloseFile();
        QCOMPARE(m_edits->count(), 2);
        QCOMPARE(m_edits->last(), (QList<QVariant>{3, 8}));
        grid->CloseFile();
        QCOMPARE(m_edits->count(), 2);

        // So does scrolling the table.
        QVector<qint32> many;
        for (int i = 1; i <= 100; ++i)
            many.append(i);
        m_host->Load(many);
        int home = GridMath::Key::Home;
        grid->AnalyseKey(home);
        QCOMPARE(home, 0); // taken by the grid
        OpenOn(2);
        QTest::keyClicks(editor, QStringLiteral("5"));
        m_host->table()->verticalScrollBar()->setValue(10);
        QCOMPARE(m_edits->count(), 3);
        QCOMPARE(m_edits->last(), (QList<QVariant>{2, 5}));
        QVERIFY(!editor->isVisible());
        QCOMPARE(m_host->bibs, m_host->GridBibs());
    }

    // Up on the first row and Down on the last do nothing; the editor stays open with what was typed.
    // (The move buttons at the ends are checked with the record file in the host tests.)
    void firstAndLastRowBoundaries() {
        OpenOn(1);
        QTest::keyClicks(editor, QStringLiteral("9"));
        Key(Qt::Key_Up);
        QVERIFY(EditorOn(1, QStringLiteral("9")));
        QCOMPARE(m_edits->count(), 0);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("11")); // back to the cell's text

        OpenOn(5);
        Key(Qt::Key_Down);
        QVERIFY(EditorOn(5, QStringLiteral("55")));
        QCOMPARE(m_edits->count(), 0);
        QCOMPARE(m_host->bibs, (QVector<qint32>{11, 22, 33, 44, 55}));
    }

    void navigationKeysOnLongList() {
        QVector<qint32> bibs;
        for (int i = 1; i <= 200; ++i)
            bibs.append(1000 + i);
        m_host->Load(bibs);
        m_host->table()->verticalScrollBar()->setValue(0);
        const auto editorOn = [this](int row) {
            return EditorOn(row, QString::number(1000 + row)) && grid->IsRowVisible(row);
        };

        OpenOn(3);
        Key(Qt::Key_Down);
        QVERIFY(editorOn(4));
        Key(Qt::Key_Up);
        QVERIFY(editorOn(3));
        Key(Qt::Key_End);
        QVERIFY(editorOn(200));
        QVERIFY(grid->TopRow() > 1);
        Key(Qt::Key_Home);
        QVERIFY(editorOn(1));
        QCOMPARE(grid->TopRow(), 1);
        Key(Qt::Key_F12);
        QVERIFY(editorOn(200));
        Key(Qt::Key_Home);

        // Down past the bottom edge keeps the row in view.
        for (int row = 2; row <= 40; ++row) {
            Key(Qt::Key_Down);
            QVERIFY2(editorOn(row), qPrintable(QString::number(row)));
        }
        Key(Qt::Key_Home);

        // Page keys: grid height over header height rows a page, halves to even.
        QTableView* table = m_host->table();
        const double rowsPerPage = double(table->height()) / table->horizontalHeader()->height();
        const GridMath::PageTarget down = GridMath::PageDownTarget(rowsPerPage, 1, grid->RowCount());
        Key(Qt::Key_PageDown);
        QVERIFY(editorOn(down.currentRow));
        QCOMPARE(grid->TopRow(), down.topRow);
        const GridMath::PageTarget down2 = GridMath::PageDownTarget(rowsPerPage, down.currentRow, grid->RowCount());
        Key(Qt::Key_PageDown);
        QVERIFY(editorOn(down2.currentRow));
        const GridMath::PageTarget up = GridMath::PageUpTarget(rowsPerPage, down2.currentRow);
        Key(Qt::Key_PageUp);
        QVERIFY(editorOn(up.currentRow));
        QCOMPARE(grid->TopRow(), up.topRow);
        QVERIFY(up.currentRow < down2.currentRow);

        // A changed value is committed before the editor moves on, once.
        QTest::keyClicks(editor, QStringLiteral("77"));
        Key(Qt::Key_Down);
        QCOMPARE(Edits(), (QVector<QPair<int, int>>{{up.currentRow, 77}}));
        QCOMPARE(grid->EditRow(), up.currentRow + 1);

        // The keys work on the table itself while the editor is closed.
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(m_host->entry->hasFocus());
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Down);
        QVERIFY(editorOn(up.currentRow + 2));
        QCOMPARE(m_edits->count(), 1);
    }

    void deleteAsks_data() {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }

    void deleteAsks() {
        QFETCH(bool, confirm);
        m_host->Load({11, 22, 33});
        OpenOn(2);
        QSignalSpy deletes(grid, &ctlGrid::Delete);
        m_f->messages.setNextAnswer(confirm ? MsgAnswer::Ok : MsgAnswer::Cancel);
        QTest::mouseClick(m_host->button("cmdDelete"), Qt::LeftButton);

        QCOMPARE(m_f->messages.shown().size(), 1);
        const MessageRequest& question = m_f->messages.shown().first();
        QCOMPARE(question.text, QStringLiteral("Do you want to delete the record with bib 22?"));
        QCOMPARE(question.title, GetText(QStringLiteral("MKL_MAIN_CAPTION")));
        QCOMPARE(question.buttons, MsgButtons::OkCancel);
        QCOMPARE(question.icon, MsgIcon::Question);
        m_f->messages.clear();

        if (confirm) {
            QCOMPARE(deletes.count(), 1);
            QCOMPARE(deletes.at(0).at(0).toInt(), 2);
            QCOMPARE(m_host->bibs, (QVector<qint32>{11, 33}));
            QCOMPARE(m_host->GridBibs(), (QVector<qint32>{11, 33}));
            // The row numbers are corrected only by the next reload.
            QCOMPARE(grid->CellText(2, 0), QStringLiteral("3"));
            m_host->Reload();
            QCOMPARE(grid->CellText(2, 0), QStringLiteral("2"));
        } else {
            QCOMPARE(deletes.count(), 0);
            QCOMPARE(m_host->GridBibs(), (QVector<qint32>{11, 22, 33}));
            QCOMPARE(grid->CellText(3, 0), QStringLiteral("3"));
        }
        QCOMPARE(m_edits->count(), 0);
    }

    void deleteOnEmptyGridAsksNothing() {
        m_host->Load({});
        QSignalSpy deletes(grid, &ctlGrid::Delete);
        QTest::mouseClick(m_host->button("cmdDelete"), Qt::LeftButton);
        QVERIFY(m_f->messages.shown().isEmpty());
        QCOMPARE(deletes.count(), 0);
    }

    // A changed value is committed before it moves, one Edit per row.
    void moveCommitsFirstAndKeepsBibInView() {
        m_host->Load({11, 22, 33});
        OpenOn(1);
        QTest::keyClicks(editor, QStringLiteral("99"));
        QTest::mouseClick(m_host->button("cmdDown"), Qt::LeftButton);
        QCOMPARE(Edits(), (QVector<QPair<int, int>>{{1, 99}, {2, 99}, {1, 22}}));
        QCOMPARE(m_host->bibs, (QVector<qint32>{22, 99, 33}));

        // On a long list the moving bib stays in view.
        QVector<qint32> many;
        for (int i = 1; i <= 100; ++i)
            many.append(i);
        m_host->Load(many);
        Key(Qt::Key_End);
        QTRY_VERIFY(editor->hasFocus());
        for (int row = 99; row >= 60; --row) {
            QTest::mouseClick(m_host->button("cmdUp"), Qt::LeftButton);
            QVERIFY2(EditorOn(row, QStringLiteral("100")) && grid->IsRowVisible(row), qPrintable(QString::number(row)));
        }
        QCOMPARE(m_host->bibs.at(59), 100);
        QCOMPARE(m_host->GridBibs(), m_host->bibs);
    }

    void typingOnTableGoesToEntryBox() {
        QSignalSpy typed(grid, &ctlGrid::TypedToEntry);
        QTableView* table = m_host->table();
        table->setFocus();
        QTRY_VERIFY(table->hasFocus());
        const int current = grid->CurrentRow();

        // A letter is dropped: no message, no search, nothing moves.
        QTest::keyClick(table, Qt::Key_X);
        QTest::keyClick(table, Qt::Key_Space);
        QCOMPARE(typed.count(), 0);
        QVERIFY(table->hasFocus());
        QCOMPARE(grid->CurrentRow(), current);

        // A digit goes to the entry box with the focus, and the next keystrokes follow it.
        QTest::keyClick(table, Qt::Key_7);
        QCOMPARE(typed.count(), 1);
        Key(Qt::Key_8);
        QCOMPARE(m_host->entry->text(), QStringLiteral("78"));
        QCOMPARE(m_edits->count(), 0);
    }

private:
    // Clicks the bib cell of a row and waits until the editor holds the focus there.
    // The editor is open with the focus on this row and shows this text.
    bool EditorOn(int row, const QString& text) const {
        return editor->isVisible() && editor->hasFocus() && grid->EditRow() == row && grid->CurrentRow() == row &&
               editor->text() == text;
    }
    void OpenOn(int row) {
        m_host->ClickCell(row, 1);
        QTRY_VERIFY(editor->hasFocus());
        QVERIFY(editor->isVisible());
        QCOMPARE(grid->EditRow(), row);
    }
    // A key press where the focus is, as the operator's keyboard would deliver it.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, key, modifiers);
    }
    QVector<QPair<int, int>> Edits() const {
        QVector<QPair<int, int>> edits;
        for (const QList<QVariant>& edit : *m_edits)
            edits.append({edit.at(0).toInt(), edit.at(1).toInt()});
        return edits;
    }

    std::unique_ptr<GuiFixture> m_f; // English captions
    std::unique_ptr<GridTestHost> m_host;
    std::unique_ptr<QSignalSpy> m_edits;
    ctlGrid* grid = nullptr;
    QLineEdit* editor = nullptr;
};

QTEST_MAIN(TestGridEditing)
#include "tst_gui_grid_editing.moc"
