#include "base/AccessibleNames.h"
#include "base/DateText.h"
#include "base/ErrorHandler.h"
#include "base/Registry.h"
#include "base/Settings.h"
#include "display/frmDisplay.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/frmPort.h"
#include "records/PrintBibs.h"
#include "records/clsFile.h"
#include "support/FileDialog.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"
#include "support/ctlWiki.h"
#include "support/frmAbout.h"

#include "GuiFixture.h"

#include <QAccessible>
#include <QFrame>
#include <QPrinter>

namespace {

// A language table "ts" of its own beside the shipped ones, with only the keys a test needs.
void UseTable(GuiFixture& f, const QByteArray& lines) {
    QDir().mkpath(f.env.dataFolder() + QStringLiteral("/marklog/lang"));
    WriteBytes(f.env.dataFolder() + QStringLiteral("/marklog/lang/ts.lng"), "@id=ts\n@name=Test\n" + lines);
    f.UseLanguage(QStringLiteral("ts"));
}

// What a screen reader announces for a control.
QString Spoken(QWidget* control, QAccessible::Text kind = QAccessible::Name) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(kind) : QString();
}
struct Word {
    QString text;
    QRectF mm;
};

// The words of each page of a PDF with their boxes in millimetres, as pdftotext reads them.
QList<QList<Word>> PdfPages(const QString& pdf) {
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    reader.waitForFinished(60000);
    const QRegularExpression pattern(
        QStringLiteral(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    QList<QList<Word>> pages;
    for (auto it = pattern.globalMatch(QString::fromUtf8(reader.readAllStandardOutput())); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto mm = [&](int n) { return match.captured(n).toDouble() * 25.4 / 72; };
        if (match.captured(5).isEmpty())
            pages.append(QList<Word>());
        else
            pages.last().append({match.captured(5), QRectF(QPointF(mm(1), mm(2)), QPointF(mm(3), mm(4)))});
    }
    return pages;
}

// A PDF printer on whole A4 sheets (210 x 297 mm); no file name: no printer at all.
std::unique_ptr<QPrinter> Pdf(const QString& file) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setFullPage(true);
    printer->setOutputFileName(file);
    return printer;
}

} // namespace

// About and help, the record file dialogs, the printed record table, and what a screen reader announces.
class TestSupportWindows : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->language.emplace(); // failures are read in English
        m_opened.clear();
        m_previousOpener = SetDocumentOpener([this](const QString& document) {
            m_opened << document;
            return true;
        });
    }
    void cleanup() {
        SetDocumentOpener(m_previousOpener);
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // printing does not report either
        m_f.reset();
    }

    // The version, the licence line's year, and a link only when a real maker's address is set;
    // without one line 3 tells where the user guide is.
    void aboutWindow() {
        FixedClock clock(QDateTime(QDate(2026, 5, 2), QTime(15, 30, 12)));
        for (const QByteArray address : {"", "marklog.example.org", "www.trevanta.de"}) { // the last is real
            const QStringList opened = address.startsWith("www") ? QStringList{"http://" + address} : QStringList();
            m_opened.clear();
            UseTable(*m_f, "GEN_ABOUT_LABEL2=(c) [YEAR]-[Year]\nMKL_ABOUT_NOLINK=Guide: [guide]\nGEN_ABOUT_LABEL3=" +
                               address);
            frmAbout about;
            QCOMPARE(about.lblLabel(2)->text(), QStringLiteral("(c) 2026-2026"));
            QCOMPARE(about.lblLabel(3)->text(),
                     opened.isEmpty() ? "Guide: " + QDir::toNativeSeparators(GuidePath(QStringLiteral("ts")))
                                      : address);
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            for (int label = 1; label <= 3; ++label)
                QTest::mouseClick(about.lblLabel(label), Qt::LeftButton);
            QCOMPARE(m_opened, opened);
        }
    }

    // Without a wiki, help opens the guide of the language (German falls back to the English one
    // until it has its own), also from the wiki link control; with one, the article's address.
    void helpOpensGuideOrWiki() {
        const QString guides = m_f->env.dataFolder() + QStringLiteral("/marklog/guide/marklog-guide-");
        QDir().mkpath(QFileInfo(guides).path());
        WriteBytes(guides + "en.html", "<html>en</html>");
        m_f->UseLanguage(QStringLiteral("de"));
        QCOMPARE(QFileInfo(HelpAddress(QStringLiteral("MARKLOG"))), QFileInfo(guides + "en.html"));
        WriteBytes(guides + "de.html", "<html>de</html>");
        QCOMPARE(QFileInfo(HelpAddress(QStringLiteral("MARKLOG"))), QFileInfo(guides + "de.html"));
        QCOMPARE(QFileInfo(GuidePath(QStringLiteral("de_AT"))), QFileInfo(guides + "de.html"));
        m_f->UseLanguage(QStringLiteral("en"));
        ctlWiki wiki;
        wiki.Init(QStringLiteral("Guide"), QStringLiteral("MARKLOG"));
        wiki.resize(400, 40);
        wiki.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wiki));
        QTest::mouseClick(&wiki, Qt::LeftButton, {}, QPoint(390, 5));
        QCOMPARE(QFileInfo(m_opened.value(0)), QFileInfo(guides + "en.html"));

        // The base address is joined to the article directly, with nothing in between.
        UseTable(*m_f, "GEN_WIKI=https://wiki.example.org/index.php?title=\n");
        wiki.Init(QStringLiteral("Wiki"), QStringLiteral("OTHER"));
        wiki.OpenArticle();
        QCOMPARE(m_opened, (QStringList{m_opened.value(0), "https://wiki.example.org/index.php?title=OTHER#z"}));
    }

    // What the file dialogs ask for, what they hand back, and which folder the next one starts in.
    void fileDialog_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("rememberedBefore"); // "" for none
        QTest::addColumn<QStringList>("answer");       // empty: cancel
        QTest::addColumn<QString>("startFolder");      // "" for the working folder
        QTest::addColumn<QString>("rememberedAfter");
        QTest::addColumn<QString>("failure"); // the dialog fails with this reason instead of answering
        const auto row = [](const char* name, bool save, const char* before, const QStringList& answer,
                            const char* start, const char* after, const char* failure = "") {
            const QString working = QDir::toNativeSeparators(QDir::currentPath());
            QTest::newRow(name) << save << QString(before) << answer << (*start ? QString(start) : working)
                                << QString(after) << QString(failure);
        };
        row("open, nothing remembered", false, "", {"/data/race.stn"}, "", "/data/");
        row("save starts in the remembered folder", true, "/data/", {"/other/copy.stn"}, "/data/", "/other/");
        row("cancel keeps the folder", false, "/data/", {}, "/data/", "/data/");
        // A network folder may be gone by now: it is neither remembered nor a start folder.
        row("network choice", false, "/data/", {"//server/share/race.stn"}, "/data/", "/data/");
        row("remembered network folder", true, "\\\\server\\share\\", {"/data/a.stn"}, "", "/data/");
        // A failure raises for the command that asked, which reports it once, with its reason.
        row("failure", true, "/data/", {}, "/data/", "/data/", "The device is not ready.");
    }
    void fileDialog() {
        QFETCH(bool, save);
        QFETCH(QString, rememberedBefore);
        QFETCH(QStringList, answer);
        QFETCH(QString, failure);
        if (!rememberedBefore.isEmpty())
            SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"), rememberedBefore,
                             RegistryType::String);
        FileDialog dialog;
        dialog.DialogTitle(QStringLiteral("Choose"));
        dialog.Filter1Suffix(QStringLiteral("*.stn"));
        if (failure.isEmpty())
            FileDialogSeam::setNextAnswer(answer);
        else
            FileDialogSeam::setNextFailure(failure);
        QString chosen;
        ReportingErrors([&] { chosen = save ? dialog.ShowSave(nullptr) : dialog.ShowOpen(nullptr); });
        QCOMPARE(chosen, answer.isEmpty() ? QString() : QDir::toNativeSeparators(answer.first()));
        QTEST(QDir::toNativeSeparators(
                  GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir")).toString()),
              "rememberedAfter");

        QCOMPARE(FileDialogSeam::requests().size(), 1);
        const FileDialogRequest& request = FileDialogSeam::requests().last();
        QCOMPARE(request.kind, save ? FileDialogRequest::Kind::Save : FileDialogRequest::Kind::Open);
        QTEST(request.startFolder, "startFolder");
        QCOMPARE(m_f->messages.shown().size(), failure.isEmpty() ? 0 : 1);
        QCOMPARE(m_f->messages.lastText(), failure);
        m_f->messages.clear();
    }

    // Printing raises its failure with the reason for the caller to report; no records print nothing.
    // A real PDF: 100 records a sheet in 4 columns of 25 rows framed 10 mm beside and 20 mm above and
    // below; the file's name first and the date, 14 points, 10 mm from the top, left and right; the page number last.
    void printing() {
        for (const QString& pdf : {m_f->dir.filePath(QStringLiteral("missing folder/table.pdf")), QString()}) {
            if (!pdf.isEmpty())
                QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
            try {
                PrintBibs(Records(5), *Pdf(pdf));
                QFAIL("Printing must raise an error.");
            } catch (const RaisedError& error) {
                QVERIFY2(error.info().description.contains(pdf.isEmpty() ? "No printer is installed" : pdf),
                         qPrintable(error.info().description));
            }
        }
        const QString pdf = m_f->dir.filePath(QStringLiteral("table.pdf"));
        QVERIFY(PrintBibs(Records(0), *Pdf(pdf)) && !QFile::exists(pdf));
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is missing: install the Debian package poppler-utils.");
        const QDateTime moment(QDate(2021, 5, 2), QTime(15, 30, 12));
        FixedClock clock(moment);
        QVERIFY(PrintBibs(Records(101), *Pdf(pdf)));

        const QList<QList<Word>> pages = PdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        constexpr double kColumn = 47.5, kRow = 10.28, kHeightPerPoint = 1.166 * 25.4 / 72; // of a text box
        const struct {
            int page;
            const char* text;
            double left, top, points; // left -1: ends 10 mm from the right
        } expected[] = {{1, "1", 10, 20, 10},
                        {1, "-5", 20, 20 + 2 * kRow + 2, 14}, // the bib of record 3
                        {1, "100", 10 + 3 * kColumn, 20 + 24 * kRow, 10},
                        {2, "101", 10, 20, 10},
                        {2, "race.stn", 10, 10, 14}, // the title: the record file's name
                        {1, "2021", -1, 10, 14},
                        {2, "15:30:12", -1, 10, 14}};
        for (const auto& text : expected) {
            const QList<Word>& page = pages[text.page - 1];
            const auto found =
                std::find_if(page.begin(), page.end(), [&](const Word& w) { return w.text == text.text; });
            QVERIFY2(found != page.end(), text.text);
            QVERIFY2(
                qAbs(found->mm.top() - text.top) < 0.1 &&
                    qAbs(found->mm.height() - text.points * kHeightPerPoint) < 0.1 &&
                    (text.left < 0 ? text.page == 1 || qAbs(found->mm.right() - 200) < 0.2
                                   : qAbs(found->mm.left() - text.left) < 0.1),
                qPrintable(QStringLiteral("%1 at %2, %3").arg(text.text).arg(found->mm.left()).arg(found->mm.top())));
        }
        for (int page : {1, 2}) {
            const QList<Word>& words = pages[page - 1];
            const QString date = GeneralDateTimeText(moment).section(QLatin1Char(' '), 0, 0);
            QVERIFY(words.first().text == "race.stn" &&
                    std::any_of(words.begin(), words.end(), [&](const Word& w) { return w.text == date; }));
            QCOMPARE(pages[page - 1].last().text, QString::number(page));
            QVERIFY(qAbs(pages[page - 1].last().mm.top() - 282) < 0.05);
        }
    }

    // Every control of every window is announced by a name in the current language, never by its
    // objectName; a menu reads as its caption, a label showing a value as the value. (Beforehand, the
    // main window's help entry opens the guide, whose choice is tested above.)
    void accessibleNames() {
        QVERIFY(m_f->LoadRecords("1;12\r\n2;7\r\n3;12\r\n"));
        m_f->Trigger("mnuHelp_Wiki"); // without a wiki the help entry opens the user guide
        QVERIFY2(m_opened.size() == 1 && m_opened[0].endsWith("marklog-guide-en.html"), qPrintable(m_opened.join(' ')));
        m_f->Trigger("mnuExtras_LapCounter");
        m_f->Trigger("mnuExtras_Display");
        frmAbout about(m_f->window);
        frmPort port(m_f->window);
        port.Form_Load();
        auto* lapCounter = m_f->window->findChild<frmLapcounter*>();
        auto* display = m_f->window->findChild<frmDisplay*>();
        QList<QWidget*> windows = m_f->window->findChildren<QWidget*>();
        windows << m_f->window;
        for (QWidget* window : std::as_const(windows))
            if (window->isWindow())
                ApplyAccessibleNames(window);
        int checked = 0;
        for (QWidget* control : m_f->window->findChildren<QWidget*>()) { // the other windows are its children
            const QString objectName = control->objectName();
            if (objectName.isEmpty() || objectName.startsWith(QLatin1String("qt_")))
                continue;
            // Plain lines and boxes that only decorate carry nothing to announce.
            if (control->metaObject() == &QFrame::staticMetaObject && control->findChildren<QWidget*>().isEmpty())
                continue;
            const QString name = Spoken(control);
            // An empty label (no bib shown yet, no status message) is described instead.
            const bool described = qobject_cast<QLabel*>(control) && name.isEmpty() &&
                                   !Spoken(control, QAccessible::Description).isEmpty();
            QVERIFY2(name != objectName && (described || !name.trimmed().isEmpty()) && !name.contains('&'),
                     qPrintable(control->window()->objectName() + '/' + objectName + ": " + name));
            ++checked;
        }
        QVERIFY2(checked >= 40, qPrintable(QString::number(checked))); // the windows were searched

        const QString english = Spoken(m_f->Entry());
        QVERIFY(gLanguage->SetLanguage(QStringLiteral("de")));
        ApplyAccessibleNames(m_f->window);
        QVERIFY(Spoken(m_f->Entry()) != english);
        QCOMPARE(Spoken(Find<QWidget>(m_f->window, "mnuFile")),
                 GetText(QStringLiteral("GEN_MNU_FILE")).remove(QLatin1Char('&')));
        // Members of a control array are told apart by their index.
        const QList<QWidget*> lapCounts = lapCounter->findChildren<QWidget*>(QStringLiteral("txtLapCount"));
        QVERIFY(lapCounts.size() > 1 && Spoken(lapCounts[0]) != Spoken(lapCounts[1]));

        QCOMPARE(Spoken(Find<QWidget>(m_f->window, "StatusBar_Panel1")), m_f->Panel(1)); // the count, not a caption
        display->ShowBib(QStringLiteral("42"));
        QCOMPARE(Spoken(Find<QWidget>(display, "lblBib")), QStringLiteral("42"));
    }

private:
    // Records 1 to count hold the bibs 7001 onwards, except record 3, which holds -5.
    clsFile Records(int count) {
        QByteArray lines;
        for (int record = 1; record <= count; ++record)
            lines += "0;" + QByteArray::number(record == 3 ? -5 : 7000 + record) + "\r\n";
        WriteBytes(m_f->path(), lines);
        clsFile records;
        records.OpenFile(m_f->path());
        return records;
    }

    QStringList m_opened;
    DocumentOpener m_previousOpener;
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestSupportWindows)
#include "tst_gui_support.moc"
