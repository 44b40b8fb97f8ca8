#pragma once

#include "results/RaceRanking.h"

#include <QDate>
#include <QString>

class QPrinter;

// Prints the results without a dialog: on every sheet the title, the column heads (place, bib,
// name, category, place in the category, laps, time) and "Page n of m" at the foot; one line per
// runner in ranking order. The time is the elapsed time from the start where there is one, else
// the time of day. byCategory: one section per category, headed by its name, the categories in
// alphabetical order and runners without one last. Raises an error when the printer is missing or
// fails; no runners, no job.
void PrintResults(const RaceResult& result, const QString& title, bool byCategory, QPrinter& printer);

// The title of the printed results: the record file's name and the race's date.
QString ResultsTitle(const QString& recordFile, const QDate& raceDay);
