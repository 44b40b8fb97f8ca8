#include "base/Registry.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "grid/ctlGrid.h"
#include "records/FileHelpers.h"
#include "records/PrintBibs.h"
#include "support/ShortenPath.h"

#include "GuiFixture.h"

#include <QListView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>

#include <memory>

namespace {
QString Caption(const QString& shown) {
    return GetText(QStringLiteral("MKL_MAIN_CAPTION")) + QStringLiteral(" - ") + shown;
}
} // namespace

// The menus of the real main window, with the dialogs answered from a script: files, recent files,
// export, print, lap counters and scan display, the language, About and the user guide.
class TestMenus : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        // A moment of its own: the dated copies land in the program folder that all test programs share.
        m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2022, 6, 3), QTime(10, 0, 2)));
        m_workingDir = QDir::currentPath();
    }
    void cleanup() {
        const bool quiet = m_f->Finish();
        QDir::setCurrent(m_workingDir);
        GuiFixture::RemoveDatedCopies({"race", "my race", "b"}, QStringLiteral("2022-06-03 100002"));
        const QString unexpected = m_f->messages.lastText();
        m_clock.reset();
        m_f.reset();
        QVERIFY2(quiet, qPrintable(unexpected));
    }

    // A large file named on the command line relatively, in quotes and with blanks, opens whole (its
    // next rows coming into view are the grid's test).
    void commandLineFile() {
        const int records = 100000;
        QByteArray bytes;
        for (int i = 1; i <= records; ++i)
            bytes += QByteArray::number(i) + ';' + QByteArray::number(i % 997 + 4) + "\r\n";
        const QString path = Fixture(QStringLiteral("my race.stn"), bytes);
        QDir::setCurrent(m_f->dir.path());
        QVERIFY(m_f->Load(QStringLiteral("\"my race.stn\"")));
        QVERIFY(FileOpenState());
        QCOMPARE(m_f->window->Records().FileName(), path);
        QCOMPARE(m_f->Panel(1), m_f->RecordCount(records));
        QCOMPARE(Grid()->CellText(records, 1), QString::number(records % 997 + 4));
        // The row the grid's buttons act on is shown as the current one.
        auto* table = Find<QTableView>(Grid(), "Grid");
        QCOMPARE(table->selectionModel()->selectedIndexes(), QModelIndexList{table->model()->index(0, 1)});
        QCOMPARE(Grid()->CurrentRow(), 1);
    }

    // Open and New through their dialogs, cancelled too, and the recent files.
    void fileMenuSession() {
        const QString a = Fixture(QStringLiteral("a.stn"), "1;5\r\n2;6\r\n");
        const QString b = Fixture(QStringLiteral("b.stn"), "1;9\r\n");
        const QString nested = Fixture(QStringLiteral("events/2021/spring-run/the-finish-line.stn"), "1;4\r\n");
        QVERIFY(m_f->Load());
        QVERIFY(!FileOpenState());
        // First start: the design's inner area below the menu bar.
        QCOMPARE(m_f->window->height() - m_f->window->menuBar()->height(), TwipsToPixelsY(4050, m_f->window));

        FileDialogSeam::setNextAnswer({a});
        m_f->Trigger("mnuFile_Open");
        QVERIFY(FileDialogSeam::requests().last().nameFilters.join(';').contains(QLatin1String("(*.stn)")));
        QVERIFY(FileOpenState());
        QCOMPARE(m_f->window->windowTitle(), Caption(a));
        QCOMPARE(m_f->Panel(1), m_f->RecordCount(2));

        // F11 brings the focus back to the entry box.
        m_f->window->setFocus();
        QTRY_VERIFY(!m_f->Entry()->hasFocus());
        QTest::keyClick(m_f->window, Qt::Key_F11);
        QTRY_VERIFY(m_f->Entry()->hasFocus());

        // New leaves the open file for the chosen one, replaced by an empty file.
        FileDialogSeam::setNextAnswer({b});
        m_f->Trigger("mnuFile_New");
        QCOMPARE(FileDialogSeam::requests().last().defaultSuffix, QStringLiteral("stn")); // "race" becomes race.stn
        QCOMPARE(m_f->window->Records().FileName(), b);
        QCOMPARE(FileBytes(b), QByteArray());
        QCOMPARE(FileBytes(a), QByteArray("1;5\r\n2;6\r\n"));
        QVERIFY(GridReachesStatusBar());
        m_f->Record(QStringLiteral("3"));
        QCOMPARE(m_f->Panel(1), m_f->RecordCount(1));

        // While the dialog of New or Open is open the file stays open and takes bibs. Cancelled, or
        // naming a folder that is not there (a stick not put in, its folder is not made), nothing
        // changes but a word of the refusal.
        const auto files = [this] { // an open file's lock goes with it
            return QDir(m_f->dir.path()).count() - QDir(m_f->dir.path(), QStringLiteral("*.lock")).count();
        };
        const qsizetype before = files();
        const QString created = m_f->path(QStringLiteral("2021/race.stn"));
        int bib = 4;
        for (const auto& [command, answer] : {std::pair{"mnuFile_New", QStringList()},
                                              {"mnuFile_Open", QStringList()},
                                              {"mnuFile_New", QStringList{created}}}) {
            FileDialogSeam::setNextAnswer(answer, [&] { m_f->Record(QString::number(bib++)); });
            m_f->Trigger(command);
            QVERIFY(FileOpenState());
            QCOMPARE(m_f->window->windowTitle(), Caption(b));
            QCOMPARE(files(), before);
        }
        QCOMPARE(m_f->messages.shown().size(), 1);
        m_f->messages.clear();
        QCOMPARE(FileBytes(b), QByteArray("1;3\r\n2;4\r\n3;5\r\n4;6\r\n"));

        // A long path is shortened in the caption.
        FileDialogSeam::setNextAnswer({nested});
        m_f->Trigger("mnuFile_Open");
        QVERIFY(ShortenPath(nested) != nested);
        QCOMPARE(m_f->window->windowTitle(), Caption(ShortenPath(nested)));

        // A recent file gone since is reported and removed, one refused for its content stays offered
        // (it may be mended); the open file stays.
        QVERIFY(QFile::remove(a));
        WriteBytes(b, QByteArray("1\0;\0"
                                 "5\0",
                                 6));
        QCOMPARE(Recent(), (QStringList{"&1  " + nested, "&2  " + b, "&3  " + a}));
        TriggerRecent(3);
        QCOMPARE(m_f->messages.lastText(), GetText(QStringLiteral("MKL_MSG_OPENINGFAILED")).replace("[Filename]", a));
        TriggerRecent(2);
        QCOMPARE(m_f->messages.shown().size(), 2);
        m_f->messages.clear();
        QCOMPARE(Recent(), (QStringList{"&1  " + nested, "&2  " + b}));
        QCOMPARE(m_f->window->Records().FileName(), nested);
        QVERIFY(FileOpenState() && GridReachesStatusBar());
    }

    // Export copies the open file, which is never harmed, with its passage times: a times file
    // left at the target never pairs with the copy. Recording goes on after it.
    void exportCopiesOpenFile_data() {
        QTest::addColumn<QString>("target");    // inside the folder, where copy.stn and its times are
        QTest::addColumn<QByteArray>("times");  // beside the open file
        QTest::addColumn<QByteArray>("copied"); // the target's bytes after the export
        QTest::addColumn<bool>("reported");
        const QByteArray content("1;5\r\n2;6\r\n"), times("1;5;2026-05-03T10:42:07.315+02:00\r\n2;6;\r\n");
        QTest::newRow("onto itself, spelt otherwise") << "./race.stn" << times << content << false;
        QTest::newRow("onto an existing file, its times replaced") << "copy.stn" << times << content << false;
        QTest::newRow("old times at the target removed") << "copy.stn" << QByteArray() << content << false;
        QTest::newRow("into a missing folder") << "missing/copy.stn" << times << QByteArray() << true;
    }
    void exportCopiesOpenFile() {
        QFETCH(QString, target);
        QFETCH(QByteArray, times);
        QFETCH(bool, reported);
        const QString path = Fixture(QStringLiteral("race.stn"), "1;5\r\n2;6\r\n");
        if (!times.isEmpty())
            Fixture(QStringLiteral("race.stn.times"), times);
        Fixture(QStringLiteral("copy.stn"), "1;99\r\n");
        Fixture(QStringLiteral("copy.stn.times"), "1;9;\r\n");
        QVERIFY(m_f->Load(path));

        const QString targetPath = m_f->path(target);
        FileDialogSeam::setNextAnswer({targetPath});
        m_f->Trigger("mnuFile_Export");
        QCOMPARE(FileBytes(path), QByteArray("1;5\r\n2;6\r\n"));
        QCOMPARE(FileBytes(path + QStringLiteral(".times")), times);
        QTEST(FileBytes(targetPath), "copied");
        QCOMPARE(FileBytes(targetPath + QStringLiteral(".times")), reported ? QByteArray() : times);
        QCOMPARE(m_f->messages.shown().size(), reported ? 1 : 0);
        QVERIFY2(!reported || m_f->messages.lastText().contains(targetPath), qPrintable(m_f->messages.lastText()));
        m_f->messages.clear();
        m_f->Record(QStringLiteral("7"));
        QCOMPARE(FileBytes(path), QByteArray("1;5\r\n2;6\r\n3;7\r\n"));
    }

    // An operator prints, opens two lap counters and the scan display, records, switches the language and closes the
    // display and then the file: only the newest lap counter follows the records, the display shows each bib until it
    // is closed, the focus stays in the entry box.
    void sessionWithLapCountersAndDisplay() {
        WriteSetting(QStringLiteral("Language"), QStringLiteral("en"));
        WriteSetting(QStringLiteral("LC_Auto"), QStringLiteral("1")); // lap counters follow the records
        QVERIFY(m_f->LoadRecords("1;7\r\n"));
        // Without a printer, Print offers to keep a PDF, its save dialog offering the record file's
        // name and adding ".pdf".
        if (!PrinterAvailable()) {
            const QString pdf = m_f->path(QStringLiteral("race.pdf"));
            m_f->messages.setNextAnswer(MsgAnswer::Yes);
            FileDialogSeam::setNextAnswer({pdf});
            m_f->Trigger("mnuFile_Print");
            QCOMPARE(m_f->messages.lastText(), GetText("MKL_MSG_NOPRINTER"));
            m_f->messages.clear();
            const FileDialogRequest& asked = FileDialogSeam::requests().last();
            QCOMPARE(asked.suggestedName + "|" + asked.defaultSuffix, QStringLiteral("race.pdf|pdf"));
            QVERIFY(FileBytes(pdf).startsWith("%PDF"));
        }

        QWidget* older = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
        QWidget* newer = OpenWindow("mnuExtras_LapCounter", "frmLapcounter");
        QWidget* display = OpenWindow("mnuExtras_Display", "frmDisplay");
        QVERIFY(older && newer && display && older != newer);
        const QString olderBefore = ListLines(older);
        QVERIFY(olderBefore.contains(QLatin1String("7")));
        m_f->Record(QStringLiteral("42"));
        m_f->Record(QStringLiteral("1234"));
        QVERIFY(m_f->Entry()->hasFocus());
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;7\r\n2;42\r\n3;1234\r\n"));
        QCOMPARE(ListLines(older), olderBefore);
        QVERIFY2(ListLines(newer).contains(QLatin1String("1234")), qPrintable(ListLines(newer)));
        QCOMPARE(display->findChild<QLabel*>(QStringLiteral("lblBib"))->text(), QStringLiteral("1234"));

        // A language chosen in the menu reaches the open windows, is stored and used at the next start;
        // the title keeps the record file (as shown, perhaps shortened).
        const QString fileInTitle = m_f->window->windowTitle().section(QStringLiteral(" - "), 1);
        QVERIFY2(fileInTitle.endsWith(QLatin1String("/race.stn")), qPrintable(fileInTitle));
        m_f->ChooseLanguage(QStringLiteral("de"));
        QCOMPARE(gLanguage->CurrentLanguage(), QStringLiteral("de"));
        QCOMPARE(newer->windowTitle(), GetText(QStringLiteral("MKL_LC_CAPTION")));
        QCOMPARE(m_f->window->windowTitle(), GetText(QStringLiteral("MKL_MAIN_CAPTION")) + " - " + fileInTitle);
        QCOMPARE(ReadSetting(QStringLiteral("Language")).toString(), QStringLiteral("de"));

        QPointer<QWidget> displayGuard(display);
        display->close();
        QTRY_VERIFY(displayGuard.isNull());
        m_f->Record(QStringLiteral("99"));
        QVERIFY(m_f->window->findChildren<QWidget*>(QStringLiteral("frmDisplay")).isEmpty()); // not reopened

        // Closing the record file closes the lap counter it refreshes; About comes up modal.
        QPointer<QWidget> guard(newer);
        m_f->Trigger("mnuFile_Close");
        QTRY_VERIFY(guard.isNull());
        QString about;
        GuiFixture::OnModal([&](QWidget& modal) {
            about = modal.objectName();
            modal.close();
        });
        m_f->Trigger("mnuHelp_About");
        QCOMPARE(about, QStringLiteral("frmAbout"));

        // The secondary windows store their settings even when the main window goes without being
        // closed, while the port dialog asks with 7 typed: the older lap counter, the display.
        WriteSetting(QStringLiteral("WndPos_frmDisplay"), QString());
        QVERIFY(OpenWindow("mnuExtras_Display", "frmDisplay"));
        older->findChildren<QLineEdit*>(QStringLiteral("txtLapCount")).first()->setText(QStringLiteral("12"));
        GuiFixture::OnModal([&](QWidget& port) {
            Find<QLineEdit>(&port, "txtPort")->setText(QStringLiteral("7"));
            delete m_f->window;
        });
        m_f->Trigger("mnuExtras_BarcodeScanner");
        QTRY_VERIFY(m_f->window.isNull());
        QCOMPARE(ReadSetting(QStringLiteral("LC_Laps")).toString(), QStringLiteral("12"));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmLapcounter")).toString().startsWith(QLatin1Char('2')));
        QVERIFY(!ReadSetting(QStringLiteral("WndPos_frmDisplay")).toString().isEmpty());
        QCOMPARE(GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("BarcodePort")).toString(),
                 QStringLiteral("7"));
        QVERIFY(m_f->Load());
        QCOMPARE(gLanguage->CurrentLanguage(), QStringLiteral("de"));
    }

private:
    // The grid ends 120 twips above the status bar, as the layout places it.
    bool GridReachesStatusBar() const {
        const int bottom = Grid()->mapTo(m_f->window, QPoint(0, Grid()->height())).y();
        return qAbs(m_f->window->statusBar()->y() - bottom - TwipsToPixelsY(120, m_f->window)) <= 1;
    }
    // Opens a window by its command; the newest child of that class, none if nothing opened.
    QWidget* OpenWindow(const char* command, const char* className) {
        const auto windows = [&] { return m_f->window->findChildren<QWidget*>(QLatin1String(className)); };
        const qsizetype before = windows().size();
        m_f->Trigger(command);
        return windows().size() > before ? windows().last() : nullptr;
    }

    QString ListLines(QWidget* lapCounter) const {
        QStringList lines;
        const QAbstractItemModel* model = Find<QListView>(lapCounter, "List1")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines.join(QLatin1Char('\n'));
    }
    QString Fixture(const QString& name, const QByteArray& bytes) {
        const QString path = m_f->path(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        WriteBytes(path, bytes);
        return path;
    }
    ctlGrid* Grid() const { return Find<ctlGrid>(m_f->window, "Grid"); }
    void TriggerRecent(int index) {
        for (QAction* entry : m_f->window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"))) {
            if (entry->property("index").toInt() == index && entry->isVisible())
                return entry->trigger();
        }
        QFAIL("no such recent-file entry");
    }
    // The visible recent-file captions in menu order, with the separator shown exactly beside them.
    QStringList Recent() const {
        QMap<int, QString> entries;
        for (QAction* entry : m_f->window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"))) {
            if (entry->isVisible())
                entries.insert(entry->property("index").toInt(), entry->text());
        }
        if (Find<QAction>(m_f->window, "mnuFile_LFMSep")->isVisible() == entries.isEmpty())
            return {QStringLiteral("separator does not match the entries")};
        return entries.values();
    }
    // The file-open state: entry box, grid and status bar shown, the file commands enabled.
    bool FileOpenState() const {
        const bool open = m_f->Entry()->isVisible();
        bool agree = Find<QWidget>(m_f->window, "Wiki")->isVisible() != open;
        for (const char* name : {"Grid", "fraFrame", "StatusBar"})
            agree &= Find<QWidget>(m_f->window, name)->isVisible() == open;
        for (const char* name : {"mnuFile_Close", "mnuFile_Print", "mnuFile_Export"})
            agree &= Find<QAction>(m_f->window, name)->isEnabled() == open;
        return agree ? open && !m_f->window->Records().FileName().isEmpty() : !open;
    }

    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
    QString m_workingDir;
};

QTEST_MAIN(TestMenus)
#include "tst_gui_menus.moc"
