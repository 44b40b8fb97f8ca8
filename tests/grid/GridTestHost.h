#pragma once

// A stand-in for the main window around a record grid: it keeps the bib list that the grid's
// signals change, reloads the grid the way the record file does, and owns an entry box. The real
// host's file writing is tested with the main window.

#include "grid/ctlGrid.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVector>

#include <memory>

class GridTestHost : public QWidget {
public:
    GridTestHost() {
        entry = new QLineEdit(this);
        entry->setObjectName(QStringLiteral("txtEnter"));
        entry->setGeometry(0, 0, 100, 30);
        grid = new ctlGrid(this);
        grid->setObjectName(QStringLiteral("Grid"));
        grid->setGeometry(120, 0, 240, 300);
        resize(380, 320);
        QObject::connect(grid, &ctlGrid::Edit, this, [this](qint32 row, qint32 bib) { bibs[row - 1] = bib; });
        QObject::connect(grid, &ctlGrid::Delete, this, [this](qint32 row) { bibs.remove(row - 1); });
        QObject::connect(grid, &ctlGrid::Add, this, [this](qint32 row) {
            bibs.insert(row - 1, 0);
            Reload();
            entry->setFocus(); // the real host gives the entry box the focus after every record
        });
        QObject::connect(grid, &ctlGrid::Enter, this, [this] { entry->setFocus(); });
        QObject::connect(grid, &ctlGrid::TypedToEntry, this, [this](const QString& text) {
            entry->setFocus();
            entry->insert(text);
        });
        tester = std::make_unique<QAbstractItemModelTester>(table()->model(),
                                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void Load(const QVector<qint32>& list) {
        bibs = list;
        Reload();
    }
    void Reload() {
        grid->setRedraw(false);
        grid->Clear();
        for (qint32 bib : bibs)
            grid->AddBib(bib);
        grid->setRedraw(true);
    }
    // Shows the window and waits until it can hold the focus.
    bool ShowActive() {
        show();
        QApplication::setActiveWindow(this);
        return QTest::qWaitForWindowActive(this);
    }

    QTableView* table() const { return grid->findChild<QTableView*>(QStringLiteral("Grid")); }
    QLineEdit* editor() const { return grid->findChild<QLineEdit*>(QStringLiteral("txtWorkOn")); }
    QToolButton* button(const char* name) const { return grid->findChild<QToolButton*>(QString::fromLatin1(name)); }

    // The centre of a cell given in grid rows, in the table's viewport.
    QPoint CellCentre(int row, int col) const {
        return table()->visualRect(table()->model()->index(row - 1, col)).center();
    }
    void ClickCell(int row, int col) const {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(row, col));
    }
    // The bibs as the grid shows them.
    QVector<qint32> GridBibs() const {
        QVector<qint32> shown;
        for (int row = 1; row < grid->RowCount(); ++row)
            shown.append(grid->CellText(row, 1).toInt());
        return shown;
    }

    ctlGrid* grid = nullptr;
    QLineEdit* entry = nullptr;
    QVector<qint32> bibs;
    std::unique_ptr<QAbstractItemModelTester> tester;
};
