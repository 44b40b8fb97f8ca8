#pragma once

#include <QString>

class QWidget;
class clsFile;

// The File menu's commands that need nothing of the window but the records and an owner for their
// questions and dialogs.

// The file dialog as the record file commands use it: their title and the ".stn" filter. The
// chosen path, or "" when the operator cancelled.
QString AskRecordFileToOpen(QWidget* owner);
QString AskRecordFileToSave(QWidget* owner);

// File > Export: a copy of the record file under a name the operator chooses, never onto the file
// itself or its times. A failure is reported naming the target.
void ExportRecordFile(const clsFile& records, QWidget* owner);

// File > Print: the records as a numbered table, on the printer or, without one, into a PDF file.
void PrintRecordFile(const clsFile& records, QWidget* owner);
