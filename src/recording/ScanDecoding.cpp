#include "recording/ScanDecoding.h"

ScanEffect DecodeScanByte(char byte, QString& text) {
    if (byte >= '0' && byte <= '9') {
        if (text.size() >= kMaxBibDigits)
            return ScanEffect::Ignored;
        text += QLatin1Char(byte);
        return ScanEffect::Typed;
    }
    return byte == '\r' ? ScanEffect::Enter : ScanEffect::Ignored;
}
