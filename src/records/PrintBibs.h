#pragma once

#include "records/PrintSheet.h"

#include <QString>

class clsFile;

// Draws the numbered record table on the painter's device: 100 records a sheet, 4 columns of
// 25, grid lines, the page number, the record file's name and the current date and time. Positions are millimetres from
// the top left of the device's area (a printer's printable area); texts are placed by their top
// left corner. newSheet is called before every sheet but the first. No records, no drawing.
void PaintBibTable(const clsFile& records, QPainter& painter, const NewSheetFunction& newSheet);

// Prints the record table on the printer without a dialog and ends the job. With no records no
// job is started, so no blank sheet comes out. A printer that is missing, cannot start or fails
// raises an error (the job is aborted); the caller reports it. True once the job has ended.
bool PrintBibs(const clsFile& records, QPrinter& printer);

// True when the system has a printer to print on.
bool PrinterAvailable();

// A number as the table prints it: a blank in place of the plus sign (" 42", "-5").
QString SignedNumberText(qint32 number);
