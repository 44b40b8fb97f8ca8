#include "records/PrintBibs.h"

#include "base/Clock.h"
#include "base/DateText.h"
#include "records/PrintSheet.h"
#include "records/clsFile.h"

#include <QFileInfo>
#include <QLineF>
#include <QPainter>
#include <QPrinterInfo>

namespace {

constexpr int kRecordsPerSheet = 100;
constexpr int kRowsPerColumn = 25;
constexpr int kColumns = 4;

// Column k's left edge and row j's top edge of the table.
double ColumnX(const MillimetreSheet& sheet, int k) {
    return 10 + k * (sheet.Width() - 20) / kColumns;
}
double RowY(const MillimetreSheet& sheet, int j) {
    return 20 + j * (sheet.Height() - 40) / kRowsPerColumn;
}

void PaintSheetFrame(QPainter& painter, const MillimetreSheet& sheet, int pageNumber, const QString& title) {
    const double w = sheet.Width();
    const double h = sheet.Height();
    for (int j = 0; j <= kRowsPerColumn; ++j)
        painter.drawLine(QLineF(sheet.ToDevice(10, RowY(sheet, j)), sheet.ToDevice(w - 10, RowY(sheet, j))));
    for (int k = 0; k <= kColumns; ++k)
        painter.drawLine(QLineF(sheet.ToDevice(ColumnX(sheet, k), 20), sheet.ToDevice(ColumnX(sheet, k), h - 20)));

    // The page number keeps the font size left by the previous sheet (the printer's default on the first).
    PrintAt(painter, sheet, w - 15, h - 15, SignedNumberText(pageNumber));

    SetFontSize(painter, 14);
    PrintAt(painter, sheet, 10, 10, title);
    const QString moment = GeneralDateTimeText(Now());
    PrintAt(painter, sheet, w - 10 - TextWidthInMm(painter, sheet, moment), 10, moment);
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
            PaintSheetFrame(painter, sheet, pageNumber, QFileInfo(records.FileName()).fileName());
        }
        const int column = (i / kRowsPerColumn) % kColumns;
        const int row = i % kRowsPerColumn;
        SetFontSize(painter, 10);
        PrintAt(painter, sheet, ColumnX(sheet, column), RowY(sheet, row), QString::number(i + 1));
        SetFontSize(painter, 14);
        PrintAt(painter, sheet, ColumnX(sheet, column) + 10, RowY(sheet, row) + 2,
                SignedNumberText(records.GetRecord(i).Bib));
    }
}

bool PrintBibs(const clsFile& records, QPrinter& printer) {
    if (records.Count() < 1) {
        CheckPrinterExists(printer);
        return true;
    }
    RunPrintJob(printer, [&records](QPainter& painter, const NewSheetFunction& newSheet) {
        PaintBibTable(records, painter, newSheet);
    });
    return true;
}

bool PrinterAvailable() {
    return !QPrinterInfo::availablePrinterNames().isEmpty() || !QPrinterInfo::defaultPrinterName().isEmpty();
}
