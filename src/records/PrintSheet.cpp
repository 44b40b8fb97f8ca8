#include "records/PrintSheet.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>

namespace {

// The run-time error number the family's logs use for printer failures.
constexpr qint32 kPrinterError = 482;
constexpr double kMillimetresPerInch = 25.4;

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

MillimetreSheet::MillimetreSheet(const QPaintDevice& device)
    : m_dotsPerMmX(device.logicalDpiX() / kMillimetresPerInch),
      m_dotsPerMmY(device.logicalDpiY() / kMillimetresPerInch), m_width(device.width() / m_dotsPerMmX),
      m_height(device.height() / m_dotsPerMmY) {}

void SetFontSize(QPainter& painter, double points) {
    QFont font = painter.font();
    font.setPointSizeF(points);
    painter.setFont(font);
}

double TextWidthInMm(const QPainter& painter, const MillimetreSheet& sheet, const QString& text) {
    return sheet.WidthInMm(QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(text));
}

void PrintAt(QPainter& painter, const MillimetreSheet& sheet, double x, double y, const QString& text) {
    const double ascent = QFontMetricsF(painter.font(), painter.device()).ascent();
    painter.drawText(sheet.ToDevice(x, y) + QPointF(0, ascent), text);
}

void CheckPrinterExists(const QPrinter& printer) {
    // Without any installed printer Qt hands out a PDF printer with no file name: nowhere to print.
    const bool nowhere = printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty();
    if (!printer.isValid() || nowhere)
        Raise(kPrinterError, GetText(QStringLiteral("MKL_PRN_NOPRINTER")));
}

void RunPrintJob(QPrinter& printer, const PaintSheets& paint) {
    CheckPrinterExists(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        Raise(kPrinterError, PrintFailureText("MKL_PRN_NOSTART", printer));
    try {
        paint(painter, [&printer] {
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
}
