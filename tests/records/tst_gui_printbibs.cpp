#include "app/DateText.h"
#include "app/ErrorInfo.h"
#include "records/PrintBibs.h"
#include "records/clsFile.h"

#include "GuiFixture.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace {

// A page whose text and lines are kept with their positions, in a device where 10 pixels are 1 mm
// (254 dpi). Its area is 190 x 270 mm, so a column is 42.5 mm wide and a row 9.2 mm high.
class RecordingDevice : public QPaintDevice, public QPaintEngine {
public:
    struct Text {
        int page;
        QString text;
        QPointF topLeftMm;
        double rightMm;
        double points;
    };
    QList<Text> texts;
    QList<QPair<int, QLineF>> lines; // in mm
    int page = 1;

    RecordingDevice() : QPaintEngine(AllFeatures) {}
    QPaintEngine* paintEngine() const override { return const_cast<RecordingDevice*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return User; }
    void drawLines(const QLineF* drawn, int count) override {
        for (int i = 0; i < count; ++i)
            lines.append({page, QLineF(drawn[i].p1() / 10, drawn[i].p2() / 10)});
    }
    void drawTextItem(const QPointF& baseline, const QTextItem& item) override {
        const QFontMetricsF metrics(item.font(), this);
        texts.append({page, item.text(), QPointF(baseline.x(), baseline.y() - metrics.ascent()) / 10,
                      (baseline.x() + metrics.horizontalAdvance(item.text())) / 10, item.font().pointSizeF()});
    }
    const Text* Find(int onPage, const QString& text) const {
        for (const Text& item : texts)
            if (item.page == onPage && item.text == text)
                return &item;
        return nullptr;
    }

protected:
    int metric(PaintDeviceMetric metric) const override {
        if (metric == PdmDevicePixelRatioScaled)
            return static_cast<int>(devicePixelRatioFScale());
        // width, height, their millimetres, colours, depth, dpi x and y, physical dpi, pixel ratio
        return QList<int>{0, 1900, 2700, 190, 270, 0, 32, 254, 254, 254, 254, 1}.value(metric);
    }
};

} // namespace

class TestPrintBibs : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<GuiFixture>();
        m_clock = std::make_unique<FixedClock>(m_moment);
    }
    void cleanup() {
        m_clock.reset();
        QVERIFY2(m_f->Finish(), qPrintable(m_f->messages.lastText())); // the caller reports, not the printing
        m_f.reset();
    }

    // A real PDF of 101 records: two sheets, each with the date first and its page number last;
    // no records print no job and no file.
    void pdfPagesAndText() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is missing: install the Debian package poppler-utils to read printed PDFs back.");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const QString pdf = m_f->dir.path() + QStringLiteral("/table.pdf");
        printer.setOutputFileName(pdf);
        QVERIFY(PrintBibs(*Records(0), printer));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(PrintBibs(*Records(101), printer));

        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(reader.waitForFinished(60000));
        QStringList sheets = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\f'));
        sheets.removeLast(); // behind the last sheet's form feed
        QCOMPARE(sheets.size(), 2);
        for (int page = 1; page <= 2; ++page) {
            const QStringList lines = sheets[page - 1].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(lines.first().trimmed(), GeneralDateTimeText(m_moment));
            QCOMPARE(lines.last().trimmed(), QString::number(page));
        }
        QVERIFY(sheets[0].split(QLatin1Char('\n')).at(1).trimmed().startsWith(QLatin1String("1 ")));
    }

    void positionsInMillimetres_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPointF>("topLeft");
        QTest::addColumn<double>("points");
        QTest::newRow("record 1") << 1 << "1" << QPointF(10, 20) << 10.0;
        QTest::newRow("bib 1") << 1 << " 7001" << QPointF(20, 22) << 14.0;
        QTest::newRow("negative bib 3") << 1 << "-5" << QPointF(20, 40.4) << 14.0;
        QTest::newRow("record 26 tops column 2") << 1 << "26" << QPointF(52.5, 20) << 10.0;
        QTest::newRow("bib 77") << 1 << " 7077" << QPointF(147.5, 31.2) << 14.0;
        QTest::newRow("record 100 ends page 1") << 1 << "100" << QPointF(137.5, 240.8) << 10.0;
        QTest::newRow("record 101 tops page 2") << 2 << "101" << QPointF(10, 20) << 10.0;
        QTest::newRow("page number 2 in the last size") << 2 << " 2" << QPointF(175, 255) << 14.0;
        // The first page number keeps the painter's default size.
        QTest::newRow("page number 1") << 1 << " 1" << QPointF(175, 255) << QApplication::font().pointSizeF();
    }
    // Where each text goes on the sheet, and in which size.
    void positionsInMillimetres() {
        QFETCH(int, page);
        QFETCH(QString, text);
        QFETCH(QPointF, topLeft);
        QFETCH(double, points);
        const RecordingDevice::Text* found = PaintedTable()->Find(page, text);
        QVERIFY2(found, qPrintable(text));
        QVERIFY2((found->topLeftMm - topLeft).manhattanLength() < 1e-6,
                 qPrintable(QStringLiteral("at %1, %2").arg(found->topLeftMm.x()).arg(found->topLeftMm.y())));
        QCOMPARE(found->points, points);
    }

    // Every sheet: 26 row lines and 5 column lines framing 10..180 x 20..250 mm, the date in 14 points
    // ending at 180 mm, 10 mm from the top.
    void sheetFrame() {
        const auto device = PaintedTable();
        QCOMPARE(device->page, 2);
        for (int sheet = 1; sheet <= 2; ++sheet) {
            QList<QLineF> lines;
            for (const auto& [linePage, line] : device->lines)
                if (linePage == sheet)
                    lines.append(line);
            QCOMPARE(lines.size(), 31);
            QCOMPARE((QList<QLineF>{lines.first(), lines.at(25), lines.at(26), lines.last()}),
                     (QList<QLineF>{{10, 20, 180, 20}, {10, 250, 180, 250}, {10, 20, 10, 250}, {180, 20, 180, 250}}));
            const RecordingDevice::Text* date = device->Find(sheet, GeneralDateTimeText(m_moment));
            QVERIFY(date && date->topLeftMm.y() == 10.0 && date->points == 14.0 && qAbs(date->rightMm - 180) < 1e-6);
        }
    }

    void failuresRaise_data() {
        QTest::addColumn<QString>("pdfName");
        QTest::addColumn<QString>("described");
        QTest::newRow("file cannot be created") << "missing folder/table.pdf"
                                                << "missing folder/table.pdf";
        QTest::newRow("no printer") << QString() << "No printer is installed"; // what Qt hands out then
    }
    // Printing raises its failure with the reason; the caller reports it.
    void failuresRaise() {
        QFETCH(QString, pdfName);
        QFETCH(QString, described);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        if (!pdfName.isEmpty()) {
            printer.setOutputFileName(m_f->dir.path() + QLatin1Char('/') + pdfName);
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        }
        try {
            PrintBibs(*Records(5), printer);
            QFAIL("Printing must raise an error.");
        } catch (const RaisedError& error) {
            QVERIFY2(error.info().description.contains(described), qPrintable(error.info().description));
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
    std::unique_ptr<RecordingDevice> PaintedTable() { // 101 records: two sheets
        auto device = std::make_unique<RecordingDevice>();
        QPainter painter(device.get());
        PaintBibTable(*Records(101), painter, [&device] { ++device->page; });
        return device;
    }

    const QDateTime m_moment{QDate(2021, 5, 2), QTime(15, 30, 12)};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestPrintBibs)
#include "tst_gui_printbibs.moc"
