#include "base/MessageBox.h"
#include "base/Settings.h"
#include "display/frmDisplay.h"
#include "grid/ctlGrid.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "startlist/StartListFile.h"

#include "GuiFixture.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimeZone>

#include <memory>

// The start list through the main window as an operator uses it: loaded from a CSV with bad
// lines, names in the grid, the scan display and the lap counter, unknown bibs flagged while
// typing; the passages exported; a missing file named on the command line created on request.
class TestGuiStartList : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_clock = std::make_unique<FixedClock>(kMoment);
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        WriteBytes(m_f->path(), "1;5\r\n2;432\r\n");
    }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        for (const char* name : {"race.stn", "new race.stn"}) { // the copies kept of changed files
            QFile::remove(clsFile::DatedCopyPath(QLatin1String(name), kMoment));
            QFile::remove(TimesSidecar::PathFor(clsFile::DatedCopyPath(QLatin1String(name), kMoment)));
        }
        m_clock.reset();
        m_f.reset();
    }

    void loadShowKeepAndRemove() {
        // A registration export with a column the header does not name, and more bad lines than are listed.
        WriteBytes(m_f->path("names.csv"), "Nr;Name;Wertung\n5;Anna;W40\nx;Nobody\n7;\"Bob \"\"B\"\"\";M35\n5;Again\n" +
                                               QByteArray("x;Bad\n").repeated(200));
        QVERIFY(m_f->Load(m_f->path()));
        FileDialogSeam::setNextAnswer({m_f->path("names.csv")});
        GuiFixture::OnModal([](QWidget& preview) { QTest::keyClick(&preview, Qt::Key_Escape); });
        m_f->Trigger("mnuFile_StartList");
        QCOMPARE(FileDialogSeam::requests().last().title, QStringLiteral("Open start list"));
        QVERIFY(!QFile::exists(StartListPath(m_f->path()))); // cancelled: nothing kept

        FileDialogSeam::setNextAnswer({m_f->path("names.csv")});
        GuiFixture::OnModal([](QWidget& preview) {
            QVERIFY(ModalScope::IsOpen()); // the scanner waits meanwhile
            const QAbstractItemModel* table = Find<QTableView>(&preview, "tblPreview")->model();
            auto* category = Find<QComboBox>(&preview, "cboCategory");
            QCOMPARE(category->currentText(), QStringLiteral("(none)"));
            QCOMPARE(table->index(1, 0).data().toString(), QStringLiteral("5 Anna"));
            QTest::keyClick(category, Qt::Key_End);
            QCOMPARE(table->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Wertung (category)"));
            QCOMPARE(table->index(1, 0).data().toString(), QStringLiteral("5 Anna (W40)"));
            const QListWidget* problems = Find<QListWidget>(&preview, "lstProblems"); // texts as on the command line
            QCOMPARE(problems->count(), 201);
            QCOMPARE(problems->item(1)->text(), QStringLiteral("Line 5: bib 5 is already on line 2"));
            QTest::mouseClick(Find<QDialogButtonBox>(&preview, "cmdButtons")->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        m_f->Trigger("mnuFile_StartList");
        QCOMPARE(FileBytes(StartListPath(m_f->path())),
                 QByteArray("bib,name,category\r\n5,Anna,W40\r\n7,\"Bob \"\"B\"\"\",M35\r\n"));
        QCOMPARE(Column(2), (QStringList{"Name", "Anna", "not on the start list"}));
        const QAbstractItemModel* cells = Find<QAbstractItemView>(Grid(), "Grid")->model();
        QCOMPARE(cells->index(1, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("432 is not on the start list"));

        // Names follow every recorded bib to the scan display and the lap counter; a display opens
        // with the last bib and its name.
        m_f->Trigger("mnuExtras_LapCounter");
        m_f->Record(QStringLiteral("7"));
        m_f->Trigger("mnuExtras_Display");
        auto* display = m_f->window->findChild<frmDisplay*>();
        QCOMPARE(Find<QLabel>(display, "lblBib")->text() + Find<QLabel>(display, "lblName")->text(),
                 QStringLiteral("7Bob \"B\""));
        m_f->Record(QStringLiteral("5"));
        QCOMPARE(Find<QLabel>(display, "lblName")->text(), QStringLiteral("Anna"));
        QWidget* lapCounter = Find<QWidget>(m_f->window, "frmLapcounter");
        Find<QPushButton>(lapCounter, "cmdRequery")->click();
        const QAbstractItemModel* laps = Find<QListView>(lapCounter, "List1")->model();
        QVERIFY(laps->index(0, 0).data().toString().endsWith(QStringLiteral("\tName")));
        for (const char* line : {"5\t\t2\t\tAnna", "432\t\t1\t\t"})
            QVERIFY2(laps->match(laps->index(0, 0), Qt::DisplayRole, QLatin1String(line), 1, Qt::MatchExactly).size(),
                     line);

        // Kept beside the record file: the next opening shows the names again.
        QVERIFY(m_f->window->OpenRecordFile(m_f->path()));
        QCOMPARE(Column(2), (QStringList{"Name", "Anna", "not on the start list", "Bob \"B\"", "Anna"}));
        m_f->Trigger("mnuFile_StartListRemove");
        QVERIFY(!QFile::exists(StartListPath(m_f->path())));
        QCOMPARE(cells->columnCount(), 2);
        QVERIFY(!Find<QAction>(m_f->window, "mnuFile_StartListRemove")->isEnabled());
        m_f->messages.clear(); // the removal question
    }

    // Typing against the list: the hint names an unknown bib, goes once the digits change, and
    // neither takes the focus nor holds back Enter; beside the repeat warning both stay readable.
    // Times and names side by side; the passages exported with their times, never onto the record file.
    void typingAndExport() {
        WriteSetting(QStringLiteral("ShowTimes"), QStringLiteral("1"));
        WriteBytes(StartListPath(m_f->path()), "bib,name,category\r\n5,\"Anna, A.\",W40\r\n");
        QVERIFY(m_f->Load(m_f->path()));
        QCOMPARE((QStringList{Grid()->CellText(0, 2), Grid()->CellText(0, 3)}), (QStringList{"Time", "Name"}));
        auto* notListed = Find<QLabel>(m_f->window, "lblNotListed");
        auto* repeat = Find<QLabel>(m_f->window, "lblRepeat");
        const auto hint = [&] { return notListed->isVisible() ? notListed->text() : QString(); };
        QTest::keyClicks(m_f->Entry(), QStringLiteral("57"));
        QCOMPARE(hint(), QStringLiteral("57 is not on the start list"));
        QTest::keyClicks(m_f->Entry(), QStringLiteral("\b"));
        QCOMPARE(hint(), QString());
        QTest::keyClicks(m_f->Entry(), QStringLiteral("\r43"));
        QCOMPARE(hint(), QStringLiteral("43 is not on the start list"));
        QVERIFY(m_f->Entry()->hasFocus());
        QTest::keyClick(m_f->Entry(), Qt::Key_Return);
        QCOMPARE(hint(), QString());
        QTest::keyClicks(m_f->Entry(), QStringLiteral("43")); // just recorded: the repeat warning shows too
        QVERIFY(repeat->isVisible() && notListed->isVisible());
        QVERIFY(!repeat->geometry().intersects(notListed->geometry()) &&
                repeat->parentWidget()->rect().contains(repeat->geometry().united(notListed->geometry())));
        QTest::keyClicks(m_f->Entry(), QStringLiteral("\b\b"));
        QTest::keyClick(m_f->Entry(), Qt::Key_Return); // nothing typed: nothing recorded
        QVERIFY(!notListed->isVisible() && !repeat->isVisible());
        const QByteArray records = FileBytes(m_f->path());
        QCOMPARE(records, QByteArray("1;5\r\n2;432\r\n3;5\r\n4;43\r\n"));

        FileDialogSeam::setNextAnswer({m_f->path("results.csv")});
        m_f->Trigger("mnuFile_ExportPassages");
        QVERIFY(FileBytes(m_f->path("results.csv"))
                    .endsWith("\r\n3,5,2026-05-03T10:42:07.315+02:00,\"Anna, A.\",W40,2\r\n"
                              "4,43,2026-05-03T10:42:07.315+02:00,,,1\r\n"));
        FileDialogSeam::setNextAnswer({m_f->path()});
        m_f->Trigger("mnuFile_ExportPassages");
        QCOMPARE(FileBytes(m_f->path()), records);
        // A results file that cannot be written is named as what it is.
        FileDialogSeam::setNextAnswer({m_f->path("missing/results.csv")});
        m_f->Trigger("mnuFile_ExportResults");
        const QString failed = m_f->messages.lastText();
        QVERIFY2(failed.startsWith("The file \"" + m_f->path("missing/results.csv") + "\" could not be"),
                 qPrintable(failed));
        m_f->messages.clear();
    }

    // A record file named on the command line that is missing is created only when the operator agrees.
    void missingCommandLineFile() {
        const QString path = m_f->path(QStringLiteral("new race.stn"));
        for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
            QVERIFY(m_f->CloseWindow());
            m_f->messages.setNextAnswer(answer);
            QVERIFY(m_f->Load(QLatin1Char('"') + path + QLatin1Char('"')));
            QVERIFY(m_f->messages.shown().size() == 1 && m_f->messages.lastText().contains(path) &&
                    m_f->messages.shown().first().buttons == MsgButtons::YesNo);
            m_f->messages.clear();
            QCOMPARE(m_f->window->Records().FileName(), answer == MsgAnswer::Yes ? path : QString());
        }
        m_f->Record(QStringLiteral("12"));
        QCOMPARE(FileBytes(path), QByteArray("1;12\r\n"));
    }

private:
    ctlGrid* Grid() const { return Find<ctlGrid>(m_f->window, "Grid"); }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < Grid()->RowCount(); ++row)
            texts << Grid()->CellText(row, column);
        return texts;
    }

    const QDateTime kMoment{QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200)};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestGuiStartList)
#include "tst_gui_startlist.moc"
