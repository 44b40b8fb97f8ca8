#include "LapTestData.h"
#include "base/Settings.h"
#include "lapcounter/LapListModel.h"
#include "lapcounter/frmLapcounter.h"

#include "GuiFixture.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QListView>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>

#include <functional>
#include <memory>

namespace {

// One field of the control array, found by its "index" property.
QLineEdit* Field(const QWidget& window, int index) {
    for (QLineEdit* field : window.findChildren<QLineEdit*>(QStringLiteral("txtLapCount")))
        if (field->property("index").toInt() == index)
            return field;
    qFatal("txtLapCount(%d) not found", index);
}
QListView* List(QWidget& window) {
    return Find<QListView>(&window, "List1");
}
QStringList Lines(QWidget& window) {
    QStringList lines;
    const QAbstractItemModel* model = List(window)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines.append(model->index(row, 0).data().toString());
    return lines;
}
QStringList WithHeading(const QStringList& body, bool remainingColumn = false) {
    return QStringList{remainingColumn ? "Bib\t\tLaps\t\tRemaining" : "Bib\t\tLaps", QString(106, QLatin1Char('-'))} +
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
        m_f = std::make_unique<GuiFixture>();
        m_f->UseLanguage();
        m_records = std::make_unique<clsFile>();
        // Stands in for the main window: the entry box the lap counter hands the focus back to.
        m_main = std::make_unique<QWidget>();
        m_entry = new QLineEdit(m_main.get());
        m_main->setGeometry(600, 40, 240, 60);
    }
    void cleanup() {
        m_tester.reset();
        m_main.reset();
        m_records.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // An operator's session (in German): the fields show the numeric value of their settings; a field
    // refreshes only when left changed, check boxes, Enter and Reset refresh, and each hands the keyboard
    // back to the main window's entry box; closing stores the fields' numbers as in every locale and the
    // check boxes. What the lines hold is the counting test's.
    void operatorSession() {
        const auto restore = qScopeGuard([previous = QLocale()] { QLocale::setDefault(previous); });
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        WriteSetting(QStringLiteral("LC_Laps"), QStringLiteral("8 laps"));
        WriteSetting(QStringLiteral("LC_Auto"), QStringLiteral("true")); // only "1" checks
        auto window = MakeWindow({4, 4, 6});
        m_main->show();
        QVERIFY(ShowActive(*window));
        QLineEdit* target = Field(*window, 0);
        QLineEdit* minimum = Field(*window, 1);
        auto* descending = Find<QCheckBox>(window.get(), "chkDescending");
        auto* automatic = Find<QCheckBox>(window.get(), "chkAuto");
        QVERIFY(m_records->AddBib(42)); // not shown until the next refresh

        // Left unchanged, or changed only in case: no refresh, the focus stays in the window.
        target->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(target->selectedText(), QStringLiteral("8"));
        minimum->setText(QStringLiteral("0e0"));
        minimum->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(minimum->hasFocus());
        minimum->setText(QStringLiteral("0E0"));
        QTest::keyClick(minimum, Qt::Key_Tab);
        QTRY_VERIFY(automatic->hasFocus());
        QCOMPARE(Lines(*window), WithHeading({Line(6, 1, "7"), Line(4, 2, "6")}, true));
        QCOMPARE(QApplication::activeWindow(), window.get());

        QVERIFY(HandsBack(*window, target, [&] { QTest::keyClicks(target, QStringLiteral("10\t")); })); // typed over
        QCOMPARE(Lines(*window).at(2), Line(42, 1, "9"));
        QVERIFY(HandsBack(*window, nullptr, [&] { Click(descending); }));
        QCOMPARE(Lines(*window).at(2), Line(4, 2, "8"));
        for (QWidget* control : {static_cast<QWidget*>(minimum), static_cast<QWidget*>(List(*window))}) {
            QVERIFY(m_records->AddBib(6));
            QVERIFY(HandsBack(*window, control, [&] { QTest::keyClick(control, Qt::Key_Return); }));
            QVERIFY(Lines(*window).contains(Line(6, m_records->Count() - 3, QString::number(13 - m_records->Count()))));
        }

        // Reset counts only later records; without automatic refresh a passage shows nothing.
        QVERIFY(HandsBack(*window, nullptr,
                          [&] { QTest::mouseClick(Find<QPushButton>(window.get(), "cmdReset"), Qt::LeftButton); }));
        QVERIFY(m_records->AddBib(7));
        window->RecordsChanged();
        QCOMPARE(Lines(*window), WithHeading({}, true));
        QVERIFY(HandsBack(*window, nullptr, [&] { Click(automatic); }));
        QCOMPARE(Lines(*window), WithHeading({Line(7, 1, "9")}, true));
        QVERIFY(m_records->AddBib(4));
        Click(automatic); // unchecking keeps the list as it is
        QCOMPARE(Lines(*window), WithHeading({Line(7, 1, "9")}, true));

        // A faulty field is reported once, and the lines made before the failure stay.
        minimum->setText(QStringLiteral("1e999"));
        window->cmdRequery_Click();
        QCOMPARE(m_f->messages.shown().size(), 1);
        QCOMPARE(Lines(*window), WithHeading({}, true));
        m_f->messages.clear();

        // Closing stores the settings and forgets the reset: a new window counts every record.
        target->setText(QStringLiteral("2,5"));
        minimum->setText(QStringLiteral("3 Runden"));
        QSignalSpy unloaded(window.get(), &frmLapcounter::Unload);
        window->close();
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(window->FirstCountedID(), 0);
        QStringList saved;
        for (const char* key : {"LC_Laps", "LC_LapsMin", "LC_Auto", "LC_Descending"})
            saved << ReadSetting(QLatin1String(key)).toString();
        QCOMPARE(saved, (QStringList{"2.5", "3", "0", "1"}));
        window = MakeWindow({});
        QCOMPARE(Field(*window, 0)->text(), QStringLiteral("2,5"));
        QCOMPARE(Lines(*window), WithHeading({Line(6, 3, "-0,5"), Line(4, 3, "-0,5")}, true));

        // A reset while no file is open (the last one closed) counts everything of the file opened next.
        QVERIFY(m_records->CloseFile());
        QTest::mouseClick(Find<QPushButton>(window.get(), "cmdReset"), Qt::LeftButton);
        QVERIFY(OpenRecords(*m_records, m_f->path(QStringLiteral("next.stn")), {9, 5, 9}));
        Field(*window, 1)->setText(QStringLiteral("0"));
        window->cmdRequery_Click();
        QCOMPARE(Lines(*window), WithHeading({Line(9, 2, "0,5"), Line(5, 1, "1,5")}, true));
    }

    // With automatic refresh on, each passage moves, adds or drops one line of the list, never
    // resetting it, and the list ends as a refresh would make it.
    void passagesMoveSingleLines_data() {
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("minimum");
        QTest::newRow("descending, minimum 3") << true << "3";
        QTest::newRow("ascending, minimum 2,5") << false << "2,5";
    }
    void passagesMoveSingleLines() {
        QFETCH(bool, descending);
        QFETCH(QString, minimum);
        auto window = MakeWindow({4, 4, 9});
        Field(*window, 0)->setText(QStringLiteral("5"));
        Field(*window, 1)->setText(minimum);
        Find<QCheckBox>(window.get(), "chkDescending")->setChecked(descending);
        Find<QCheckBox>(window.get(), "chkAuto")->setChecked(true);
        window->cmdRequery_Click();
        QVERIFY(ShowActive(*window));
        QScrollBar* scroll = List(*window)->verticalScrollBar();
        QSignalSpy resets(List(*window)->model(), &QAbstractItemModel::modelReset);
        QRandomGenerator random(7);
        int scrolledAt = 0;
        for (int passage = 0; passage < 300; ++passage) {
            QVERIFY(m_records->AddBib(qint32(random.bounded(-1, 60))));
            window->RecordsChanged();
            if (passage == 200) {
                scroll->setValue(scroll->maximum() / 2);
                scrolledAt = scroll->value();
            }
        }
        QCOMPARE(resets.count(), 0);
        QCOMPARE(scroll->value(), scrolledAt); // the passages kept the list where the operator scrolled it
        const QStringList moved = Lines(*window);
        window->cmdRequery_Click(); // the reference: every line made anew
        QCOMPARE(moved, Lines(*window));

        // A list out of step with the standings is made anew at the next passage.
        const qint32 listed = Lines(*window).at(2).section(QLatin1Char('\t'), 0, 0).toInt();
        qobject_cast<LapListModel*>(List(*window)->model())->SetList(LapList{});
        QVERIFY(m_records->AddBib(listed));
        window->RecordsChanged();
        const QStringList rebuilt = Lines(*window);
        window->cmdRequery_Click();
        QCOMPARE(rebuilt, Lines(*window));
    }

private:
    // In the active lap counter, with the focus on `control` (its text selected), does an operator's
    // action; true once the keyboard is back in the main window's entry box.
    bool HandsBack(QWidget& window, QWidget* control, const std::function<void()>& action) {
        if (!ShowActive(window))
            return false;
        if (control) {
            control->setFocus(Qt::TabFocusReason);
            auto* field = qobject_cast<QLineEdit*>(control);
            if (!QTest::qWaitFor([&] { return control->hasFocus() && (!field || field->hasSelectedText()); }))
                return false;
        }
        action();
        return QTest::qWaitFor([this] { return m_entry->hasFocus(); });
    }
    // A record file holding these bibs (IDs 1 to n) and a loaded lap counter reading it.
    std::unique_ptr<frmLapcounter> MakeWindow(const QVector<qint32>& bibs) {
        if (m_records->FileName().isEmpty() && !OpenRecords(*m_records, m_f->path(), bibs))
            qWarning("the record file did not open");
        auto window = std::make_unique<frmLapcounter>(*m_records);
        connect(window.get(), &frmLapcounter::HandFocusBack, m_entry, [this] {
            m_main->activateWindow();
            m_entry->setFocus();
        });
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        m_tester = std::make_unique<QAbstractItemModelTester>(List(*window)->model(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        window->Form_Load();
        return window;
    }

    std::unique_ptr<GuiFixture> m_f; // English captions
    std::unique_ptr<clsFile> m_records;
    std::unique_ptr<QWidget> m_main;
    QLineEdit* m_entry = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestGuiLapcounter)
#include "tst_gui_lapcounter.moc"
