#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The encodings a text file from a spreadsheet or a registration tool comes in.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE, Windows1252 };

// The encoding of a text file's bytes: its byte order mark when it has one; UTF-16 when the bytes
// show its pattern of zero bytes (every other byte zero for Latin letters) from the first
// character on; UTF-8 when it holds at least as many multi-byte characters as bytes that are not
// UTF-8 (a UTF-8 file in which a line was typed in an older editor: DecodeText keeps its names
// right); otherwise Windows-1252, which is what such editors and older spreadsheet programs write.
TextEncoding DetectTextEncoding(const QByteArray& bytes);

struct DecodedText {
    QString text;
    bool byteOrderMark = false;
    // UTF-8: the lines (1-based) holding bytes that are not UTF-8; each such byte is read as the
    // Windows-1252 character it would be, so a name typed in an older editor still reads right.
    QVector<qint32> linesNotUtf8;
};

// The text of the bytes in the encoding; a byte order mark of that encoding is left out.
DecodedText DecodeText(const QByteArray& bytes, TextEncoding encoding);
