#include "app/Settings.h"
#include "app/Twips.h"
#include "lang/clsLanguage.h"
#include "lapcounter/LapcounterLayout.h"
#include "lapcounter/TabStopDelegate.h"
#include "lapcounter/frmLapcounter.h"
#include "records/StnFormat.h"
#include "records/clsFile.h"

#include "GuiTestHelpers.h"
#include "TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>

#include <memory>

namespace {

const QString kSeparator(106, QLatin1Char('-'));

// Stands in for the main window: the entry box the lap counter hands the focus back to.
class MainStandIn : public QWidget {
public:
    MainStandIn() {
        entry = new QLineEdit(this);
        entry->setObjectName(QStringLiteral("txtEnter"));
        entry->setGeometry(10, 10, 200, 30);
        resize(240, 60);
        move(600, 40);
    }
    QLineEdit* entry = nullptr;
};

// One control of a control array, found by its "index" property.
template <typename Widget> Widget* Indexed(const QWidget& window, const char* name, int index) {
    for (Widget* control : window.findChildren<Widget*>(QLatin1String(name)))
        if (control->property("index").toInt() == index)
            return control;
    return nullptr;
}
QLineEdit* Field(const QWidget& window, int index) {
    return Indexed<QLineEdit>(window, "txtLapCount", index);
}
template <typename Widget> Widget* Control(const QWidget& window, const char* name) {
    return window.findChild<Widget*>(QLatin1String(name));
}
QListView* List(const QWidget& window) {
    return Control<QListView>(window, "List1");
}

QStringList Lines(const QWidget& window) {
    QStringList lines;
    const QAbstractItemModel* model = List(window)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines.append(model->index(row, 0).data().toString());
    return lines;
}

QString Line(qint32 bib, qint32 laps, const QString& remaining = QString()) {
    QString line = QString::number(bib) + QStringLiteral("\t\t") + QString::number(laps);
    if (!remaining.isEmpty())
        line += QStringLiteral("\t\t") + remaining;
    return line;
}

QStringList WithHeading(const QStringList& body, bool remainingColumn = false) {
    return QStringList{remainingColumn ? QStringLiteral("Bib\t\tLaps\t\tRemaining") : QStringLiteral("Bib\t\tLaps"),
                       kSeparator} +
           body;
}

// Clicks a check box on its box, which takes the click whatever its caption.
void Click(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

bool ShowActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    return QTest::qWaitForWindowActive(&widget);
}

} // namespace

class TestGuiLapcounter : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_env = std::make_unique<IsolatedEnvironment>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_language = std::make_unique<ScopedLanguage>();
        m_records = std::make_unique<clsFile>();
        m_main = std::make_unique<MainStandIn>();
    }

    void cleanup() {
        QVERIFY2(m_messages->shown().isEmpty(), qPrintable(m_messages->lastText()));
        m_tester.reset();
        m_main.reset();
        m_records.reset();
        m_language.reset();
        m_messages.reset();
        m_env.reset();
    }

    void settingsRoundTrip_data() {
        QTest::addColumn<QStringList>("stored"); // LC_Laps, LC_LapsMin, LC_Auto, LC_Descending; "-" = missing
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("autoRefresh");
        QTest::addColumn<bool>("descending");

        QTest::newRow("missing") << QStringList{"-", "-", "-", "-"} << QStringList{"0", "0"} << false << false;
        QTest::newRow("numbers from texts")
            << QStringList{"10 laps", " 2", "1", "1"} << QStringList{"10", "2"} << true << true;
        QTest::newRow("only 1 checks") << QStringList{"abc", "", "true", "01"} << QStringList{"0", "0"} << false
                                       << false;
        QTest::newRow("fraction") << QStringList{"2.5", "1 5", "0", "1"} << QStringList{"2.5", "15"} << false << true;
    }

    void settingsRoundTrip() {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, fields);
        QFETCH(bool, autoRefresh);
        QFETCH(bool, descending);

        const QStringList keys{"LC_Laps", "LC_LapsMin", "LC_Auto", "LC_Descending"};
        for (int i = 0; i < keys.size(); ++i)
            if (stored[i] != QLatin1String("-"))
                WriteSetting(keys[i], stored[i]);

        auto window = MakeWindow({3, 3});
        window->Form_Load();
        QCOMPARE(Field(*window, 0)->text(), fields[0]);
        QCOMPARE(Field(*window, 1)->text(), fields[1]);
        QCOMPARE(window->AutoRefresh(), autoRefresh);
        QCOMPARE(Control<QCheckBox>(*window, "chkDescending")->isChecked(), descending);

        // What the fields hold is stored by its numeric value, the check boxes as "1" or "0".
        Field(*window, 0)->setText(QStringLiteral("12abc"));
        Field(*window, 1)->setText(QString());
        Control<QCheckBox>(*window, "chkAuto")->setChecked(!autoRefresh);
        QSignalSpy unloaded(window.get(), &frmLapcounter::Unload);
        window->close();
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(ReadSetting(QStringLiteral("LC_Laps")).toString(), QStringLiteral("12"));
        QCOMPARE(ReadSetting(QStringLiteral("LC_LapsMin")).toString(), QStringLiteral("0"));
        QCOMPARE(ReadSetting(QStringLiteral("LC_Auto")).toString(), CheckBoxValue(!autoRefresh));
        QCOMPARE(ReadSetting(QStringLiteral("LC_Descending")).toString(), CheckBoxValue(descending));
        QVERIFY(ReadSetting(QStringLiteral("WndPos_frmLapcounter")).toString().startsWith(QLatin1String("2;")));
    }

    void changedFieldRefreshesWhenLeft() {
        auto window = MakeWindow({4, 4, 6});
        window->Form_Load();
        m_main->show();
        QVERIFY(ShowActive(*window));
        QLineEdit* target = Field(*window, 0);
        QLineEdit* minimum = Field(*window, 1);

        target->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(target->selectedText(), QStringLiteral("0"));
        QVERIFY(m_records->AddBib(42)); // not shown until the next refresh

        // Left unchanged: no refresh, the focus stays here.
        minimum->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(minimum->hasFocus());
        QCOMPARE(Lines(*window), WithHeading({Line(6, 1), Line(4, 2)}));
        QCOMPARE(QApplication::activeWindow(), window.get());

        // Changed only in case: no refresh either.
        target->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(target->hasFocus());
        minimum->setText(QStringLiteral("0e0"));
        minimum->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(minimum->hasFocus());
        minimum->setText(QStringLiteral("0E0"));
        QTest::keyClick(minimum, Qt::Key_Tab);
        QTRY_VERIFY(Control<QCheckBox>(*window, "chkAuto")->hasFocus());
        QCOMPARE(Lines(*window).size(), 4);

        // Typed over (the whole text is selected on focus) and left with Tab: refresh, focus to the main window.
        target->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(target->selectedText(), QStringLiteral("0"));
        QTest::keyClicks(target, QStringLiteral("10"));
        QCOMPARE(target->text(), QStringLiteral("10"));
        QTest::keyClick(target, Qt::Key_Tab);
        QCOMPARE(Lines(*window), WithHeading({Line(42, 1, "9"), Line(6, 1, "9"), Line(4, 2, "8")}, true));
        QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
        QTRY_VERIFY(m_main->entry->hasFocus());
    }

    void resetCountsOnlyLaterRecords() {
        auto window = MakeWindow({5, 7, 7});
        window->Form_Load();
        m_main->show();
        QVERIFY(ShowActive(*window));

        QTest::mouseClick(Control<QPushButton>(*window, "cmdReset"), Qt::LeftButton);
        QCOMPARE(window->FirstCountedID(), 4);
        QCOMPARE(Lines(*window), WithHeading({}));
        QTRY_VERIFY(m_main->entry->hasFocus());

        // The main window refreshes after recording only while automatic refresh is on.
        QVERIFY(m_records->AddBib(7));
        if (window->AutoRefresh())
            window->cmdRequery_Click();
        QCOMPARE(Lines(*window), WithHeading({}));
        QVERIFY(ShowActive(*window));
        Click(Control<QCheckBox>(*window, "chkAuto"));
        QVERIFY(window->AutoRefresh());
        QCOMPARE(Lines(*window), WithHeading({Line(7, 1)}));
        QTRY_VERIFY(m_main->entry->hasFocus());

        // Unchecking keeps the list as it is.
        QVERIFY(m_records->AddBib(5));
        Click(Control<QCheckBox>(*window, "chkAuto"));
        QVERIFY(!window->AutoRefresh());
        QCOMPARE(Lines(*window), WithHeading({Line(7, 1)}));

        // Closing forgets the reset: a new window counts every record.
        window->close();
        QCOMPARE(window->FirstCountedID(), 0);
        auto reopened = MakeWindow({});
        reopened->Form_Load();
        QCOMPARE(Lines(*reopened), WithHeading({Line(5, 2), Line(7, 3)}));
    }

    void checkBoxesRefreshAndReturnFocus() {
        auto window = MakeWindow({5, 7, 7, 5, 9, 0});
        Field(*window, 0)->setText(QStringLiteral("3"));
        m_main->show();
        QVERIFY(ShowActive(*window));
        window->cmdRequery_Click();
        const QStringList ascending = WithHeading({Line(9, 1, "2"), Line(5, 2, "1"), Line(7, 2, "1")}, true);
        QCOMPARE(Lines(*window), ascending);

        QVERIFY(ShowActive(*window));
        Click(Control<QCheckBox>(*window, "chkDescending"));
        QCOMPARE(Lines(*window), WithHeading({Line(7, 2, "1"), Line(5, 2, "1"), Line(9, 1, "2")}, true));
        QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
        QTRY_VERIFY(m_main->entry->hasFocus());

        Field(*window, 1)->setText(QStringLiteral("2"));
        Click(Control<QCheckBox>(*window, "chkDescending"));
        QCOMPARE(Lines(*window), WithHeading({Line(5, 2, "1"), Line(7, 2, "1")}, true));
    }

    void enterRefreshes() {
        auto window = MakeWindow({8});
        window->Form_Load();
        m_main->show();
        for (const char* name : {"txtLapCount", "chkDescending", "List1"}) {
            QVERIFY(ShowActive(*window));
            QWidget* control = QLatin1String(name) == QLatin1String("txtLapCount") ? Field(*window, 1)
                                                                                   : Control<QWidget>(*window, name);
            control->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(control->hasFocus());
            QVERIFY(m_records->AddBib(8));
            QTest::keyClick(control, Qt::Key_Return);
            QCOMPARE(Lines(*window).last(), Line(8, m_records->Count()));
            QTRY_VERIFY(m_main->entry->hasFocus());
        }
    }

    // With automatic refresh on, each passage moves, adds or drops one line of the list, never
    // resetting it, and the list ends as a refresh would make it.
    void passagesMoveSingleLines_data() {
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("minimum");
        QTest::newRow("descending") << true << "0";
        QTest::newRow("ascending") << false << "0";
        QTest::newRow("descending, minimum 3") << true << "3";
        QTest::newRow("ascending, minimum 2,5") << false << "2,5";
    }

    void passagesMoveSingleLines() {
        QFETCH(bool, descending);
        QFETCH(QString, minimum);
        auto window = MakeWindow({4, 4, 9});
        Field(*window, 0)->setText(QStringLiteral("5"));
        Field(*window, 1)->setText(minimum);
        Control<QCheckBox>(*window, "chkDescending")->setChecked(descending);
        Control<QCheckBox>(*window, "chkAuto")->setChecked(true);
        window->cmdRequery_Click();
        QSignalSpy resets(List(*window)->model(), &QAbstractItemModel::modelReset);
        QRandomGenerator random(7);
        for (int passage = 0; passage < 120; ++passage) {
            QVERIFY(m_records->AddBib(qint32(random.bounded(-1, 12))));
            window->RecordsChanged();
        }
        QCOMPARE(resets.count(), 0);
        const QStringList moved = Lines(*window);
        window->cmdRequery_Click();
        QCOMPARE(moved, Lines(*window));
    }

    void faultyTargetIsReported() {
        auto window = MakeWindow({2, 3});
        window->Form_Load();
        Field(*window, 1)->setText(QStringLiteral("1e999"));
        window->cmdRequery_Click();
        QCOMPARE(m_messages->shown().size(), 1);
        QCOMPARE(Lines(*window), WithHeading({})); // the lines made before the failure stay
        QVERIFY(FileBytes(m_env->logFile()).contains("ERROR: "));
        m_messages->clear();
    }

    void captions_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expectedText"); // title, buttons, check boxes, labels, heading; split at '|'
        QTest::newRow("en") << "en"
                            << QStringLiteral("Lap counter|Refresh|Reset|Refresh automatically|Most laps first|"
                                              "Lap target:|Minimum laps:|Bib\t\tLaps\t\tRemaining");
        QTest::newRow("de") << "de"
                            << QStringLiteral("Rundenzähler|Aktualisieren|Zurücksetzen|Automatisch aktualisieren|"
                                              "Meiste Runden zuerst|Rundenvorgabe:|Mindestrunden:|"
                                              "Startnr.\t\tRunden\t\tVerbleibend");
    }

    void captions() {
        QFETCH(QString, language);
        QFETCH(QString, expectedText);
        const QStringList expected = expectedText.split(QLatin1Char('|'));

        WriteSetting(QStringLiteral("LC_Laps"), QStringLiteral("5"));
        auto window = MakeWindow({1});
        window->Form_Load();
        QVERIFY(m_language->language().SetLanguage(language));
        window->SetCaptions();
        const QStringList shown{window->windowTitle(),
                                Control<QPushButton>(*window, "cmdRequery")->text(),
                                Control<QPushButton>(*window, "cmdReset")->text(),
                                Control<QCheckBox>(*window, "chkAuto")->text(),
                                Control<QCheckBox>(*window, "chkDescending")->text(),
                                Indexed<QLabel>(*window, "lblLapcount", 0)->text(),
                                Indexed<QLabel>(*window, "lblLapcount", 1)->text()};
        QCOMPARE(shown, expected.mid(0, 7));
        // The list heading follows the language at the next refresh.
        QCOMPARE(Lines(*window).first(), QStringLiteral("Bib\t\tLaps\t\tRemaining"));
        window->cmdRequery_Click();
        QCOMPARE(Lines(*window).first(), expected[7]);
    }

    void tabStopsLineUpColumns() {
        auto window = MakeWindow({});
        QListView* list = List(*window);
        auto* delegate = qobject_cast<TabStopDelegate*>(list->itemDelegate());
        QVERIFY(delegate);
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.font = list->font();
        option.fontMetrics = QFontMetrics(list->font());
        const int tabStop = TabStopDelegate::TabStopDistance(option.fontMetrics);
        QVERIFY(tabStop > option.fontMetrics.horizontalAdvance(QStringLiteral("99999")));

        // Texts narrower than a tab stop move the next column to the same place.
        auto widthOf = [&](const QString& line) {
            QStringListModel model({line});
            return delegate->sizeHint(option, model.index(0, 0)).width();
        };
        QCOMPARE(widthOf(QStringLiteral("5\t\t2")), widthOf(QStringLiteral("12345\t\t2")));
        QCOMPARE(widthOf(QStringLiteral("5\t\t2\t\t7")), widthOf(QStringLiteral("9999\t\t10\t\t7")));
        QVERIFY(widthOf(QStringLiteral("5\t\t2")) > 2 * tabStop);
    }

    void layout_data() {
        QTest::addColumn<QSizeF>("inner");
        QTest::addColumn<QList<double>>("expected");
        // List1 height, width; txtLapCount 0, 1 tops; cmdReset top; button width; cmdReset left; field width
        QTest::newRow("design") << QSizeF(5415, 6045)
                                << QList<double>{4700, 5305, 5275, 5660, 4850, 2587.5, 2767.5, 502.5};
        QTest::newRow("wide") << QSizeF(10000, 6045) << QList<double>{4700, 9890, 5275, 5660, 4850, 4880, 5060, 2795};
        QTest::newRow("narrow") << QSizeF(600, 3000) << QList<double>{1655, 490, 2230, 2615, 1805, 180, 360, 250};
        QTest::newRow("very narrow") << QSizeF(200, 3000) << QList<double>{1655, 90, 2230, 2615, 1805, 1, 181, 250};
        // Too low for the bottom rows: both fields stop at top 1, the list keeps its previous height.
        QTest::newRow("very low") << QSizeF(5415, 500)
                                  << QList<double>{4700, 5305, 1, 115, -424, 2587.5, 2767.5, 502.5};
        QTest::newRow("tiny") << QSizeF(100, 100) << QList<double>{4700, 5305, 1, 1, -424, 1, 181, 250};
    }

    void layout() {
        QFETCH(QSizeF, inner);
        QFETCH(QList<double>, expected);
        LapcounterLayout layout;
        ArrangeLapcounterLayout(layout, inner.width(), inner.height());
        const QList<double> actual{layout.List1.height,       layout.List1.width,         layout.txtLapCount[0].top,
                                   layout.txtLapCount[1].top, layout.cmdReset.top,        layout.cmdRequery.width,
                                   layout.cmdReset.left,      layout.txtLapCount[0].width};
        QCOMPARE(actual, expected);
        // What follows the fields and the buttons.
        QCOMPARE(layout.lblLapcount[0].top, layout.txtLapCount[0].top + 30);
        QCOMPARE(layout.lblLapcount[1].top, layout.txtLapCount[1].top + 30);
        QCOMPARE(layout.chkAuto.top, layout.txtLapCount[0].top);
        QCOMPARE(layout.chkDescending.top, layout.txtLapCount[1].top);
        QCOMPARE(layout.cmdRequery.top, layout.cmdReset.top);
        QCOMPARE(layout.chkAuto.left, layout.cmdReset.left);
        QCOMPARE(layout.chkDescending.left, layout.cmdReset.left);
        QCOMPARE(layout.txtLapCount[1].width, layout.txtLapCount[0].width);
        QCOMPARE(layout.cmdReset.width, layout.cmdRequery.width);
    }

    void designLayoutInPixels() {
        auto window = MakeWindow({});
        window->Form_Load();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(PixelsToTwipsX(window->width(), window.get()), kLapcounterDesignWidth);
        QCOMPARE(PixelsToTwipsY(window->height(), window.get()), kLapcounterDesignHeight);
        QCOMPARE(List(*window)->geometry(), QRect(4, 4, 354, 313)); // 60, 60, 5305 x 4700 twips
        QCOMPARE(Field(*window, 1)->geometry(), QRect(143, 377, 34, 22));

        // Shrunk below the bottom controls: the fields sit at the top, the list keeps its height.
        window->resize(40, 30);
        QTRY_COMPARE(window->size(), QSize(40, 30));
        QCOMPARE(Field(*window, 0)->y(), 0);
        QCOMPARE(Field(*window, 1)->y(), TwipsToPixelsY(450 - 325 - 60, window.get()));
        QCOMPARE(PixelsToTwipsY(List(*window)->height(), window.get()), 4695.0);
    }

private:
    // A record file holding these bibs (IDs 1 to n) and a lap counter reading it.
    std::unique_ptr<frmLapcounter> MakeWindow(const QVector<qint32>& bibs) {
        QVector<tBib> list;
        for (qint32 bib : bibs)
            list.append(tBib{0, bib});
        const QString path = m_env->path() + QStringLiteral("/race.stn");
        WriteBytes(path, FormatStn(list));
        if (m_records->FileName().isEmpty() && !m_records->OpenFile(path))
            qWarning("the record file did not open");
        auto window = std::make_unique<frmLapcounter>(*m_records, m_main.get());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        m_tester = std::make_unique<QAbstractItemModelTester>(List(*window)->model(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        return window;
    }

    std::unique_ptr<IsolatedEnvironment> m_env;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScopedLanguage> m_language; // English captions
    std::unique_ptr<clsFile> m_records;
    std::unique_ptr<MainStandIn> m_main;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestGuiLapcounter)
#include "tst_gui_lapcounter.moc"
