#pragma once

#include "records/tBib.h"

#include <QByteArray>
#include <QVector>

// The ".stn" record file: one line per record, "position;bib" ended by CR LF, no header.

// What the reader made of a file's bytes.
struct StnRead {
    QVector<qint32> bibs;         // in file order
    QVector<qint64> damagedLines; // 1-based numbers of the lines skipped as damaged
    bool zeroPadding = false;     // zero bytes standing alone were skipped
};

// The bibs of a file's bytes in file order. Lines end at CR LF, and also at a lone LF or a lone
// CR, so files written by scripts or other editors read correctly. A line without ";" is
// skipped; the bib is the numeric value of the text behind the first ";".
//
// A file damaged in places still gives every record that can be read: a line with a NUL byte
// among its text, a bib outside the 32-bit range and a torn last line (no line end, no bib behind
// its ";", such as "3;") are skipped and named in `damagedLines`, never read as bib 0. Zero bytes
// standing alone (a run at the end of the file, lines of nothing else), as a power cut leaves
// them, are padding and skipped too. Only a file that is mostly not text (more lines holding NUL
// or other control bytes than clean records: binary data, UTF-16) or that holds a line far
// longer than any record (over 64 KiB) raises an error: a later rewrite would destroy it.
StnRead ReadStn(const QByteArray& bytes);

// Writes "position;bib" at `out`, at most kStnFieldsSize bytes, and returns where it ends: the
// start of a line of the record file and of the times file beside it.
constexpr qsizetype kStnFieldsSize = 20 + 1 + 11;
char* PutStnFields(char* out, qint64 position, qint32 bib);

// "position;bib" and CR LF.
QByteArray FormatStnLine(qint64 position, qint32 bib);

// The whole file for a list: lines numbered 1 to n; an empty list gives no bytes.
QByteArray FormatStn(const QVector<tBib>& records);
