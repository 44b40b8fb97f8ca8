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

namespace {
QString Name(QWidget* control, QAccessible::Text kind = QAccessible::Name) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(kind) : QString();
}

// A control of a top-level window; for a member of a control array, the one with this index.
QWidget* Control(const char* window, const char* name, int index = -1) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String(window))
            for (QWidget* control : top->findChildren<QWidget*>(QLatin1String(name)))
                if (index < 0 || control->property("index").toInt() == index)
                    return control;
    qFatal("control %s/%s not found", window, name);
}
} // namespace

// What a screen reader announces for the controls of every window: a name in the current
// language (never the control's objectName), read through Qt's accessibility interfaces.
class TestAccessibleNames : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->LoadRecords("1;12\r\n2;7\r\n3;12\r\n");
        m_f->Trigger("mnuExtras_LapCounter");
        m_f->Trigger("mnuExtras_Display");
        m_about = std::make_unique<frmAbout>(m_f->window);
        m_port = std::make_unique<frmPort>(m_f->window);
        m_port->Form_Load();
        m_windows = {m_f->window, m_f->window->findChild<frmLapcounter*>(), m_f->window->findChild<frmDisplay*>(),
                     m_about.get(), m_port.get()};
        for (QWidget* window : m_windows)
            ApplyAccessibleNames(window);
    }
    void cleanup() {
        m_about.reset();
        m_port.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    void everyControlIsNamed() {
        QSet<QWidget*> checked;
        for (QWidget* window : m_windows) {
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
                    QVERIFY2(!Name(control, QAccessible::Description).isEmpty(), qPrintable(where));
                else
                    QVERIFY2(!name.trimmed().isEmpty(), qPrintable(where + QStringLiteral(" has no accessible name")));
                QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(where + QStringLiteral(" keeps an access key")));
                checked.insert(control);
            }
        }
        QVERIFY2(checked.size() >= 40, qPrintable(QString::number(checked.size()))); // the windows were searched
    }

    // Names are texts of the current language: a switch changes them; a menu reads as its caption;
    // labels that show a value announce the value.
    void namesFollowLanguageAndValues() {
        QStringList names;
        for (const char* language : {"en", "de"}) {
            QVERIFY(gLanguage->SetLanguage(QLatin1String(language)));
            ApplyAccessibleNames(m_f->window);
            names << Name(Control("frmMain", "txtEnter"));
            QCOMPARE(Name(Control("frmMain", "mnuFile")), GetText(QStringLiteral("GEN_MNU_FILE")).remove('&'));
        }
        QVERIFY(names[0] != names[1]);
        // Members of a control array are told apart by their index.
        QVERIFY(Name(Control("frmLapcounter", "txtLapCount", 0)) != Name(Control("frmLapcounter", "txtLapCount", 1)));

        QWidget* records = Control("frmMain", "StatusBar_Panel1");
        QCOMPARE(Name(records), m_f->Panel(1)); // "Records: 3" is read, not a fixed caption
        QVERIFY(m_f->Panel(1).contains(QLatin1Char('3')));
        QVERIFY(!Name(records, QAccessible::Description).isEmpty());
        m_f->window->findChild<frmDisplay*>()->ShowBib(QStringLiteral("42"));
        QWidget* bib = Control("frmDisplay", "lblBib");
        QCOMPARE(Name(bib), QStringLiteral("42"));
        QVERIFY(!Name(bib, QAccessible::Description).isEmpty());
    }

private:
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<frmAbout> m_about;
    std::unique_ptr<frmPort> m_port;
    QList<QWidget*> m_windows;
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_gui_accessiblenames.moc"
