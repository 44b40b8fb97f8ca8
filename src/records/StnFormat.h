#pragma once

#include "records/tBib.h"

#include <QByteArray>
#include <QVector>

// The ".stn" record file: one line per record, "position;bib" ended by CR LF, no header.

// The bibs of a file's bytes in file order. Lines end at CR LF, and also at a lone LF or a lone
// CR, so files written by scripts or other editors read correctly. A line without ";" is
// skipped; the bib is the numeric value of the text behind the first ";". A bib outside the
// 32-bit range raises an overflow error naming the line; bytes that cannot be plain text (NUL
// bytes beside other bytes: binary data, UTF-16) and a line far longer than any record (over
// 64 KiB) raise an error too. Zero bytes standing alone (a run at the end of the file, lines of
// nothing else), as a power cut leaves them, are skipped; `zeroPadding` tells whether there were any.
QVector<qint32> ParseStn(const QByteArray& bytes, bool* zeroPadding = nullptr);

// "position;bib" and CR LF.
QByteArray FormatStnLine(qint64 position, qint32 bib);

// The whole file for a list: lines numbered 1 to n; an empty list gives no bytes.
QByteArray FormatStn(const QVector<tBib>& records);
