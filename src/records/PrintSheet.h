#pragma once

#include <QPointF>
#include <QString>

#include <functional>

class QPaintDevice;
class QPainter;
class QPrinter;

// What the printouts share: millimetre geometry, text placed by its top left corner, and a print
// job that either ends whole or is aborted.

// Millimetre geometry of a paint device. Painting stays in device pixels rather than a scaled
// painter, so font point sizes keep their printed size.
class MillimetreSheet {
public:
    explicit MillimetreSheet(const QPaintDevice& device);

    double Width() const { return m_width; }
    double Height() const { return m_height; }
    QPointF ToDevice(double x, double y) const { return {x * m_dotsPerMmX, y * m_dotsPerMmY}; }
    double WidthInMm(double devicePixels) const { return devicePixels / m_dotsPerMmX; }

private:
    double m_dotsPerMmX;
    double m_dotsPerMmY;
    double m_width;
    double m_height;
};

void SetFontSize(QPainter& painter, double points);
double TextWidthInMm(const QPainter& painter, const MillimetreSheet& sheet, const QString& text);
// Prints a text with its top left corner at a point; QPainter places text by its baseline.
void PrintAt(QPainter& painter, const MillimetreSheet& sheet, double x, double y, const QString& text);

// Starts the next sheet of a paged device; raises an error when that fails.
using NewSheetFunction = std::function<void()>;
using PaintSheets = std::function<void(QPainter& painter, const NewSheetFunction& newSheet)>;

// Raises an error when the printer is missing (Qt's stand-in PDF printer without a file name).
void CheckPrinterExists(const QPrinter& printer);

// Prints on the printer without a dialog and ends the job. A printer that is missing, cannot
// start or fails raises an error (the job is aborted, nothing half printed is sent on).
void RunPrintJob(QPrinter& printer, const PaintSheets& paint);
