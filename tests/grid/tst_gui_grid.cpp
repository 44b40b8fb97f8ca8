#include "GridTestHost.h"

#include "app/Twips.h"
#include "grid/GridPictures.h"

#include "GuiFixture.h"

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
        m_f = std::make_unique<GuiFixture>();
        m_f->UseLanguage();
        m_host = std::make_unique<GridTestHost>();
    }
    void cleanup() {
        m_host.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // nothing here reports
        m_f.reset();
    }

    void addBibNumbersRowsAndClearKeepsHeader() {
        ctlGrid& grid = *m_host->grid;
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.CurrentRow(), 0);
        QCOMPARE(grid.EditRow(), 0);

        grid.AddBib(17);
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
        grid.AddBib(17); // numbering starts again at 1
        QCOMPARE(grid.CellText(1, 0), QStringLiteral("1"));
        QCOMPARE(grid.CellText(1, 1), QStringLiteral("17"));
    }

    // Pictures, no captions, on the buttons; tooltips and headers in the current language.
    void setCaptionsFollowsLanguage() {
        ctlGrid& grid = *m_host->grid;
        for (const char* language : {"en", "de"}) {
            QVERIFY(m_f->language->language().SetLanguage(QLatin1String(language)));
            grid.SetCaptions();
            for (const char* name : {"cmdUp", "cmdDown", "cmdInsert", "cmdDelete"}) {
                QCOMPARE(m_host->button(name)->toolTip(),
                         GetText(QStringLiteral("MKL_%1_TT").arg(QString::fromLatin1(name).toUpper())));
                QVERIFY2(m_host->button(name)->text().isEmpty() && !m_host->button(name)->icon().isNull(), name);
            }
            QCOMPARE(grid.CellText(0, 0), GetText(QStringLiteral("MKL_GRID_NR")));
            QCOMPARE(m_host->table()->model()->headerData(1, Qt::Horizontal).toString(),
                     GetText(QStringLiteral("MKL_GRID_BIB")));
        }
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

    // Where the parts go is the layout table's business; here only that a resize applies it.
    void resizeAppliesLayout() {
        ctlGrid& control = *m_host->grid;
        QVERIFY(m_host->ShowActive()); // a hidden widget gets its resize events only when shown
        if (!qFuzzyCompare(control.screen()->logicalDotsPerInchY(), 96.0))
            QSKIP("the figures are for 96 dpi (15 twips a pixel)");
        control.resize(400, 604); // 6000 x 9060 twips: grid 5300 x 8940, buttons 420 wide from 5480
        QCOMPARE(m_host->table()->geometry(), QRect(4, 4, 353, 596));
        QCOMPARE(m_host->button("cmdUp")->geometry(), QRect(365, 236, 28, 28));
        QCOMPARE(m_host->button("cmdDown")->geometry(), QRect(365, 340, 28, 28));
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
    }

private:
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<GridTestHost> m_host;
};

QTEST_MAIN(TestGridDisplay)
#include "tst_gui_grid.moc"
