#include "app/Settings.h"
#include "grid/ctlGrid.h"
#include "lang/clsLanguage.h"
#include "recording/frmMain.h"
#include "records/FileHelpers.h"
#include "records/FileNameCase.h"
#include "records/PrintBibs.h"
#include "support/FileDialogSeam.h"

#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Counts the pages of a PDF with pdfinfo, or from its page objects when that is missing.
static int PdfPages(const QString& pdf) {
    if (!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        info.waitForFinished();
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                .match(QString::fromLocal8Bit(info.readAllStandardOutput()));
        return pages.hasMatch() ? pages.captured(1).toInt() : -1;
    }
    return int(QString::fromLatin1(FileBytes(pdf)).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

// The File menu of the real main window: the command-line file, open, new, close, export, print
// and the recent files, with the dialogs answered from a script.
class TestFileCommands : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_language = std::make_unique<ProcessLanguage>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_clock = std::make_unique<FixedClock>(m_moment);
        // A short folder, so that only the paths meant to be long are shortened in the caption.
        m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/mkXXXXXX"));
        QVERIFY(m_dir->isValid());
        QCOMPARE(m_dir->path().size(), 13);
        FileDialogSeam::reset();
        FileDialogSeam::activate();
        m_workingDir = QDir::currentPath();
        for (const char* base : {"race", "a", "b"})
            RemoveDatedCopy(QLatin1String(base));
    }

    void cleanup() {
        if (m_window)
            Close();
        QDir::setCurrent(m_workingDir);
        FileDialogSeam::reset();
        for (const char* base : {"race", "a", "b"}) // the copies land beside the test program
            RemoveDatedCopy(QLatin1String(base));
        const QString unexpected = m_messages->lastText();
        m_dir.reset();
        m_clock.reset();
        m_messages.reset();
        m_language.reset();
        m_env.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    }

    void commandLineFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern"); // the command line around the path
        QTest::addColumn<bool>("relative");   // named from the working folder, as typed in a terminal
        QTest::newRow("plain") << QStringLiteral("race.stn") << QStringLiteral("%1") << false;
        QTest::newRow("in quotes") << QStringLiteral("race.stn") << QStringLiteral("\"%1\"") << false;
        QTest::newRow("quotes, blanks") << QStringLiteral("my race.stn") << QStringLiteral("\"%1\"") << false;
        QTest::newRow("leading quote only") << QStringLiteral("race.stn") << QStringLiteral("\"%1") << false;
        QTest::newRow("relative: kept whole") << QStringLiteral("race.stn") << QStringLiteral("%1") << true;
    }

    void commandLineFile() {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, relative);
        const QString path = Fixture(name, "1;5\r\n2;6\r\n");
        if (relative)
            QDir::setCurrent(m_dir->path());
        QVERIFY(Load(pattern.arg(relative ? name : path)));
        QVERIFY(FileOpenState());
        QCOMPARE(m_window->RecordFile.FileName(), path);
        QCOMPARE(m_window->windowTitle(), Caption(path));
        QCOMPARE(Panel(1), Count(2));
        QCOMPARE(Grid()->RowCount(), 3);
        QCOMPARE(Grid()->CellText(2, 1), QStringLiteral("6"));
        QCOMPARE(Recent(), QStringList{QStringLiteral("&1  ") + path});
        // The row the grid's buttons act on is shown as the current one.
        auto* table = Grid()->findChild<QTableView*>(QStringLiteral("Grid"));
        QCOMPARE(table->selectionModel()->selectedIndexes(), QModelIndexList{table->model()->index(0, 1)});
        QCOMPARE(Grid()->CurrentRow(), 1);
    }

    // The hourglass shows while a chosen file is read into the grid and goes exactly once: a
    // cursor set by another part of the program stays.
    void waitCursorWhileReading() {
        const QString path = Fixture(QStringLiteral("race.stn"), "1;5\r\n2;6\r\n");
        QVERIFY(Load());
        QList<Qt::CursorShape> whileFilling;
        QAbstractItemModel* model = Grid()->findChild<QTableView*>(QStringLiteral("Grid"))->model();
        const auto look = [&] {
            whileFilling << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                            : Qt::ArrowCursor);
        };
        const QObject watching; // ends the watch with this test
        connect(model, &QAbstractItemModel::rowsInserted, &watching, look);
        connect(model, &QAbstractItemModel::modelReset, &watching, look);
        QApplication::setOverrideCursor(Qt::CrossCursor);
        FileDialogSeam::setNextAnswer({path});
        Trigger("mnuFile_Open");
        QVERIFY(FileOpenState());
        QVERIFY(!whileFilling.isEmpty());
        QCOMPARE(whileFilling, QList<Qt::CursorShape>(whileFilling.size(), Qt::WaitCursor));
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QApplication::restoreOverrideCursor();
        QVERIFY(!QApplication::overrideCursor());
    }

    void largeFileOpensWhole() {
        QByteArray records;
        for (int i = 1; i <= 100000; ++i)
            records += QByteArray::number(i) + ';' + QByteArray::number(i % 997 + 1) + "\r\n";
        const QString path = Fixture(QStringLiteral("race.stn"), records);
        QVERIFY(Load(path));
        QCOMPARE(m_window->RecordFile.Count(), 100000);
        ctlGrid* grid = Grid();
        QCOMPARE(grid->RowCount(), 100001);
        QCOMPARE(grid->CellText(100000, 0), QStringLiteral("100000"));
        QCOMPARE(grid->CellText(100000, 1), QString::number(100000 % 997 + 1));
        QCOMPARE(Panel(1), Count(100000));

        // The next bib is appended as one line and its row scrolled into view.
        Enter(QStringLiteral("4242"));
        QCOMPARE(FileBytes(path), records + "100001;4242\r\n");
        QVERIFY(grid->IsRowVisible(100001));
    }

    void captionShortensLongPath_data() {
        QTest::addColumn<QString>("name"); // inside the 13-character folder
        QTest::addColumn<QString>("shown");
        QTest::newRow("35 characters stay whole") << QStringLiteral("abcdefghijklmnopq.stn") << QString();
        QTest::newRow("36 are shortened") << QStringLiteral("abcdefghijklmnopqr.stn") << "/.../abcdefghijklmnopqr.stn";
        QTest::newRow("cut at a folder") << QStringLiteral("events/2021/spring-run/finish.stn")
                                         << "/.../2021/spring-run/finish.stn";
    }

    void captionShortensLongPath() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        const QString path = Fixture(name, QByteArray());
        QVERIFY(Load(path));
        QCOMPARE(m_window->windowTitle(), Caption(shown.isEmpty() ? path : shown));
        Trigger("mnuFile_Close");
        QCOMPARE(m_window->windowTitle(), GetText(QStringLiteral("MKL_MAIN_CAPTION")));
    }

    void openNewAndCloseThroughDialogs() {
        const QString a = Fixture(QStringLiteral("a.stn"), "1;5\r\n2;6\r\n");
        const QString b = Fixture(QStringLiteral("b.stn"), "1;9\r\n");
        QVERIFY(Load());
        QVERIFY(!FileOpenState());

        FileDialogSeam::setNextAnswer({a});
        Trigger("mnuFile_Open");
        QCOMPARE(FileDialogSeam::requests().last().kind, FileDialogRequest::Kind::Open);
        QCOMPARE(FileDialogSeam::requests().last().title, GetText(QStringLiteral("GEN_FILEDIALOG_OPEN")));
        QVERIFY(FileDialogSeam::requests().last().nameFilters.join(';').contains(QLatin1String("(*.stn)")));
        QVERIFY(FileOpenState());
        QCOMPARE(m_window->windowTitle(), Caption(a));
        QCOMPARE(Panel(1), Count(2));

        // New closes the open file and replaces the chosen one by an empty file.
        FileDialogSeam::setNextAnswer({b});
        Trigger("mnuFile_New");
        QCOMPARE(FileDialogSeam::requests().last().kind, FileDialogRequest::Kind::Save);
        QCOMPARE(FileDialogSeam::requests().last().defaultSuffix, QStringLiteral("stn")); // "race" becomes race.stn
        QVERIFY(FileOpenState());
        QCOMPARE(m_window->RecordFile.FileName(), b);
        QCOMPARE(FileBytes(b), QByteArray());
        QCOMPARE(FileBytes(a), QByteArray("1;5\r\n2;6\r\n"));
        QVERIFY(!QFile::exists(DatedCopy(QStringLiteral("a")))); // a was not changed
        QCOMPARE(Grid()->RowCount(), 1);
        QCOMPARE(Panel(1), QString()); // New leaves the count empty until the first bib
        QCOMPARE(Recent(), (QStringList{QStringLiteral("&1  ") + b, QStringLiteral("&2  ") + a}));
        Enter(QStringLiteral("3"));
        QCOMPARE(FileBytes(b), QByteArray("1;3\r\n"));
        QCOMPARE(Panel(1), Count(1));

        // A cancelled New closes the open file and creates nothing.
        const int files = QDir(m_dir->path()).count();
        FileDialogSeam::setNextAnswer({});
        Trigger("mnuFile_New");
        QVERIFY(!FileOpenState());
        QCOMPARE(QDir(m_dir->path()).count(), files);

        // A new file in a folder that does not exist yet gets its folder.
        const QString nested = FilePath(QStringLiteral("2021/race.stn"));
        FileDialogSeam::setNextAnswer({nested});
        Trigger("mnuFile_New");
        QVERIFY(FileOpenState());
        QVERIFY(QFile::exists(nested));
        QCOMPARE(FileBytes(nested), QByteArray());
    }

    void cancellingOpenClosesPreviousFile() {
        const QString path = Fixture(QStringLiteral("race.stn"), "1;5\r\n");
        QVERIFY(Load(path));
        QVERIFY(FileOpenState());
        FileDialogSeam::setNextAnswer({});
        Trigger("mnuFile_Open");
        QVERIFY(!FileOpenState());
        QCOMPARE(m_window->RecordFile.FileName(), QString());
        QCOMPARE(m_window->windowTitle(), GetText(QStringLiteral("MKL_MAIN_CAPTION")));
        QCOMPARE(FileBytes(path), QByteArray("1;5\r\n"));
        QCOMPARE(Recent(), QStringList{QStringLiteral("&1  ") + path}); // still listed
        // No message: the cleanup checks that none was shown.
    }

    void missingRecentFileIsReportedAndRemoved() {
        const QString missing = FilePath(QStringLiteral("gone.stn"));
        const QString present = Fixture(QStringLiteral("race.stn"), "1;5\r\n");
        const QString refused = Fixture(QStringLiteral("utf16.stn"), QByteArray("1\0;\0"
                                                                                "5\0",
                                                                                6));
        WriteSetting(QStringLiteral("LastFile1"), missing);
        WriteSetting(QStringLiteral("LastFile2"), present);
        WriteSetting(QStringLiteral("LastFile3"), refused);
        QVERIFY(Load());
        QCOMPARE(Recent(), (QStringList{QStringLiteral("&1  ") + missing, QStringLiteral("&2  ") + present,
                                        QStringLiteral("&3  ") + refused}));

        TriggerRecent(1);
        QCOMPARE(m_messages->shown().size(), 1);
        const MessageRequest shown = m_messages->shown().first();
        QString expected = GetText(QStringLiteral("MKL_MSG_OPENINGFAILED"));
        QVERIFY(expected.contains(QLatin1String("[Filename]")));
        expected.replace(QStringLiteral("[Filename]"), missing);
        QCOMPARE(shown.text, expected);
        QCOMPARE(shown.title, GetText(QStringLiteral("MKL_MAIN_CAPTION")));
        QCOMPARE(shown.icon, MsgIcon::Information);
        QCOMPARE(shown.buttons, MsgButtons::Ok);
        m_messages->clear();
        QVERIFY(!FileOpenState());
        const QStringList left{QStringLiteral("&1  ") + present, QStringLiteral("&2  ") + refused};
        QCOMPARE(Recent(), left);
        QCOMPARE(ReadSetting(QStringLiteral("LastFile1")).toString(), present);
        QCOMPARE(ReadSetting(QStringLiteral("LastFile3")).toString(), QString());

        // A file refused for its content is there and may be mended: it stays offered.
        TriggerRecent(2);
        QVERIFY(!m_messages->shown().isEmpty());
        m_messages->clear();
        QCOMPARE(Recent(), left);

        // The remaining entry opens its file.
        TriggerRecent(1);
        QVERIFY(FileOpenState());
        QCOMPARE(m_window->RecordFile.FileName(), present);
    }

    void recentFilesAcrossWindowLifetimes() {
        const QString a = Fixture(QStringLiteral("a.stn"), "1;5\r\n");
        const QString b = Fixture(QStringLiteral("b.stn"), "1;6\r\n");
        QVERIFY(Load());
        QCOMPARE(Recent(), QStringList());
        for (const QString& path : {a, b}) {
            FileDialogSeam::setNextAnswer({path});
            Trigger("mnuFile_Open");
        }
        Close();

        QVERIFY(Load());
        QCOMPARE(Recent(), (QStringList{QStringLiteral("&1  ") + b, QStringLiteral("&2  ") + a}));
        TriggerRecent(2);
        QCOMPARE(m_window->RecordFile.FileName(), a);
        QCOMPARE(Recent(), (QStringList{QStringLiteral("&1  ") + a, QStringLiteral("&2  ") + b}));
        Close();

        QVERIFY(Load());
        QCOMPARE(Recent(), (QStringList{QStringLiteral("&1  ") + a, QStringLiteral("&2  ") + b}));
    }

    void exportCopiesOpenFile_data() {
        QTest::addColumn<bool>("relative");  // the open file named relatively on the command line
        QTest::addColumn<QString>("target"); // inside the folder; "" cancels
        QTest::addColumn<QByteArray>("targetBefore");
        QTest::addColumn<QByteArray>("targetAfter"); // empty: the target must not exist
        QTest::addColumn<bool>("reported");
        const QByteArray content("1;5\r\n2;6\r\n"), none;
        QTest::newRow("cancelled") << false << "" << none << none << false;
        QTest::newRow("onto itself") << false << "race.stn" << content << content << false;
        // Where file names keep their letter case, that is another file.
        QTest::newRow("onto itself in other letters")
            << false << "RACE.STN" << none << (FileNameCase() == Qt::CaseSensitive ? content : none) << false;
        QTest::newRow("onto itself, spelt otherwise") << false << "./race.stn" << content << content << false;
        QTest::newRow("onto itself, opened relatively") << true << "race.stn" << content << content << false;
        QTest::newRow("onto an existing file") << false << "copy.stn" << QByteArray("1;99\r\n") << content << false;
        QTest::newRow("to a new file") << false << "copy.stn" << none << content << false;
        QTest::newRow("into a missing folder") << false << "missing/copy.stn" << none << none << true;
    }

    void exportCopiesOpenFile() {
        QFETCH(bool, relative);
        QFETCH(QString, target);
        QFETCH(QByteArray, targetBefore);
        QFETCH(QByteArray, targetAfter);
        QFETCH(bool, reported);
        const QString path = Fixture(QStringLiteral("race.stn"), "1;5\r\n2;6\r\n");
        const QString targetPath = target.isEmpty() ? QString() : FilePath(target);
        if (!targetBefore.isEmpty() && targetPath != path)
            Fixture(target, targetBefore);
        if (relative)
            QDir::setCurrent(m_dir->path());
        QVERIFY(Load(relative ? QStringLiteral("race.stn") : path));
        QVERIFY(FileOpenState());

        FileDialogSeam::setNextAnswer(targetPath.isEmpty() ? QStringList() : QStringList{targetPath});
        Trigger("mnuFile_Export");
        const FileDialogRequest request = FileDialogSeam::requests().last();
        QCOMPARE(request.kind, FileDialogRequest::Kind::Save);
        QCOMPARE(request.title, GetText(QStringLiteral("GEN_FILEDIALOG_SAVE")));
        QVERIFY(request.nameFilters.join(';').contains(GetText(QStringLiteral("GEN_FILETYPE_STN")) + " (*.stn)"));

        QCOMPARE(FileBytes(path), QByteArray("1;5\r\n2;6\r\n")); // the open file is never harmed
        if (!targetPath.isEmpty()) {
            QCOMPARE(QFile::exists(targetPath), !targetAfter.isEmpty());
            QCOMPARE(FileBytes(targetPath), targetAfter);
        }
        QCOMPARE(m_messages->shown().size(), reported ? 1 : 0);
        if (reported) {
            QVERIFY2(m_messages->lastText().contains(targetPath), qPrintable(m_messages->lastText()));
            m_messages->clear();
        }
        // The file stays open and recording goes on.
        Enter(QStringLiteral("7"));
        QCOMPARE(FileBytes(path), QByteArray("1;5\r\n2;6\r\n3;7\r\n"));
    }

    // The copy takes the passage times along; a times file left at the target never pairs with it.
    void exportCarriesTimes_data() {
        QTest::addColumn<QByteArray>("times");             // beside the open file; empty: none
        QTest::addColumn<QByteArray>("targetTimesBefore"); // empty: none
        const QByteArray times("1;5;2026-05-03T10:42:07.315+02:00\r\n2;6;\r\n"), leftover("1;9;\r\n");
        QTest::newRow("times beside the copy") << times << QByteArray();
        QTest::newRow("a leftover replaced") << times << leftover;
        QTest::newRow("a leftover removed") << QByteArray() << leftover;
    }

    void exportCarriesTimes() {
        QFETCH(QByteArray, times);
        QFETCH(QByteArray, targetTimesBefore);
        const QString path = Fixture(QStringLiteral("race.stn"), "1;5\r\n2;6\r\n");
        if (!times.isEmpty())
            Fixture(QStringLiteral("race.stn.times"), times);
        if (!targetTimesBefore.isEmpty())
            Fixture(QStringLiteral("copy.stn.times"), targetTimesBefore);
        QVERIFY(Load(path));
        FileDialogSeam::setNextAnswer({FilePath(QStringLiteral("copy.stn"))});
        Trigger("mnuFile_Export");
        QCOMPARE(FileBytes(FilePath(QStringLiteral("copy.stn"))), QByteArray("1;5\r\n2;6\r\n"));
        QCOMPARE(QFile::exists(FilePath(QStringLiteral("copy.stn.times"))), !times.isEmpty());
        QCOMPARE(FileBytes(FilePath(QStringLiteral("copy.stn.times"))), times);
    }

    // Closing through the menu leaves a dated copy only of a changed file.
    void datedCopyOnClose_data() {
        QTest::addColumn<QString>("bib");     // "" records nothing
        QTest::addColumn<QByteArray>("copy"); // empty: no copy
        QTest::newRow("unchanged: no copy") << QString() << QByteArray();
        QTest::newRow("one bib: one copy") << QStringLiteral("8") << QByteArray("1;5\r\n2;8\r\n");
    }

    void datedCopyOnClose() {
        QFETCH(QString, bib);
        QFETCH(QByteArray, copy);
        QVERIFY(Load(Fixture(QStringLiteral("race.stn"), "1;5\r\n")));
        if (!bib.isEmpty())
            Enter(bib);
        Trigger("mnuFile_Close");
        QVERIFY(!FileOpenState());
        QCOMPARE(QFile::exists(DatedCopy(QStringLiteral("race"))), !copy.isEmpty());
        QCOMPARE(FileBytes(DatedCopy(QStringLiteral("race"))), copy);
    }

    void print_data() {
        QTest::addColumn<QList<MsgAnswer>>("answers");
        QTest::addColumn<bool>("pdfChosen");
        QTest::addColumn<int>("pages"); // 0: no PDF written
        QTest::newRow("cancelled") << QList<MsgAnswer>{MsgAnswer::Cancel} << false << 0;
        QTest::newRow("no printer, no PDF") << QList<MsgAnswer>{MsgAnswer::Ok, MsgAnswer::No} << false << 0;
        QTest::newRow("no printer, PDF dialog cancelled")
            << QList<MsgAnswer>{MsgAnswer::Ok, MsgAnswer::Yes} << false << 0;
        QTest::newRow("no printer, PDF of 101 records") << QList<MsgAnswer>{MsgAnswer::Ok, MsgAnswer::Yes} << true << 2;
    }

    void print() {
        QFETCH(QList<MsgAnswer>, answers);
        QFETCH(bool, pdfChosen);
        QFETCH(int, pages);
        const bool cancelled = answers.first() == MsgAnswer::Cancel;
        if (!cancelled && PrinterAvailable())
            QSKIP("A printer is installed; this case needs a machine without one.");
        QByteArray records;
        for (int i = 1; i <= 101; ++i)
            records += QByteArray::number(i) + ';' + QByteArray::number(1000 + i) + "\r\n";
        const QString path = Fixture(QStringLiteral("race.stn"), records);
        const QString pdf = FilePath(QStringLiteral("race.pdf"));
        QVERIFY(Load(path));
        for (MsgAnswer answer : answers)
            m_messages->setNextAnswer(answer);
        if (answers.size() > 1)
            FileDialogSeam::setNextAnswer(pdfChosen ? QStringList{pdf} : QStringList());
        Trigger("mnuFile_Print");

        QCOMPARE(m_messages->shown().size(), answers.size());
        const MessageRequest question = m_messages->shown().first();
        QCOMPARE(question.text, GetText(QStringLiteral("MKL_MSG_PRINT")));
        QCOMPARE(question.title, GetText(QStringLiteral("MKL_MAIN_CAPTION")));
        QCOMPARE(question.icon, MsgIcon::Question);
        QCOMPARE(question.buttons, MsgButtons::OkCancel);
        if (answers.size() > 1) {
            QCOMPARE(m_messages->lastText(), GetText(QStringLiteral("MKL_MSG_NOPRINTER")));
            QCOMPARE(m_messages->shown().last().buttons, MsgButtons::YesNo);
        }
        // A dialog asks for the PDF only after the operator agreed to one.
        const bool asked = answers.size() > 1 && answers.last() == MsgAnswer::Yes;
        QCOMPARE(FileDialogSeam::requests().size(), asked ? 1 : 0);
        m_messages->clear();
        QCOMPARE(QFile::exists(pdf), pages > 0);
        if (pages > 0)
            QCOMPARE(PdfPages(pdf), pages);
        QCOMPARE(FileBytes(path), records);
    }

    void f11FocusesEntry() {
        QVERIFY(Load(Fixture(QStringLiteral("race.stn"), QByteArray())));
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        auto* entry = m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
        m_window->setFocus(); // the window itself, none of its controls
        QTRY_VERIFY(!entry->hasFocus());
        QTest::keyClick(m_window, Qt::Key_F11);
        QTRY_VERIFY(entry->hasFocus());
    }

private:
    QString FilePath(const QString& name) const { return QDir::toNativeSeparators(m_dir->filePath(name)); }
    QString Fixture(const QString& name, const QByteArray& bytes) {
        const QString path = FilePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        WriteBytes(path, bytes);
        return path;
    }
    void Enter(const QString& bib) {
        auto* entry = m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter"));
        QTest::keyClicks(entry, bib);
        QTest::keyClick(entry, Qt::Key_Return);
    }
    ctlGrid* Grid() const { return m_window->findChild<ctlGrid*>(QStringLiteral("Grid")); }
    QString Count(int records) const {
        return GetText(QStringLiteral("MKL_SB_RECORDS")) + QStringLiteral(": %1").arg(records);
    }
    frmMain* Load(const QString& commandLine = QString()) {
        m_window = new frmMain(commandLine);
        m_window->Form_Load();
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window) ? m_window.data() : nullptr;
    }
    void Close() {
        QVERIFY(m_window->close());
        QTRY_VERIFY(m_window.isNull()); // deleted on close
    }
    // Chooses a menu command as the operator can: only while it is enabled.
    void Trigger(const char* action) {
        QAction* command = m_window->findChild<QAction*>(QLatin1String(action));
        QVERIFY2(command, action);
        QVERIFY2(command->isEnabled(), action);
        command->trigger();
    }
    // Chooses the recent-file entry with this number.
    void TriggerRecent(int index) {
        for (QAction* entry : m_window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"))) {
            if (entry->property("index").toInt() == index) {
                QVERIFY(entry->isVisible() && entry->isEnabled());
                entry->trigger();
                return;
            }
        }
        QFAIL("no such recent-file entry");
    }
    // the visible recent-file captions in menu order
    QStringList Recent() const {
        QMap<int, QString> entries;
        for (QAction* entry : m_window->findChildren<QAction*>(QStringLiteral("mnuFile_LFM"))) {
            if (entry->isVisible())
                entries.insert(entry->property("index").toInt(), entry->text());
        }
        const bool separator = m_window->findChild<QAction*>(QStringLiteral("mnuFile_LFMSep"))->isVisible();
        if (separator != !entries.isEmpty())
            return {QStringLiteral("separator does not match the entries")};
        return entries.values();
    }
    // The file-open state: entry box, grid and status bar shown, the file commands enabled.
    bool FileOpenState() const {
        const bool open = m_window->findChild<QLineEdit*>(QStringLiteral("txtEnter"))->isVisible();
        for (const char* name : {"Grid", "fraFrame", "StatusBar"}) {
            if (m_window->findChild<QWidget*>(QLatin1String(name))->isVisible() != open)
                return !open;
        }
        for (const char* name : {"mnuFile_Close", "mnuFile_Print", "mnuFile_Export"}) {
            if (m_window->findChild<QAction*>(QLatin1String(name))->isEnabled() != open)
                return !open;
        }
        if (m_window->findChild<QWidget*>(QStringLiteral("Wiki"))->isVisible() == open)
            return !open;
        return open && !m_window->RecordFile.FileName().isEmpty();
    }
    QString Panel(int panel) const {
        return m_window->findChild<QLabel*>(QStringLiteral("StatusBar_Panel%1").arg(panel))->text();
    }
    QString Caption(const QString& shown) const {
        return GetText(QStringLiteral("MKL_MAIN_CAPTION")) + QStringLiteral(" - ") + shown;
    }
    static QString DatedCopy(const QString& base) {
        return WritableProgramFolder() + base + QStringLiteral("2022-06-03 100002.stn");
    }
    static void RemoveDatedCopy(const QString& base) {
        QFile::remove(DatedCopy(base));
        QFile::remove(DatedCopy(base) + QStringLiteral(".times"));
    }

    // A moment of its own: the dated copies land in the program folder that all test programs share.
    const QDateTime m_moment{QDate(2022, 6, 3), QTime(10, 0, 2)};
    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ProcessLanguage> m_language;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<frmMain> m_window;
    QString m_workingDir;
};

QTEST_MAIN(TestFileCommands)
#include "tst_gui_filecommands.moc"
