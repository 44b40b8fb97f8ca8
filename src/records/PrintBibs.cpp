#include "records/PrintBibs.h"

#include "base/Clock.h"
#include "base/DateText.h"
#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"
#include "records/clsFile.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// The run-time error number the family's logs use for printer failures.
constexpr qint32 kPrinterError = 482;

constexpr int kRecordsPerSheet = 100;
constexpr int kRowsPerColumn = 25;
constexpr int kColumns = 4;
constexpr double kMillimetresPerInch = 25.4;

// Millimetre geometry of a paint device. Painting stays in device pixels rather than a scaled
// painter, so font point sizes keep their printed size.
class MillimetreSheet {
public:
    explicit MillimetreSheet(const QPaintDevice& device)
        : m_dotsPerMmX(device.logicalDpiX() / kMillimetresPerInch),
          m_dotsPerMmY(device.logicalDpiY() / kMillimetresPerInch), m_width(device.width() / m_dotsPerMmX),
          m_height(device.height() / m_dotsPerMmY) {}

    double Width() const { return m_width; }
    double Height() const { return m_height; }
    QPointF ToDevice(double x, double y) const { return {x * m_dotsPerMmX, y * m_dotsPerMmY}; }
    double WidthInMm(double devicePixels) const { return devicePixels / m_dotsPerMmX; }

    // Column k's left edge and row j's top edge of the table.
    double ColumnX(int k) const { return 10 + k * (m_width - 20) / kColumns; }
    double RowY(int j) const { return 20 + j * (m_height - 40) / kRowsPerColumn; }

private:
    double m_dotsPerMmX;
    double m_dotsPerMmY;
    double m_width;
    double m_height;
};

void SetFontSize(QPainter& painter, double points) {
    QFont font = painter.font();
    font.setPointSizeF(points);
    painter.setFont(font);
}

double TextWidthInMm(const QPainter& painter, const MillimetreSheet& sheet, const QString& text) {
    return sheet.WidthInMm(QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(text));
}

// Prints a text with its top left corner at a point; QPainter places text by its baseline.
void PrintAt(QPainter& painter, const MillimetreSheet& sheet, double x, double y, const QString& text) {
    const double ascent = QFontMetricsF(painter.font(), painter.device()).ascent();
    painter.drawText(sheet.ToDevice(x, y) + QPointF(0, ascent), text);
}

void PaintSheetFrame(QPainter& painter, const MillimetreSheet& sheet, int pageNumber) {
    const double w = sheet.Width();
    const double h = sheet.Height();
    for (int j = 0; j <= kRowsPerColumn; ++j)
        painter.drawLine(QLineF(sheet.ToDevice(10, sheet.RowY(j)), sheet.ToDevice(w - 10, sheet.RowY(j))));
    for (int k = 0; k <= kColumns; ++k)
        painter.drawLine(QLineF(sheet.ToDevice(sheet.ColumnX(k), 20), sheet.ToDevice(sheet.ColumnX(k), h - 20)));

    // The page number keeps the font size left by the previous sheet (the printer's default on the first).
    PrintAt(painter, sheet, w - 15, h - 15, SignedNumberText(pageNumber));

    SetFontSize(painter, 14);
    const QString moment = GeneralDateTimeText(Now());
    PrintAt(painter, sheet, w - 10 - TextWidthInMm(painter, sheet, moment), 10, moment);
}

QString PrinterDescription(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return GetText(QStringLiteral("MKL_PRN_PDFFILE"), {{QStringLiteral("[Filename]"), printer.outputFileName()}});
    return GetText(QStringLiteral("MKL_PRN_PRINTER"), {{QStringLiteral("[printer]"), printer.printerName()}});
}

// The text of key with "[printer]" naming the printer or PDF file.
QString PrintFailureText(const char* key, const QPrinter& printer) {
    return GetText(QLatin1String(key), {{QStringLiteral("[printer]"), PrinterDescription(printer)}});
}

void CheckPrinter(const QPrinter& printer) {
    if (printer.printerState() == QPrinter::Error)
        Raise(kPrinterError, PrintFailureText("MKL_PRN_FAILED", printer));
}

} // namespace

QString SignedNumberText(qint32 number) {
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

void PaintBibTable(const clsFile& records, QPainter& painter, const NewSheetFunction& newSheet) {
    int pageNumber = 0;
    for (qint32 i = 0; i < records.Count(); ++i) {
        // Measured anew for every record: the layout always fits the printable area as it is now.
        const MillimetreSheet sheet(*painter.device());
        if (i % kRecordsPerSheet == 0) {
            ++pageNumber;
            if (i > 0)
                newSheet();
            PaintSheetFrame(painter, sheet, pageNumber);
        }
        const int column = (i / kRowsPerColumn) % kColumns;
        const int row = i % kRowsPerColumn;
        SetFontSize(painter, 10);
        PrintAt(painter, sheet, sheet.ColumnX(column), sheet.RowY(row), QString::number(i + 1));
        SetFontSize(painter, 14);
        PrintAt(painter, sheet, sheet.ColumnX(column) + 10, sheet.RowY(row) + 2,
                SignedNumberText(records.GetRecord(i).Bib));
    }
}

bool PrintBibs(const clsFile& records, QPrinter& printer) {
    // Without any installed printer Qt hands out a PDF printer with no file name: nowhere to print.
    const bool nowhere = printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty();
    if (!printer.isValid() || nowhere)
        Raise(kPrinterError, GetText(QStringLiteral("MKL_PRN_NOPRINTER")));
    if (records.Count() < 1)
        return true;

    QPainter painter;
    if (!painter.begin(&printer))
        Raise(kPrinterError, PrintFailureText("MKL_PRN_NOSTART", printer));
    try {
        PaintBibTable(records, painter, [&printer] {
            CheckPrinter(printer);
            if (!printer.newPage())
                Raise(kPrinterError, PrintFailureText("MKL_PRN_NEWPAGE", printer));
        });
        CheckPrinter(printer);
    } catch (const RaisedError&) {
        // Nothing half printed is sent on; the caller reports the failure.
        printer.abort();
        throw;
    }
    if (!painter.end())
        Raise(kPrinterError, PrintFailureText("MKL_PRN_NOFINISH", printer));
    CheckPrinter(printer);
    return true;
}

bool PrinterAvailable() {
    return !QPrinterInfo::availablePrinterNames().isEmpty() || !QPrinterInfo::defaultPrinterName().isEmpty();
}
