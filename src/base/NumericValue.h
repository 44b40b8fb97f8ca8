#pragma once

#include <QString>

// The numeric value of a text: the number at its start. Blanks, tabs and line feeds anywhere are
// ignored ("1 2" is 12); "." is the decimal point and a comma ends the number; an optional sign
// and an exponent ("1.5E3") are read; "&H" and "&O" introduce hexadecimal and octal digits.
// Reading stops at the first character that cannot continue the number; a text that does not
// start with a number counts as 0. A value too large for a double raises an overflow error.
double NumericValue(QStringView text);
double NumericValue(const char* begin, const char* end); // bytes taken as Latin-1 characters

// Rounds to a whole number (halves to the even neighbour) and raises an overflow error when the
// result lies outside the signed 32-bit range.
qint32 ToInt32(double value);

// The two together, as the entry box, the record file reader and the settings use them.
inline qint32 WholeNumberValue(QStringView text) {
    return ToInt32(NumericValue(text));
}
