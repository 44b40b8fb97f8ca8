#include "base/DateText.h"
#include "records/PrintBibs.h"

#include "GuiFixture.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimeZone>

// Race day in the window: the start, finish-time marks taken with the timekeeper's key while bibs
// are typed, the results exported and printed.
class TestGuiResults : public QObject {
    Q_OBJECT

private slots:
    void init() { m_f = std::make_unique<GuiFixture>(); }
    void cleanup() {
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText()));
        m_f.reset();
    }

    // The key takes a mark wherever the focus is and never types into the entry box; in a dialog's
    // text field it types as well. Each mark is on the disk when the window says so. The start
    // and laps from the dialog and from Start now; a mark without a record file is refused.
    void marksStartAndLaps() {
        FixedClock clock(QDateTime(QDate(2026, 5, 3), QTime(10, 42, 7, 315), QTimeZone(7200)));
        QVERIFY(m_f->LoadRecords("1;5\r\n"));
        m_f->Trigger("mnuExtras_Timer");
        QWidget* timer = Find<QWidget>(m_f->window, "frmTimer");
        auto* state = Find<QLabel>(timer, "lblState");
        const QString marks = m_f->path() + QStringLiteral(".marks");
        QTest::keyClicks(m_f->Entry(), QStringLiteral("1 2 3"));
        QCOMPARE(m_f->Entry()->text(), QStringLiteral("123"));
        QTest::keyClick(m_f->Entry(), Qt::Key_Return);
        m_f->ShowPassages();
        QCOMPARE(FileBytes(m_f->path()), QByteArray("1;5\r\n2;123\r\n"));
        QCOMPARE(FileBytes(marks),
                 QByteArray("1;2026-05-03T10:42:07.315+02:00\r\n2;2026-05-03T10:42:07.315+02:00\r\n"));
        QCOMPARE(state->text(), QStringLiteral("Mark 2 saved: 10:42:07.315"));
        QCOMPARE(Find<QLabel>(timer, "lblCount")->text(),
                 QStringLiteral("Marks: 2, passages: 2 - every passage has its mark"));
        clock.set(QDateTime(QDate(2026, 5, 3), QTime(10, 0), QTimeZone(7200)));
        QTest::mouseClick(Find<QPushButton>(timer, "cmdMark"), Qt::LeftButton);
        QCOMPARE(Find<QLabel>(timer, "lblCount")->text(),
                 QStringLiteral("Marks: 3, passages: 2 - 1 mark without a passage"));

        // The start and laps dialog: a blank typed into a start field reaches it, and takes a mark.
        QString typed;
        GuiFixture::OnModal([&typed](QWidget& dialog) {
            auto* start = dialog.findChildren<QLineEdit*>(QStringLiteral("txtStart")).value(0);
            auto* laps = dialog.findChildren<QLineEdit*>(QStringLiteral("txtLaps")).value(0);
            start->setFocus();
            QTest::keyClicks(start, QStringLiteral("2026-05-03T09:30:00+02:00 "));
            laps->clear();
            QTest::keyClicks(laps, QStringLiteral("2"));
            typed = start->text();
            QTest::keyClick(laps, Qt::Key_Return);
        });
        m_f->Trigger("mnuExtras_RaceSetup");
        QVERIFY(typed.endsWith(' '));
        QCOMPARE(FileBytes(marks).count('\n'), 4);
        QCOMPARE(FileBytes(m_f->path() + ".start"), QByteArray(";2026-05-03T09:30:00.000+02:00\r\n"));
        QCOMPARE(FileBytes(m_f->path() + ".laps"), QByteArray(";2\r\n"));
        // Start now: the moment of the command; the question's default answer starts nothing.
        m_f->messages.setNextAnswer(MsgAnswer::Yes);
        m_f->Trigger("mnuExtras_StartNow");
        QVERIFY(m_f->messages.shown().value(0).safeDefault && m_f->messages.lastText().contains("09:30:00.000"));
        QCOMPARE(FileBytes(m_f->path() + ".start"), QByteArray(";2026-05-03T10:00:00.000+02:00\r\n"));
        m_f->messages.clear();

        m_f->Trigger("mnuFile_Close");
        QTest::keyClick(timer, Qt::Key_Space);
        QCOMPARE(state->text(), GetText(QStringLiteral("MKL_TM_NOFILE")));
        QCOMPARE(FileBytes(marks).count('\n'), 4);
    }

    // The results through the menu, with a formula-like name defused; printed by category to a PDF
    // (no printer here), its name offered and ".pdf" added, ranked by the marks where they are.
    void resultsExportedAndPrinted() {
        WriteBytes(m_f->path() + ".startlist.csv",
                   "bib,name,category\n5,\"=Ann \"\"A\"\", B\",W40\n7,Bob,M\n9,Cid,M\n");
        WriteBytes(m_f->path() + ".start", ";2026-05-03T10:00:00.000+02:00\r\n");
        WriteBytes(m_f->path() + ".laps", ";2\r\nM;1\r\n");
        WriteBytes(m_f->path() + ".marks", "1;\r\n2;2026-05-03T10:31:00.000+02:00\r\n");
        WriteBytes(m_f->path() + ".times",
                   "1;5;2026-05-03T10:20:00.000+02:00\r\n2;7;2026-05-03T10:21:00.000+02:00\r\n"
                   "3;9;2026-05-03T10:22:00.000+02:00\r\n4;5;2026-05-03T10:40:00.000+02:00\r\n");
        QVERIFY(m_f->LoadRecords("1;5\r\n2;7\r\n3;9\r\n4;5\r\n5;7\r\n"));
        FileDialogSeam::setNextAnswer({m_f->path("results")});
        m_f->Trigger("mnuFile_ExportResults");
        QVERIFY(FileBytes(m_f->path("results.csv"))
                    .endsWith("\r\n3,5,\"'=Ann \"\"A\"\", B\",W40,1,2,0:40:00.000,10:40:00.000+02:00\r\n"));

        if (PrinterAvailable())
            QSKIP("A printer is installed: the results would go to it.");
        m_f->messages.setNextAnswer(MsgAnswer::Choice2); // one section per category
        FileDialogSeam::setNextAnswer({m_f->path("printed")});
        m_f->Trigger("mnuFile_PrintResults");
        QCOMPARE(FileDialogSeam::requests().last().suggestedName, QStringLiteral("race results.pdf"));
        m_f->messages.clear();
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), m_f->path("printed.pdf"), "-"});
        if (!reader.waitForFinished(60000))
            QSKIP("pdftotext is missing: install the Debian package poppler-utils.");
        QStringList lines;
        for (const QString& line : QString::fromUtf8(reader.readAllStandardOutput()).split('\n'))
            if (!line.trimmed().isEmpty())
                lines << line.simplified();
        QCOMPARE(lines, (QStringList{"Results race.stn, " + GeneralDateText(QDate(2026, 5, 3)),
                                     "Place Bib Name Category Cat. place Laps Time", "M", "1 9 Cid M 1 1 0:22:00.000",
                                     "2 7 Bob M 2 1 0:31:00.000", "W40", "3 5 =Ann \"A\", B W40 1 2 0:40:00.000",
                                     "Page 1 of 1"}));
    }

private:
    std::unique_ptr<GuiFixture> m_f;
};

QTEST_MAIN(TestGuiResults)
#include "tst_gui_results.moc"
