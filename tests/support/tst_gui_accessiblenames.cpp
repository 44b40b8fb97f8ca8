#include "display/frmDisplay.h"
#include "lapcounter/frmLapcounter.h"
#include "recording/frmPort.h"
#include "support/AccessibleNames.h"
#include "support/frmAbout.h"

#include "GuiFixture.h"

#include <QAccessible>
#include <QFrame>
#include <QSet>

#include <memory>

// What a screen reader announces for the controls of every window: a name in the current
// language (never the control's objectName), read through Qt's accessibility interfaces.
class TestAccessibleNames : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        m_about.reset();
        m_port.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void everyControlIsNamed() {
        const QList<QWidget*> windows = OpenAllWindows();
        QVERIFY(!windows.contains(nullptr));
        QSet<QWidget*> checked;
        for (QWidget* window : windows) {
            for (QWidget* control : window->findChildren<QWidget*>()) {
                const QString objectName = control->objectName();
                if (objectName.isEmpty() || objectName.startsWith(QLatin1String("qt_")) || checked.contains(control))
                    continue;
                // Plain lines and boxes that only decorate carry nothing to announce.
                if (control->metaObject() == &QFrame::staticMetaObject && control->findChildren<QWidget*>().isEmpty())
                    continue;
                const QString where = window->objectName() + QLatin1Char('/') + objectName;
                const QString name = Name(control);
                QVERIFY2(name != objectName, qPrintable(where + QStringLiteral(" is announced by its objectName")));
                // An empty label (no bib shown yet, no status message) is described instead.
                if (qobject_cast<QLabel*>(control) && name.isEmpty())
                    QVERIFY2(!Description(control).isEmpty(), qPrintable(where));
                else
                    QVERIFY2(!name.trimmed().isEmpty(), qPrintable(where + QStringLiteral(" has no accessible name")));
                QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(where + QStringLiteral(" keeps an access key")));
                checked.insert(control);
            }
        }
        QVERIFY2(checked.size() >= 40, qPrintable(QString::number(checked.size()))); // the windows were searched
    }

    void namesFollowLanguage() {
        struct Case {
            const char *window, *control;
            int index;
            QString english, german;
        };
        const Case cases[] = {
            {"frmMain", "txtEnter", -1, "Bib number", "Startnummer"},
            {"frmMain", "mnuFile", -1, "File", "Datei"}, // caption without its access key
            {"frmMain", "Client.Grid", -1, "Record grid", "Datensatztabelle"},
            {"frmMain", "Grid.Grid", -1, "Records", "Datensätze"}, // grid table of the same name
            {"frmMain", "cmdDelete", -1, "Delete record", "Datensatz löschen"},
            {"frmLapcounter", "txtLapCount", 0, "Lap target", "Rundenvorgabe"},
            {"frmLapcounter", "txtLapCount", 1, "Minimum laps", "Mindestrunden"},
            {"frmPort", "cmdCommand", 1, "Cancel", "Abbrechen"},
        };
        OpenAllWindows();
        for (const char* language : {"en", "de"}) {
            QVERIFY(gLanguage->SetLanguage(QLatin1String(language)));
            for (const Case& c : cases) {
                ApplyAccessibleNames(Window(QLatin1String(c.window)));
                QWidget* widget = Control(QLatin1String(c.window), QLatin1String(c.control), c.index);
                QVERIFY2(widget, c.control);
                QCOMPARE(Name(widget), *language == 'e' ? c.english : c.german);
            }
        }
    }

    void labelsKeepTheirValue() {
        OpenAllWindows();
        QVERIFY(gLanguage->SetLanguage(QStringLiteral("en")));
        ApplyAccessibleNames(m_f->window);
        auto* records = qobject_cast<QLabel*>(Control(QStringLiteral("frmMain"), QStringLiteral("StatusBar_Panel1")));
        QVERIFY(records);
        QCOMPARE(Name(records), records->text()); // "Records: 3" is read, not a fixed caption
        QVERIFY(records->text().contains(QLatin1Char('3')));
        QCOMPARE(Description(records), QStringLiteral("Number of records in the open file"));

        // The scan display announces the bib it shows.
        auto* display = qobject_cast<frmDisplay*>(Window(QStringLiteral("frmDisplay")));
        QVERIFY(display);
        ApplyAccessibleNames(display);
        display->ShowBib(QStringLiteral("42"));
        QWidget* bib = Control(QStringLiteral("frmDisplay"), QStringLiteral("lblBib"));
        QCOMPARE(Name(bib), QStringLiteral("42"));
        QCOMPARE(Description(bib), QStringLiteral("Last recorded bib"));
    }

private:
    // The main window with a record file, the lap counter, the scan display, the about window and
    // the port dialog, each with its names applied.
    QList<QWidget*> OpenAllWindows();
    static QWidget* Window(const QString& name);
    static QWidget* Control(const QString& window, const QString& path, int index = -1);
    static QString Name(QWidget* control);
    static QString Description(QWidget* control);

    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<frmAbout> m_about;
    std::unique_ptr<frmPort> m_port;
};

QList<QWidget*> TestAccessibleNames::OpenAllWindows() {
    m_f->LoadRecords("1;12\r\n2;7\r\n3;12\r\n");
    frmMain* main = m_f->window;
    main->findChild<QAction*>(QStringLiteral("mnuExtras_LapCounter"))->trigger();
    main->findChild<QAction*>(QStringLiteral("mnuExtras_Display"))->trigger();
    m_about = std::make_unique<frmAbout>(main);
    m_port = std::make_unique<frmPort>(main);
    m_port->Form_Load();
    const QList<QWidget*> windows{main, main->findChild<frmLapcounter*>(), main->findChild<frmDisplay*>(),
                                  m_about.get(), m_port.get()};
    for (QWidget* window : windows) {
        if (window)
            ApplyAccessibleNames(window);
    }
    return windows;
}

QWidget* TestAccessibleNames::Window(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name)
            return window;
    }
    return nullptr;
}

// path: "control" or "parent.control".
QWidget* TestAccessibleNames::Control(const QString& window, const QString& path, int index) {
    const QStringList parts = path.split(QLatin1Char('.'));
    QWidget* host = Window(window);
    if (host && parts.size() == 2)
        host = host->findChild<QWidget*>(parts[0]);
    if (!host)
        return nullptr;
    for (QWidget* control : host->findChildren<QWidget*>(parts.last())) {
        if (parts.size() == 2 && control->parentWidget() != host)
            continue;
        if (index < 0 || control->property("index").toInt() == index)
            return control;
    }
    return nullptr;
}

QString TestAccessibleNames::Name(QWidget* control) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

QString TestAccessibleNames::Description(QWidget* control) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(QAccessible::Description) : QString();
}

QTEST_MAIN(TestAccessibleNames)
#include "tst_gui_accessiblenames.moc"
