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

    // Names are texts of the current language: a switch changes them; a menu reads as its caption.
    void namesFollowLanguage() {
        const char* controls[] = {"txtEnter", "Client.Grid", "Grid.Grid", "cmdDelete"};
        OpenAllWindows();
        QStringList english;
        for (const char* language : {"en", "de"}) {
            QVERIFY(gLanguage->SetLanguage(QLatin1String(language)));
            ApplyAccessibleNames(m_f->window);
            for (const char* control : controls) {
                const QString name = Name(Control(QStringLiteral("frmMain"), QLatin1String(control)));
                QVERIFY2(*language == 'e' || !english.contains(name), control);
                english << name;
            }
            QCOMPARE(Name(Control(QStringLiteral("frmMain"), QStringLiteral("mnuFile"))),
                     GetText(QStringLiteral("GEN_MNU_FILE")).remove(QLatin1Char('&')));
        }
        // Members of a control array are told apart by their index.
        QVERIFY(Name(Control(QStringLiteral("frmLapcounter"), QStringLiteral("txtLapCount"), 0)) !=
                Name(Control(QStringLiteral("frmLapcounter"), QStringLiteral("txtLapCount"), 1)));
    }

    void labelsKeepTheirValue() {
        OpenAllWindows();
        QVERIFY(gLanguage->SetLanguage(QStringLiteral("en")));
        ApplyAccessibleNames(m_f->window);
        auto* records = qobject_cast<QLabel*>(Control(QStringLiteral("frmMain"), QStringLiteral("StatusBar_Panel1")));
        QVERIFY(records);
        QCOMPARE(Name(records), records->text()); // "Records: 3" is read, not a fixed caption
        QVERIFY(records->text().contains(QLatin1Char('3')));
        QVERIFY(!Description(records).isEmpty());

        // The scan display announces the bib it shows.
        auto* display = qobject_cast<frmDisplay*>(Window(QStringLiteral("frmDisplay")));
        QVERIFY(display);
        ApplyAccessibleNames(display);
        display->ShowBib(QStringLiteral("42"));
        QWidget* bib = Control(QStringLiteral("frmDisplay"), QStringLiteral("lblBib"));
        QCOMPARE(Name(bib), QStringLiteral("42"));
        QVERIFY(!Description(bib).isEmpty());
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
