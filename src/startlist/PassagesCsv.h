#pragma once

#include "startlist/StartList.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>

#include <functional>

class clsFile;

// The time of the passage at a 0-based record index as the times file writes it
// (TimesSidecar::FormatTime); empty when it has none.
using PassageTimeOf = std::function<QByteArray(qint32 index)>;

// The passages of a race as CSV (RFC 4180, UTF-8, CR LF): a header line, then one line per passage
// in record order with its position (1-based), bib, time (ISO 8601 with milliseconds and UTC
// offset; empty without one), name and category from the start list, and the passage's lap number
// for its bib (its how-many-th passage so far). Empty records (bib 0) have no lap.
QByteArray BuildPassagesCsv(const QVector<qint32>& bibs, const PassageTimeOf& timeOf, const StartList& names);

// The passages of an open record file, as File > Export passages and --export-passages write them.
QByteArray PassagesCsvOf(const clsFile& records, const StartList& names);
