#pragma once

#include <QString>

// Digits a scanned bib may have: as many as the entry box takes.
constexpr int kMaxBibDigits = 8;

// What one byte from the serial scanner does to the entry box's text.
enum class ScanEffect { Typed, Enter, Ignored };

// A digit is appended while the text holds fewer than kMaxBibDigits; a carriage return ends the
// bib (the record button presses); every other byte, and a digit beyond the limit, is noise.
ScanEffect DecodeScanByte(char byte, QString& text);
