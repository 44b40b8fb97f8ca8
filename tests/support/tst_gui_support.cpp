#include "app/Registry.h"
#include "app/Settings.h"
#include "display/frmDisplay.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/frmPort.h"
#include "support/AccessibleNames.h"
#include "support/FileDialog.h"
#include "support/HelpAddress.h"
#include "support/StartDoc.h"
#include "support/ctlWiki.h"
#include "support/frmAbout.h"

#include "GuiFixture.h"

#include <QAccessible>
#include <QFileDialog>
#include <QFrame>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <memory>

namespace {

// A language table "ts" of its own beside the shipped ones, with only the keys a test needs.
void UseTable(GuiFixture& f, const QByteArray& lines) {
    QDir().mkpath(f.env.dataFolder() + QStringLiteral("/marklog/lang"));
    WriteBytes(f.env.dataFolder() + QStringLiteral("/marklog/lang/ts.lng"), "@id=ts\n@name=Test\n" + lines);
    f.UseLanguage(QStringLiteral("ts"));
}
QString SamePath(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

QString RememberedFolder() {
    return GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir")).toString();
}
void Remember(const QString& folder) {
    if (!folder.isEmpty())
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), QStringLiteral("CurrDir"), folder,
                         RegistryType::String);
}
// A record file dialog as the file commands set one up.
void Configure(FileDialog& dialog, const QString& filter) {
    dialog.DialogTitle(QStringLiteral("Choose"));
    dialog.Filter1Text(filter);
    dialog.Filter1Suffix(QStringLiteral("*.stn"));
    dialog.DefaultExt(QStringLiteral("stn"));
}

// What a screen reader announces for a control.
QString Spoken(QWidget* control, QAccessible::Text kind = QAccessible::Name) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(kind) : QString();
}
// A control of a window; for a member of a control array, the one with this index.
QWidget* Control(QWidget* window, const char* name, int index = -1) {
    for (QWidget* control : window->findChildren<QWidget*>(QLatin1String(name)))
        if (index < 0 || control->property("index").toInt() == index)
            return control;
    qFatal("control %s not found", name);
}

} // namespace

// The windows that support the operator: about and help, the record file dialogs, and the names a
// screen reader announces.
class TestSupportWindows : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_opened.clear();
        m_previousOpener = SetDocumentOpener([this](const QString& document) {
            m_opened << document;
            return true;
        });
    }
    void cleanup() {
        SetDocumentOpener(m_previousOpener);
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // nothing here reports
        m_f.reset();
    }

    // The version, the licence line's year, and a link only when a real maker's address is set;
    // without one line 3 tells where the user guide is.
    void aboutWindow_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("no address") << QByteArray() << QStringList();
        QTest::newRow("placeholder") << QByteArray("marklog.example.org") << QStringList();
        QTest::newRow("real address") << QByteArray("www.trevanta.de") << QStringList{"http://www.trevanta.de"};
    }
    void aboutWindow() {
        QFETCH(QByteArray, address);
        QFETCH(QStringList, opened);
        UseTable(*m_f,
                 "GEN_ABOUT_LABEL2=(c) [YEAR]-[Year]\nMKL_ABOUT_NOLINK=Guide: [guide]\nGEN_ABOUT_LABEL3=" + address);
        FixedClock clock(QDateTime(QDate(2026, 5, 2), QTime(15, 30, 12)));
        frmAbout about;
        QCOMPARE(about.lblLabel(2)->text(), QStringLiteral("(c) 2026-2026"));
        QCOMPARE(about.lblLabel(3)->text(),
                 opened.isEmpty() ? "Guide: " + QDir::toNativeSeparators(GuidePath(QStringLiteral("ts"))) : address);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        for (int label = 1; label <= 3; ++label)
            QTest::mouseClick(about.lblLabel(label), Qt::LeftButton);
        QCOMPARE(m_opened, opened);
        QTest::mouseClick(Find<QPushButton>(&about, "cmdOK"), Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // Without a wiki, help opens the guide of the language (German falls back to the English one
    // until it has its own), also from the wiki link control; with one, the article's address.
    void helpOpensGuideOrWiki() {
        const QString guides = m_f->env.dataFolder() + QStringLiteral("/marklog/guide/");
        QDir().mkpath(guides);
        WriteBytes(guides + QStringLiteral("marklog-guide-en.html"), "<html>en</html>");
        m_f->UseLanguage(QStringLiteral("de"));
        QCOMPARE(SamePath(HelpAddress(QStringLiteral("MARKLOG"))), SamePath(guides + "marklog-guide-en.html"));
        WriteBytes(guides + QStringLiteral("marklog-guide-de.html"), "<html>de</html>");
        QCOMPARE(SamePath(HelpAddress(QStringLiteral("MARKLOG"))), SamePath(guides + "marklog-guide-de.html"));
        QCOMPARE(SamePath(GuidePath(QStringLiteral("de_AT"))), SamePath(guides + "marklog-guide-de.html"));
        m_f->UseLanguage(QStringLiteral("en"));
        ctlWiki wiki;
        wiki.Init(QStringLiteral("Guide"), QStringLiteral("MARKLOG"));
        wiki.resize(400, 40);
        wiki.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wiki));
        QTest::mouseClick(&wiki, Qt::LeftButton, {}, QPoint(390, 5));
        QCOMPARE(SamePath(m_opened.value(0)), SamePath(guides + "marklog-guide-en.html"));

        // The base address is joined to the article directly, with nothing in between.
        UseTable(*m_f, "GEN_WIKI=https://wiki.example.org/index.php?title=\n");
        wiki.Init(QStringLiteral("Wiki"), QStringLiteral("OTHER"));
        wiki.OpenArticle();
        QCOMPARE(m_opened, (QStringList{m_opened.value(0), "https://wiki.example.org/index.php?title=OTHER#z"}));
    }

    // What the file dialogs ask the window system for, what they hand back, and which folder the
    // next one starts in.
    void fileDialog_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("rememberedBefore"); // "" for none
        QTest::addColumn<QStringList>("answer");       // empty: cancel
        QTest::addColumn<QString>("startFolder");      // "" for the working folder
        QTest::addColumn<QString>("rememberedAfter");
        QTest::addColumn<QString>("failure"); // the dialog fails with this reason instead of answering
        const auto row = [](const char* name, bool save, const char* before, const QStringList& answer,
                            const char* start, const char* after, const char* failure = "") {
            QTest::newRow(name) << save << QString(before) << answer << QString(start) << QString(after)
                                << QString(failure);
        };
        row("open, nothing remembered", false, "", {"/data/race.stn"}, "", "/data/");
        row("save starts in the remembered folder", true, "/data/", {"/other/copy.stn"}, "/data/", "/other/");
        row("cancel keeps the folder", false, "/data/", {}, "/data/", "/data/");
        // A network folder may be gone by now: it is neither remembered nor a start folder.
        row("network choice", false, "/data/", {"//server/share/race.stn"}, "/data/", "/data/");
        row("remembered network folder", true, "\\\\server\\share\\", {"/data/a.stn"}, "", "/data/");
        // A failure is shown once, with its reason and without a log entry.
        row("failure", true, "/data/", {}, "/data/", "/data/", "The device is not ready.");
    }
    void fileDialog() {
        QFETCH(bool, save);
        QFETCH(QString, rememberedBefore);
        QFETCH(QStringList, answer);
        QFETCH(QString, startFolder);
        QFETCH(QString, failure);
        QWidget owner;
        Remember(rememberedBefore);
        FileDialog dialog;
        Configure(dialog, QStringLiteral("Marklog"));
        if (failure.isEmpty())
            FileDialogSeam::setNextAnswer(answer);
        else
            FileDialogSeam::setNextFailure(failure);
        const QString chosen = save ? dialog.ShowSave(&owner) : dialog.ShowOpen(&owner);
        QCOMPARE(chosen, answer.isEmpty() ? QString() : QDir::toNativeSeparators(answer.first()));
        QCOMPARE(dialog.FileName(), chosen);
        QTEST(QDir::toNativeSeparators(RememberedFolder()), "rememberedAfter");

        QCOMPARE(FileDialogSeam::requests().size(), 1);
        const FileDialogRequest& request = FileDialogSeam::requests().last();
        QCOMPARE(request.kind, save ? FileDialogRequest::Kind::Save : FileDialogRequest::Kind::Open);
        QCOMPARE(request.owner.data(), &owner);
        QCOMPARE(request.title, QStringLiteral("Choose"));
        QCOMPARE(request.nameFilters, QStringList{QStringLiteral("Marklog (*.stn)")});
        QCOMPARE(request.defaultSuffix, QStringLiteral("stn"));
        QCOMPARE(request.startFolder,
                 startFolder.isEmpty() ? QDir::toNativeSeparators(QDir::currentPath()) : startFolder);
        QCOMPARE(m_f->messages.shown().size(), failure.isEmpty() ? 0 : 1);
        QCOMPARE(m_f->messages.lastText(), failure);
        m_f->messages.clear();
        QVERIFY(!QFile::exists(m_f->env.logFile()));
    }

    // The window system's save dialog itself, configured from the request and answered as an
    // operator would.
    void realFileDialog() {
        FileDialogSeam::reset();
        const QString file = m_f->path(QStringLiteral("copy.stn"));
        Remember(m_f->dir.path());
        QWidget owner;
        QStringList seen;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (seen.isEmpty())
                seen << dialog->windowTitle() << dialog->nameFilters() << dialog->directory().absolutePath()
                     << QString::number(dialog->fileMode()) << QString::number(dialog->acceptMode())
                     << dialog->defaultSuffix() << QString::number(dialog->isModal())
                     << QString::number(dialog->parentWidget() == &owner)
                     << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            // Typed into the name box: selectFile() leaves a focused box alone and the dialog would
            // take the folder. Tried again on every tick until the dialog has closed.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
            static_cast<QDialog*>(dialog)->accept(); // checks the choice as the OK button does
        });
        poll.start();
        FileDialog dialog;
        Configure(dialog, QStringLiteral("Marklog (*.stn)"));
        QCOMPARE(dialog.ShowSave(&owner), QDir::toNativeSeparators(file));
        poll.stop();
        QCOMPARE(seen, (QStringList{"Choose", "Marklog (*.stn)", QDir(m_f->dir.path()).absolutePath(),
                                    QString::number(QFileDialog::AnyFile), QString::number(QFileDialog::AcceptSave),
                                    "stn", "1", "1", "0"}));
        QCOMPARE(RememberedFolder(), QDir::toNativeSeparators(m_f->dir.path() + QLatin1Char('/')));
    }

    // Every control of every window is announced by a name in the current language, never by its
    // objectName, read through Qt's accessibility interfaces. A language switch changes the names;
    // a menu reads as its caption; labels that show a value announce the value.
    void accessibleNames() {
        QVERIFY(m_f->LoadRecords("1;12\r\n2;7\r\n3;12\r\n"));
        m_f->Trigger("mnuExtras_LapCounter");
        m_f->Trigger("mnuExtras_Display");
        frmAbout about(m_f->window);
        frmPort port(m_f->window);
        port.Form_Load();
        auto* lapCounter = m_f->window->findChild<frmLapcounter*>();
        auto* display = m_f->window->findChild<frmDisplay*>();
        QSet<QWidget*> checked;
        for (QWidget* window : QList<QWidget*>{m_f->window, lapCounter, display, &about, &port}) {
            ApplyAccessibleNames(window);
            for (QWidget* control : window->findChildren<QWidget*>()) {
                const QString objectName = control->objectName();
                if (objectName.isEmpty() || objectName.startsWith(QLatin1String("qt_")) || checked.contains(control))
                    continue;
                // Plain lines and boxes that only decorate carry nothing to announce.
                if (control->metaObject() == &QFrame::staticMetaObject && control->findChildren<QWidget*>().isEmpty())
                    continue;
                const QString where = window->objectName() + QLatin1Char('/') + objectName;
                const QString name = Spoken(control);
                QVERIFY2(name != objectName, qPrintable(where + QStringLiteral(" is announced by its objectName")));
                // An empty label (no bib shown yet, no status message) is described instead.
                if (qobject_cast<QLabel*>(control) && name.isEmpty())
                    QVERIFY2(!Spoken(control, QAccessible::Description).isEmpty(), qPrintable(where));
                else
                    QVERIFY2(!name.trimmed().isEmpty(), qPrintable(where + QStringLiteral(" has no accessible name")));
                QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(where + QStringLiteral(" keeps an access key")));
                checked.insert(control);
            }
        }
        QVERIFY2(checked.size() >= 40, qPrintable(QString::number(checked.size()))); // the windows were searched

        QStringList names;
        for (const char* language : {"en", "de"}) {
            QVERIFY(gLanguage->SetLanguage(QLatin1String(language)));
            ApplyAccessibleNames(m_f->window);
            names << Spoken(Control(m_f->window, "txtEnter"));
            QCOMPARE(Spoken(Control(m_f->window, "mnuFile")), GetText(QStringLiteral("GEN_MNU_FILE")).remove('&'));
        }
        QVERIFY(names[0] != names[1]);
        // Members of a control array are told apart by their index.
        QVERIFY(Spoken(Control(lapCounter, "txtLapCount", 0)) != Spoken(Control(lapCounter, "txtLapCount", 1)));

        QWidget* records = Control(m_f->window, "StatusBar_Panel1");
        QCOMPARE(Spoken(records), m_f->Panel(1)); // "Records: 3" is read, not a fixed caption
        QVERIFY(m_f->Panel(1).contains(QLatin1Char('3')) && !Spoken(records, QAccessible::Description).isEmpty());
        display->ShowBib(QStringLiteral("42"));
        QCOMPARE(Spoken(Control(display, "lblBib")), QStringLiteral("42"));
        QVERIFY(!Spoken(Control(display, "lblBib"), QAccessible::Description).isEmpty());
    }

private:
    QStringList m_opened;
    DocumentOpener m_previousOpener;
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestSupportWindows)
#include "tst_gui_support.moc"
