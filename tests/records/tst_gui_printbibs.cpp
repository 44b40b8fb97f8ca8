#include "app/DateText.h"
#include "app/ErrorInfo.h"
#include "records/PrintBibs.h"
#include "records/clsFile.h"

#include "GuiFixture.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <memory>

namespace {

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

class TestPrintBibs : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_f->language.emplace(); // failures are read in English
        m_clock = std::make_unique<FixedClock>(m_moment);
    }
    void cleanup() {
        m_clock.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // the caller reports, not the printing
        m_f.reset();
    }

    // One real PDF of 101 records: 100 records a sheet in 4 columns of 25 rows, framed from 10 mm
    // beside and 20 mm above and below; each sheet reads the date first, in 14 points 10 mm from
    // the top and ending 10 mm from the right, and its page number last, in the date's size. No
    // records print no job and no file.
    void pdfSheets() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftotext and pdftoppm are missing: install the Debian package poppler-utils.");
        const QString pdf = m_f->dir.filePath(QStringLiteral("table.pdf"));
        QVERIFY(PrintBibs(*Records(0), *Pdf(pdf)));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(PrintBibs(*Records(101), *Pdf(pdf)));

        const QList<QList<Word>> pages = PdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        constexpr double kColumn = 47.5, kRow = 10.28, kHeightPerPoint = 1.166 * 25.4 / 72; // of a text box
        const struct {
            int page;
            const char* text;
            double left, top, points; // left -1: ends 10 mm from the right
        } expected[] = {{1, "1", 10, 20, 10},
                        {1, "-5", 20, 20 + 2 * kRow + 2, 14}, // the bib of record 3
                        {1, "77", 10 + 3 * kColumn, 20 + kRow, 10},
                        {1, "100", 10 + 3 * kColumn, 20 + 24 * kRow, 10},
                        {2, "101", 10, 20, 10},
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
            QCOMPARE(pages[page - 1].first().text, GeneralDateTimeText(m_moment).section(QLatin1Char(' '), 0, 0));
            QCOMPARE(pages[page - 1].last().text, QString::number(page));
            QVERIFY(qAbs(pages[page - 1].last().mm.top() - 282) < 0.05);
        }
        // The page number keeps the size of the text printed before it: the date's on the second sheet.
        QVERIFY(qAbs(pages[1].last().mm.height() - 14 * kHeightPerPoint) < 0.1);

        // The frame, seen on the first page at 10 pixels a millimetre: 26 row lines and 5 column lines.
        QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "254", "-gray", "-l", "1", "-singlefile", pdf,
                                                       m_f->dir.filePath(QStringLiteral("sheet"))});
        const QImage sheet(m_f->dir.filePath(QStringLiteral("sheet.pgm")));
        const auto line = [&](double x, double y, bool across) {
            int darkest = 255;
            for (int d = -2; d <= 2; ++d)
                darkest = qMin(
                    darkest, qGray(sheet.pixel(qRound(x * 10) + (across ? 0 : d), qRound(y * 10) + (across ? d : 0))));
            return darkest < 240;
        };
        for (int j = 0; j <= 25; ++j)
            QVERIFY2(line(11, 20 + j * kRow, true) && line(199, 20 + j * kRow, true) && !line(8, 20 + j * kRow, true) &&
                         (j > 4 || (line(10 + j * kColumn, 21, false) && !line(10 + j * kColumn, 18, false))),
                     qPrintable(QString::number(j)));
    }

    // Printing raises its failure with the reason (what Qt hands out without a printer); the
    // caller reports it.
    void failuresRaise() {
        for (const QString& pdf : {m_f->dir.filePath(QStringLiteral("missing folder/table.pdf")), QString()}) {
            if (!pdf.isEmpty())
                QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
            try {
                PrintBibs(*Records(5), *Pdf(pdf));
                QFAIL("Printing must raise an error.");
            } catch (const RaisedError& error) {
                QVERIFY2(error.info().description.contains(pdf.isEmpty() ? "No printer is installed" : pdf),
                         qPrintable(error.info().description));
            }
        }
    }

private:
    // Records 1 to count hold the bibs 7001 onwards, except record 3, which holds -5.
    std::unique_ptr<clsFile> Records(int count) {
        QByteArray lines;
        for (int record = 1; record <= count; ++record)
            lines += "0;" + QByteArray::number(record == 3 ? -5 : 7000 + record) + "\r\n";
        WriteBytes(m_f->path(), lines);
        auto records = std::make_unique<clsFile>();
        records->OpenFile(m_f->path());
        return records;
    }

    const QDateTime m_moment{QDate(2021, 5, 2), QTime(15, 30, 12)};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestPrintBibs)
#include "tst_gui_printbibs.moc"
