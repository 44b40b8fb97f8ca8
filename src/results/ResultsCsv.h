#pragma once

#include "results/RaceRanking.h"

#include <QByteArray>
#include <QString>

// The results as CSV for spreadsheets and result services, one row per runner in ranking order:
// place,bib,name,category,category_place,laps,elapsed,last_passage. elapsed is "H:MM:SS.mmm"
// from the category's start, else the race's (empty without one); last_passage the time of day of
// the passage that ranks the runner, with its UTC offset. UTF-8 with a byte order mark, so
// spreadsheet programs read the names right; CR LF; fields quoted as RFC 4180 says.
QByteArray ResultsCsv(const RaceResult& result);

// A text a spreadsheet would take for a formula (it begins with "=", "+", "-", "@", a tab or a
// carriage return) with an apostrophe in front, so it stays text; any other text as it is.
QString SpreadsheetText(const QString& text);
