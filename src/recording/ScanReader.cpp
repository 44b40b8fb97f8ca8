#include "recording/ScanReader.h"

namespace {
// An overlong code is shown to the operator; a scanner that never ends its code must not fill
// the memory.
constexpr qsizetype kShownDigits = 24;
} // namespace

void ScanReader::Take(const QByteArray& bytes, const QDateTime& at) {
    for (const char byte : bytes) {
        if (byte >= '0' && byte <= '9') {
            if (++m_count <= kShownDigits)
                m_digits += QLatin1Char(byte);
        } else if (byte == '\r') {
            if (m_count > 0) {
                const QString shown = m_count > kShownDigits ? m_digits + QChar(0x2026) : m_digits;
                m_waiting.enqueue({shown, m_count > kMaxBibDigits, at});
            }
            DropUnfinished();
        }
    }
}

std::optional<ScannedCode> ScanReader::Next() {
    if (m_waiting.isEmpty())
        return std::nullopt;
    return m_waiting.dequeue();
}

void ScanReader::DropUnfinished() {
    m_digits.clear();
    m_count = 0;
}
