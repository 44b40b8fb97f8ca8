#include "app/ErrorInfo.h"
#include "records/PrintBibs.h"
#include "records/clsFile.h"

#include "GuiFixture.h"

#include "app/DateText.h"
#include <QApplication>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

// Records 1 to count hold the bibs 7001 onwards, except record 3, which holds -5.
qint32 BibOf(int record) {
    return record == 3 ? -5 : 7000 + record;
}

// A page whose text and lines are kept with their positions, in a device where 10 pixels are 1 mm
// (254 dpi). Its area is 190 x 270 mm, so a column is 42.5 mm wide and a row 9.2 mm high.
class RecordingDevice : public QPaintDevice {
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

    QPaintEngine* paintEngine() const override { return m_engine.get(); }

protected:
    int metric(PaintDeviceMetric metric) const override {
        if (metric == PdmDevicePixelRatioScaled)
            return static_cast<int>(devicePixelRatioFScale());
        const QHash<int, int> values{{PdmWidth, 1900},        {PdmHeight, 2700},      {PdmWidthMM, 190},
                                     {PdmHeightMM, 270},      {PdmDpiX, 254},         {PdmDpiY, 254},
                                     {PdmPhysicalDpiX, 254},  {PdmPhysicalDpiY, 254}, {PdmDepth, 32},
                                     {PdmDevicePixelRatio, 1}};
        return values.value(metric, 0);
    }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(RecordingDevice* device) : QPaintEngine(AllFeatures), m_device(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        Type type() const override { return User; }
        void drawLines(const QLineF* lines, int count) override {
            for (int i = 0; i < count; ++i)
                m_device->lines.append({m_device->page, QLineF(lines[i].p1() / 10, lines[i].p2() / 10)});
        }
        void drawTextItem(const QPointF& baseline, const QTextItem& item) override {
            const QFontMetricsF metrics(item.font(), m_device);
            const QPointF topLeft(baseline.x(), baseline.y() - metrics.ascent());
            m_device->texts.append({m_device->page, item.text(), topLeft / 10,
                                    (baseline.x() + metrics.horizontalAdvance(item.text())) / 10,
                                    item.font().pointSizeF()});
        }

    private:
        RecordingDevice* m_device;
    };
    std::unique_ptr<Engine> m_engine = std::make_unique<Engine>(this);
};

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

    void pdfPagesAndText_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("pages");
        QTest::newRow("none: no job, no file") << 0 << 0;
        QTest::newRow("101") << 101 << 2; // where the rows go on a sheet is checked on the page below
    }

    void pdfPagesAndText() {
        QFETCH(int, count);
        QFETCH(int, pages);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is missing: install the Debian package poppler-utils to read printed PDFs back.");

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const QString pdf = m_f->dir.path() + QStringLiteral("/table.pdf");
        printer.setOutputFileName(pdf);
        QVERIFY(PrintBibs(*Records(count), printer));
        QCOMPARE(QFile::exists(pdf), pages > 0);
        if (pages == 0)
            return;

        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(reader.waitForFinished(60000));
        QStringList sheets = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\f'));
        sheets.removeLast(); // behind the last sheet's form feed
        QCOMPARE(sheets.size(), pages);

        // Each sheet reads the date first and its page number last; the first row holds record 1.
        for (int page = 1; page <= pages; ++page) {
            const QStringList lines = sheets[page - 1].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(lines.first().trimmed(), MomentText());
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
        QTest::newRow("record 51 tops column 3") << 1 << "51" << QPointF(95, 20) << 10.0;
        QTest::newRow("record 77") << 1 << "77" << QPointF(137.5, 29.2) << 10.0;
        QTest::newRow("bib 77") << 1 << " 7077" << QPointF(147.5, 31.2) << 14.0;
        QTest::newRow("record 100 ends page 1") << 1 << "100" << QPointF(137.5, 240.8) << 10.0;
        QTest::newRow("record 101 tops page 2") << 2 << "101" << QPointF(10, 20) << 10.0;
        QTest::newRow("page number 2 in the last size") << 2 << " 2" << QPointF(175, 255) << 14.0;
    }

    void positionsInMillimetres() {
        QFETCH(int, page);
        QFETCH(QString, text);
        QFETCH(QPointF, topLeft);
        QFETCH(double, points);

        const auto device = PaintedTable();
        const auto found = std::find_if(device->texts.cbegin(), device->texts.cend(),
                                        [&](const auto& item) { return item.page == page && item.text == text; });
        QVERIFY2(found != device->texts.cend(), qPrintable(text));
        QVERIFY2(qAbs(found->topLeftMm.x() - topLeft.x()) < 1e-6 && qAbs(found->topLeftMm.y() - topLeft.y()) < 1e-6,
                 qPrintable(QStringLiteral("at %1, %2").arg(found->topLeftMm.x()).arg(found->topLeftMm.y())));
        QCOMPARE(found->points, points);
    }

    // Every sheet: 26 row lines and 5 column lines framing 10..180 x 20..250 mm, the date in 14 points
    // ending at 180 mm, 10 mm from the top. The first page number keeps the painter's default size.
    void sheetFrame() {
        const auto device = PaintedTable();
        QCOMPARE(device->page, 2);
        for (int sheet = 1; sheet <= 2; ++sheet) {
            QList<QLineF> lines;
            for (const auto& [linePage, line] : device->lines)
                if (linePage == sheet)
                    lines.append(line);
            QCOMPARE(lines.size(), 31);
            QCOMPARE(lines.first(), QLineF(10, 20, 180, 20));
            QCOMPARE(lines.at(25), QLineF(10, 250, 180, 250));
            QCOMPARE(lines.at(26), QLineF(10, 20, 10, 250));
            QCOMPARE(lines.last(), QLineF(180, 20, 180, 250));

            const auto date = std::find_if(device->texts.cbegin(), device->texts.cend(), [&](const auto& item) {
                return item.page == sheet && item.text == MomentText();
            });
            QVERIFY(date != device->texts.cend());
            QCOMPARE(date->topLeftMm.y(), 10.0);
            QCOMPARE(date->points, 14.0);
            QVERIFY(qAbs(date->rightMm - 180) < 1e-6);
        }
        const auto& pageNumber = device->texts.first();
        QCOMPARE(pageNumber.text, QStringLiteral(" 1"));
        QCOMPARE(pageNumber.topLeftMm, QPointF(175, 255));
        QCOMPARE(pageNumber.points, QApplication::font().pointSizeF());
    }

    void failuresRaise_data() {
        QTest::addColumn<QString>("pdfName");
        QTest::addColumn<QString>("described");
        QTest::newRow("file cannot be created")
            << QStringLiteral("missing folder/table.pdf") << "missing folder/table.pdf";
        // What Qt hands out when no printer is installed.
        QTest::newRow("no printer") << QString() << "No printer is installed";
    }

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
    std::unique_ptr<clsFile> Records(int count) {
        QByteArray lines;
        for (int record = 1; record <= count; ++record)
            lines += QByteArray::number(record) + ';' + QByteArray::number(BibOf(record)) + "\r\n";
        const QString path = m_f->dir.path() + QStringLiteral("/race.stn");
        WriteBytes(path, lines);
        auto records = std::make_unique<clsFile>();
        records->OpenFile(path);
        return records;
    }
    // 101 records: two sheets
    std::unique_ptr<RecordingDevice> PaintedTable() {
        auto device = std::make_unique<RecordingDevice>();
        QPainter painter(device.get());
        PaintBibTable(*Records(101), painter, [&device] { ++device->page; });
        return device;
    }
    QString MomentText() const { return GeneralDateTimeText(m_moment); }

    const QDateTime m_moment{QDate(2021, 5, 2), QTime(15, 30, 12)};
    std::unique_ptr<GuiFixture> m_f;
    std::unique_ptr<FixedClock> m_clock;
};

QTEST_MAIN(TestPrintBibs)
#include "tst_gui_printbibs.moc"
