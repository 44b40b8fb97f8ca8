#pragma once

#include <QString>

class QWidget;

// The file dialog as the record file commands use it: their title and the ".stn" filter. The
// chosen path, or "" when the operator cancelled.
QString AskRecordFileToOpen(QWidget* owner);
QString AskRecordFileToSave(QWidget* owner);
