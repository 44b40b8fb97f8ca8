#include "app/Settings.h"
#include "display/frmDisplay.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "startlist/CsvText.h"
#include "startlist/StartListFile.h"
#include "support/FileDialogSeam.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

// The start list through the main window as an operator uses it: loaded from a CSV with bad
// lines, names in the grid, the scan display and the lap counter, unknown bibs flagged while
// typing; the results exported; a missing file named on the command line created on request.
class TestGuiStartList : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_dir = std::make_unique<QTemporaryDir>();
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        FileDialogSeam::reset();
        FileDialogSeam::activate();
        m_race = Path("race.stn");
        WriteBytes(m_race, "1;5\r\n2;432\r\n");
        WriteBytes(Path("names.csv"), "Nr;Name;AK\n5;Anna;W40\nx;Nobody\n7;\"Bob \"\"B\"\"\";M35\n5;Again\n");
    }

    void cleanup() {
        if (m_window) {
            QVERIFY(m_window->close());
            QTRY_VERIFY(m_window.isNull());
        }
        FileDialogSeam::reset();
        m_messages.reset();
        m_dir.reset();
        m_language.reset();
        m_env.reset();
    }

    void loadShowKeepAndRemove() {
        QVERIFY(Load(m_race));
        FileDialogSeam::setNextAnswer({Path("names.csv")});
        Trigger("mnuFile_StartList");
        // One message names every bad line; the good lines are loaded.
        QCOMPARE(m_messages->shown().size(), 1);
        const QString message = m_messages->lastText();
        QVERIFY2(message.contains(QStringLiteral("Line 3: no bib number")) &&
                     message.contains(QStringLiteral("Line 5: bib 5 is already on line 2")),
                 qPrintable(message));
        m_messages->clear();
        QCOMPARE(Column(2), (QStringList{"Name", "Anna", "not on the start list"}));
        QCOMPARE(Grid()
                     ->findChild<QAbstractItemView*>(QStringLiteral("Grid"))
                     ->model()
                     ->index(1, 1)
                     .data(Qt::ToolTipRole)
                     .toString(),
                 QStringLiteral("432 is not on the start list"));

        // Names follow every recorded bib to the scan display and the lap counter.
        Trigger("mnuExtras_Display");
        Trigger("mnuExtras_LapCounter");
        Enter(QStringLiteral("7"));
        auto* display = m_window->findChild<frmDisplay*>();
        QVERIFY(display);
        QCOMPARE(Find<QLabel>(display, "lblName")->text(), QStringLiteral("Bob \"B\""));
        QWidget* lapCounter = Find<QWidget>(m_window, "frmLapcounter");
        Find<QPushButton>(lapCounter, "cmdRequery")->click();
        QStringList lapLines;
        const QAbstractItemModel* lapModel = Find<QListView>(lapCounter, "List1")->model();
        for (int row = 0; row < lapModel->rowCount(); ++row)
            lapLines << lapModel->index(row, 0).data().toString();
        QVERIFY2(lapLines.first().endsWith(QStringLiteral("\tName")) &&
                     lapLines.contains(QStringLiteral("5\t\t1\t\tAnna")) &&
                     lapLines.contains(QStringLiteral("432\t\t1\t\t")),
                 qPrintable(lapLines.join(QLatin1Char('|'))));

        // Kept beside the record file: the next opening shows the names again.
        QVERIFY(m_window->OpenRecordFile(m_race));
        QCOMPARE(Column(2), (QStringList{"Name", "Anna", "not on the start list", "Bob \"B\""}));

        Trigger("mnuFile_StartListRemove");
        QVERIFY(!QFile::exists(StartListPath(m_race)));
        QCOMPARE(Grid()->findChild<QAbstractItemView*>(QStringLiteral("Grid"))->model()->columnCount(), 2);
        QVERIFY(!m_window->findChild<QAction*>(QStringLiteral("mnuFile_StartListRemove"))->isEnabled());
        m_messages->clear(); // the removal question
    }

    void unknownBibWhileTyping_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("hint"); // "" = hidden
        QTest::newRow("on the list") << QStringLiteral("5") << QString();
        QTest::newRow("not on the list") << QStringLiteral("43") << QStringLiteral("43 is not on the start list");
        QTest::newRow("one more digit") << QStringLiteral("438") << QStringLiteral("438 is not on the start list");
        QTest::newRow("typed back to a listed bib") << QStringLiteral("57\b") << QString();
        QTest::newRow("nothing typed") << QString() << QString();
    }

    void unknownBibWhileTyping() {
        QFETCH(QString, keys);
        QFETCH(QString, hint);
        WriteBytes(StartListPath(m_race), "bib,name\r\n5,Anna\r\n7,Bob\r\n");
        QVERIFY(Load(m_race));
        auto* entry = Find<QLineEdit>(m_window, "txtEnter");
        auto* label = Find<QLabel>(m_window, "lblNotListed");
        for (const QChar key : keys) {
            if (key == QLatin1Char('\b'))
                QTest::keyClick(entry, Qt::Key_Backspace);
            else
                QTest::keyClicks(entry, QString(key));
        }
        QCOMPARE(label->isVisible(), !hint.isEmpty());
        if (!hint.isEmpty())
            QCOMPARE(label->text(), hint);
        // The hint neither takes the focus nor holds back Enter.
        QVERIFY(entry->hasFocus());
        const QString typed = entry->text();
        QTest::keyClick(entry, Qt::Key_Return);
        QCOMPARE(FileBytes(m_race),
                 "1;5\r\n2;432\r\n" + (typed.isEmpty() ? QByteArray() : "3;" + typed.toLatin1() + "\r\n"));
        QVERIFY(!label->isVisible());
    }

    void exportResults() {
        const QDateTime passage(QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200));
        const FixedClock clock(passage);
        WriteBytes(StartListPath(m_race), "bib,name,category\r\n5,\"Anna, A.\",W40\r\n");
        QVERIFY(Load(m_race));
        Enter(QStringLiteral("5"));
        FileDialogSeam::setNextAnswer({Path("results.csv")});
        Trigger("mnuFile_ExportResults");
        const QVector<CsvRecord> rows = ParseCsv(QString::fromUtf8(FileBytes(Path("results.csv"))), QLatin1Char(','));
        QStringList lines;
        for (const CsvRecord& row : rows)
            lines << row.fields.join(QLatin1Char('|'));
        QCOMPARE(lines, (QStringList{"position|bib|time|name|category|lap", "1|5||Anna, A.|W40|1", "2|432||||1",
                                     "3|5|2026-05-03T10:42:07.315+02:00|Anna, A.|W40|2"}));
        // Never onto the record file itself.
        const QByteArray before = FileBytes(m_race);
        FileDialogSeam::setNextAnswer({m_race});
        Trigger("mnuFile_ExportResults");
        QCOMPARE(FileBytes(m_race), before);
        QVERIFY(m_window->close()); // the dated copy under this clock, removed here
        QTRY_VERIFY(m_window.isNull());
        const QString copy = clsFile::DatedCopyPath(m_race, passage);
        QFile::remove(copy);
        QFile::remove(TimesSidecar::PathFor(copy));
    }

    // Times and names side by side; both hints of the entry box readable at once.
    void timesBesideNamesAndBothHints() {
        WriteSetting(QStringLiteral("ShowTimes"), QStringLiteral("1"));
        WriteBytes(StartListPath(m_race), "bib,name\r\n5,Anna\r\n");
        QVERIFY(Load(m_race));
        Enter(QStringLiteral("99"));
        QCOMPARE((QStringList{Grid()->CellText(0, 2), Grid()->CellText(0, 3)}), (QStringList{"Time", "Name"}));
        QTest::keyClicks(Find<QLineEdit>(m_window, "txtEnter"), QStringLiteral("99"));
        auto* repeat = Find<QLabel>(m_window, "lblRepeat");
        auto* notListed = Find<QLabel>(m_window, "lblNotListed");
        QVERIFY(repeat->isVisible());
        QVERIFY(notListed->isVisible());
        QVERIFY(!repeat->geometry().intersects(notListed->geometry()));
        for (QLabel* hint : {repeat, notListed})
            QVERIFY(hint->parentWidget()->rect().contains(hint->geometry()));
    }

    void missingCommandLineFile_data() {
        QTest::addColumn<MsgAnswer>("answer");
        QTest::newRow("create") << MsgAnswer::Yes;
        QTest::newRow("do not create") << MsgAnswer::No;
    }

    void missingCommandLineFile() {
        QFETCH(MsgAnswer, answer);
        const QString path = Path("new race.stn");
        m_messages->setNextAnswer(answer);
        QVERIFY(Load(QLatin1Char('"') + path + QLatin1Char('"')));
        QCOMPARE(m_messages->shown().size(), 1);
        QVERIFY(m_messages->lastText().contains(path));
        QCOMPARE(m_messages->shown().first().buttons, MsgButtons::YesNo);
        m_messages->clear();
        QCOMPARE(QFile::exists(path), answer == MsgAnswer::Yes);
        QCOMPARE(m_window->RecordFile.FileName(), answer == MsgAnswer::Yes ? path : QString());
        if (answer == MsgAnswer::Yes) {
            Enter(QStringLiteral("12"));
            QCOMPARE(FileBytes(path), QByteArray("1;12\r\n"));
        }
    }

private:
    QString Path(const char* name) const { return m_dir->filePath(QLatin1String(name)); }
    QString Path(const QString& name) const { return m_dir->filePath(name); }
    bool Load(const QString& commandLine) {
        m_window = new frmMain(commandLine);
        m_window->Form_Load();
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window);
    }
    void Trigger(const char* action) {
        QAction* command = m_window->findChild<QAction*>(QLatin1String(action));
        QVERIFY2(command && command->isEnabled(), action);
        command->trigger();
    }
    void Enter(const QString& bib) {
        auto* entry = Find<QLineEdit>(m_window, "txtEnter");
        QTest::keyClicks(entry, bib);
        QTest::keyClick(entry, Qt::Key_Return);
    }
    ctlGrid* Grid() const { return Find<ctlGrid>(m_window, "Grid"); }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < Grid()->RowCount(); ++row)
            texts << Grid()->CellText(row, column);
        return texts;
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<frmMain> m_window;
    QString m_race;
};

QTEST_MAIN(TestGuiStartList)
#include "tst_gui_startlist.moc"
