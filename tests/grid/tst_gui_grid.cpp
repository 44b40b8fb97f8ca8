#include "GridTestHost.h"

#include "app/Twips.h"
#include "grid/GridPictures.h"
#include "lang/clsLanguage.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QHeaderView>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>

// Display side of the record grid: rows, numbering, scrolling, batched reloads, captions,
// layout and the button pictures.
class TestGridDisplay : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_language = std::make_unique<ScopedLanguage>();
        m_host = std::make_unique<GridTestHost>();
    }

    void cleanup() {
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText())); // nothing here reports
        m_host.reset();
        m_language.reset();
        m_messages.reset();
        m_env.reset();
    }

    void addBibNumbersRowsAndClearKeepsHeader() {
        ctlGrid& grid = *m_host->grid;
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.CurrentRow(), 0);
        QCOMPARE(grid.EditRow(), 0);

        QVERIFY(grid.AddBib(17));
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.CellText(1, 0), QStringLiteral("1"));
        QCOMPARE(grid.CellText(1, 1), QStringLiteral("17"));
        grid.AddBib(0);
        grid.AddBib(-5);
        grid.AddBib(2147483647);
        QCOMPARE(grid.RowCount(), 5);
        QCOMPARE(grid.CellText(4, 0), QStringLiteral("4"));
        QCOMPARE(m_host->GridBibs(), (QVector<qint32>{17, 0, -5, 2147483647}));
        QCOMPARE(grid.CellText(5, 1), QString()); // beyond the last row
        QCOMPARE(m_host->table()->model()->rowCount(), 4);
        QCOMPARE(grid.CurrentRow(), 1); // rows exist, none chosen yet

        grid.Clear();
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(m_host->table()->model()->rowCount(), 0);
        QVERIFY(grid.AddBib(17)); // numbering starts again at 1
        QCOMPARE(grid.CellText(1, 0), QStringLiteral("1"));
        QCOMPARE(grid.CellText(1, 1), QStringLiteral("17"));
    }

    void setCaptionsFillsTooltipsAndHeaders() {
        ctlGrid& grid = *m_host->grid;
        QVERIFY(grid.SetCaptions());
        for (const char* name : {"cmdUp", "cmdDown", "cmdInsert", "cmdDelete"})
            QCOMPARE(m_host->button(name)->toolTip(),
                     GetText(QStringLiteral("MKL_%1_TT").arg(QString::fromLatin1(name).toUpper())));
        QCOMPARE(grid.CellText(0, 0), QStringLiteral("No."));
        QCOMPARE(grid.CellText(0, 1), QStringLiteral("Bib"));
        const QAbstractItemModel* model = m_host->table()->model();
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Bib"));

        // Switching the language and calling again follows it.
        QVERIFY(m_language->language().SetLanguage(QStringLiteral("de")));
        QVERIFY(grid.SetCaptions());
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nr."));
        QCOMPARE(m_host->button("cmdDelete")->toolTip(), QStringLiteral("Markierten Datensatz löschen"));
        for (const char* name : {"cmdUp", "cmdDown", "cmdInsert", "cmdDelete"})
            QVERIFY2(m_host->button(name)->text().isEmpty(), name);
    }

    void addBibScrollsOnlyWhenRowDoesNotFit() {
        QVERIFY(m_host->ShowActive());
        ctlGrid& grid = *m_host->grid;
        QTableView* table = m_host->table();
        QScrollBar* scroll = table->verticalScrollBar();
        const auto lastRowFits = [&] {
            const QRect last = table->visualRect(table->model()->index(grid.RowCount() - 2, 0));
            return last.top() >= 0 && last.bottom() < table->viewport()->height();
        };

        // While rows fit, nothing scrolls.
        int added = 0;
        const int rowHeight = table->verticalHeader()->defaultSectionSize();
        while (rowHeight * (added + 1) <= table->viewport()->height()) {
            grid.AddBib(100 + added++);
            QVERIFY(lastRowFits());
            QCOMPARE(scroll->value(), 0);
            QCOMPARE(grid.TopRow(), 1);
        }
        QVERIFY(added >= 3);

        // The first row that does not fit scrolls into view, and so does each further one.
        for (int i = 0; i < 20; ++i) {
            grid.AddBib(200 + i);
            QVERIFY2(lastRowFits(), qPrintable(QStringLiteral("row %1").arg(grid.RowCount() - 1)));
            QVERIFY(grid.TopRow() > 1);
            QVERIFY(grid.IsRowVisible(grid.RowCount() - 1));
        }

        // Scrolled back to the top by the operator, a new row brings the view back to the end.
        scroll->setValue(0);
        QCOMPARE(grid.TopRow(), 1);
        QVERIFY(!grid.IsRowVisible(grid.RowCount() - 1));
        grid.AddBib(999);
        QVERIFY(lastRowFits());

        // A grid with free space below keeps its first row at the top.
        m_host->Load({1, 2});
        QCOMPARE(grid.TopRow(), 1);
        grid.AddBib(3);
        QCOMPARE(grid.TopRow(), 1);
        QCOMPARE(scroll->value(), 0);
    }

    void redrawOffCollectsRowsIntoOneAnnouncement() {
        QVERIFY(m_host->ShowActive());
        ctlGrid& grid = *m_host->grid;
        QTableView* table = m_host->table();
        const QAbstractItemModel* model = table->model();
        grid.AddBib(5);
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QSignalSpy inserts(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removals(model, &QAbstractItemModel::rowsRemoved);

        // Reload as the record file does: redraw off, clear, many rows, redraw on.
        constexpr int kRows = 100000;
        QVERIFY(grid.Redraw());
        grid.setRedraw(false);
        QVERIFY(!grid.Redraw());
        QVERIFY(!table->updatesEnabled());
        grid.Clear();
        for (int i = 0; i < kRows; ++i)
            grid.AddBib(1000 + i);
        // The control already counts the rows; the view has not been told anything yet.
        QCOMPARE(grid.RowCount(), kRows + 1);
        QCOMPARE(grid.CellText(kRows, 0), QString::number(kRows));
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(resets.count() + inserts.count() + removals.count(), 0);

        grid.setRedraw(true);
        QVERIFY(table->updatesEnabled());
        QCOMPARE(resets.count(), 1);
        QCOMPARE(inserts.count() + removals.count(), 0);
        QCOMPARE(model->rowCount(), kRows);
        QCOMPARE(grid.RowCount(), kRows + 1);
        for (int row : {1, 2, 5000, kRows}) {
            QCOMPARE(grid.CellText(row, 0), QString::number(row));
            QCOMPARE(grid.CellText(row, 1), QString::number(999 + row));
            QCOMPARE(model->index(row - 1, 1).data().toString(), QString::number(999 + row));
        }
        // The newest row is in view, as after adding it alone.
        QVERIFY(grid.IsRowVisible(kRows));
        QVERIFY(grid.TopRow() > 1);

        // Rows only appended while redraw is off arrive as one insertion after the existing rows.
        resets.clear();
        grid.setRedraw(false);
        grid.AddBib(7);
        grid.AddBib(8);
        grid.setRedraw(true);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(inserts.at(0).at(1).toInt(), kRows);
        QCOMPARE(inserts.at(0).at(2).toInt(), kRows + 1);
        QCOMPARE(grid.CellText(kRows + 2, 0), QString::number(kRows + 2));
        QCOMPARE(grid.CellText(kRows + 2, 1), QStringLiteral("8"));

        // Emptying with redraw off is one reset too, and setting redraw twice changes nothing.
        resets.clear();
        grid.setRedraw(false);
        grid.setRedraw(false);
        grid.Clear();
        grid.setRedraw(true);
        grid.setRedraw(true);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(grid.RowCount(), 1);
    }

    void layoutFollowsTwipsRules_data() {
        QTest::addColumn<QSize>("inner");            // twips
        QTest::addColumn<QRect>("grid");             // twips; a -1 side keeps the previous one
        QTest::addColumn<QList<QPointF>>("buttons"); // up, insert, delete, down: left and top in twips
        QTest::newRow("main window design size")
            << QSize(3015, 3495) << QRect(60, 60, 2315, 3375)
            << QList<QPointF>{{2495, 757.5}, {2495, 1277.5}, {2495, 1797.5}, {2495, 2317.5}};
        QTest::newRow("tall window") << QSize(6000, 9060) << QRect(60, 60, 5300, 8940)
                                     << QList<QPointF>{{5480, 3540}, {5480, 4060}, {5480, 4580}, {5480, 5100}};
        // Too small for the grid: its width and height keep their values from 6000 x 6000 twips; the
        // buttons still move and centre on the kept height.
        QTest::newRow("too small") << QSize(300, 75) << QRect(60, 60, -1, -1)
                                   << QList<QPointF>{{-220, 2010}, {-220, 2530}, {-220, 3050}, {-220, 3570}};
    }

    void layoutFollowsTwipsRules() {
        QFETCH(QSize, inner);
        QFETCH(QRect, grid);
        QFETCH(QList<QPointF>, buttons);
        ctlGrid& control = *m_host->grid;
        QVERIFY(m_host->ShowActive()); // a hidden widget gets its resize events only when shown
        if (!qFuzzyCompare(control.screen()->logicalDotsPerInchY(), 96.0))
            QSKIP("the figures are for 96 dpi (15 twips a pixel)");
        control.resize(TwipsToPixelsX(6000, &control), TwipsToPixelsY(6000, &control));
        const QRect before = m_host->table()->geometry();
        control.resize(TwipsToPixelsX(inner.width(), &control), TwipsToPixelsY(inner.height(), &control));

        const QRect table = m_host->table()->geometry();
        QCOMPARE(table.topLeft(), QPoint(4, 4));
        QCOMPARE(table.width(), grid.width() < 0 ? before.width() : TwipsToPixelsX(grid.width(), &control));
        QCOMPARE(table.height(), grid.height() < 0 ? before.height() : TwipsToPixelsY(grid.height(), &control));
        const char* names[] = {"cmdUp", "cmdInsert", "cmdDelete", "cmdDown"};
        const int side = TwipsToPixelsX(420, &control);
        for (int i = 0; i < 4; ++i) {
            const QToolButton* button = m_host->button(names[i]);
            QCOMPARE(button->x(), TwipsToPixelsX(buttons[i].x(), &control));
            QCOMPARE(button->size(), QSize(side, side));
            QCOMPARE(button->y(), TwipsToPixelsY(buttons[i].y(), &control));
        }
        QVERIFY(m_messages->shown().isEmpty());
    }

    void buttonPicturesAreSharpAtDoubleScale() {
        // At 200 % the icon is drawn at twice the pixels, not scaled up from a small picture.
        const auto image = [](GridPicture picture) {
            const QPixmap pixmap = GridPictureIcon(picture).pixmap(QSize(16, 16), 2.0);
            return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        };
        const auto alpha = [](const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)); };
        const QImage up = image(GridPicture::Up);
        QCOMPARE(up.size(), QSize(32, 32));
        QCOMPARE(up.devicePixelRatio(), 2.0);
        // The arrow's shaft runs from x = 12 to 20 in device pixels: full pixels on its edges.
        QCOMPARE(alpha(up, 12, 24), 255);
        QCOMPARE(alpha(up, 19, 24), 255);
        QCOMPARE(alpha(up, 11, 24), 0);
        QCOMPARE(alpha(up, 20, 24), 0);
        QCOMPARE(image(GridPicture::Down), up.mirrored(false, true));
        // The plus and the cross: bars through the centre, and told apart by colour.
        const QImage insert = image(GridPicture::Insert);
        const QImage cross = image(GridPicture::Delete);
        QVERIFY(alpha(insert, 16, 6) == 255 && alpha(insert, 6, 16) == 255 && alpha(insert, 6, 6) == 0);
        QVERIFY(alpha(cross, 9, 9) == 255 && alpha(cross, 16, 6) == 0);
        QVERIFY(insert.pixelColor(16, 16) != cross.pixelColor(16, 16));

        // Every button carries its picture (and, as the captions test shows, no caption).
        for (const char* name : {"cmdUp", "cmdDown", "cmdInsert", "cmdDelete"})
            QVERIFY2(!m_host->button(name)->icon().isNull(), name);
    }

private:
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScopedLanguage> m_language; // English captions
    std::unique_ptr<GridTestHost> m_host;
};

QTEST_MAIN(TestGridDisplay)
#include "tst_gui_grid.moc"
