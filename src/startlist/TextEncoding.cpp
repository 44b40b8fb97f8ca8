#include "startlist/TextEncoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F, where it has typographic quotes,
// dashes, the euro sign and a few letters; its five unused codes keep their Latin-1 meaning.
// Written out here because Qt knows the encoding only when it is built with ICU.
constexpr std::array<char16_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar Windows1252Char(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? QChar(kWindows1252High[byte - 0x80]) : QChar(char16_t(byte));
}

// The length of the well-formed UTF-8 character starting at p (with `left` bytes from p on);
// 0 when none starts there (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
int Utf8Length(const unsigned char* p, qsizetype left) {
    const unsigned char lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (p[k] < 0x80 || p[k] > 0xBF)
            return 0;
    }
    return length;
}

const unsigned char* Bytes(const QByteArray& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

// The byte order mark of an encoding; none for Windows-1252.
QByteArray MarkOf(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return QByteArrayLiteral("\xEF\xBB\xBF");
    case TextEncoding::Utf16LE:
        return QByteArrayLiteral("\xFF\xFE");
    case TextEncoding::Utf16BE:
        return QByteArrayLiteral("\xFE\xFF");
    case TextEncoding::Utf32LE:
        return QByteArrayLiteral("\xFF\xFE\x00\x00");
    case TextEncoding::Utf32BE:
        return QByteArrayLiteral("\x00\x00\xFE\xFF");
    case TextEncoding::Windows1252:
        break;
    }
    return QByteArray();
}

// UTF-16 without a byte order mark, told by its zero bytes: in Latin text every high byte is zero.
// The first character must show the pattern, and at least a quarter of the sampled characters
// too, while the other half of the bytes holds almost no zero; a UTF-8 file with a stray zero
// byte shows neither.
std::optional<TextEncoding> Utf16ByZeros(const QByteArray& bytes) {
    const qsizetype sample = std::min<qsizetype>(bytes.size(), 64 * 1024) & ~qsizetype(1);
    if (sample < 2 || (bytes[0] == 0) == (bytes[1] == 0))
        return std::nullopt;
    std::array<qsizetype, 2> zeros = {0, 0}; // at even and at odd offsets
    for (qsizetype i = 0; i < sample; ++i)
        zeros[i % 2] += bytes[i] == 0 ? 1 : 0;
    const int high = bytes[1] == 0 ? 1 : 0; // where the first character has its zero
    if (zeros[high] * 4 < sample / 2 || zeros[1 - high] * 8 > zeros[high])
        return std::nullopt;
    return high == 1 ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
}

// The bytes as UTF-8; bytes that are not UTF-8 read as Windows-1252 and their lines noted.
DecodedText DecodeUtf8(const QByteArray& bytes, qsizetype start) {
    DecodedText decoded;
    QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    decoded.text = strict.decode(QByteArrayView(bytes).sliced(start));
    if (!strict.hasError())
        return decoded;
    decoded.text.clear();
    const unsigned char* p = Bytes(bytes);
    const qsizetype size = bytes.size();
    qint32 line = 1;
    qsizetype runStart = start; // the well-formed bytes not yet decoded
    for (qsizetype i = start; i < size;) {
        const int length = Utf8Length(p + i, size - i);
        if (length > 0) {
            if (p[i] == '\n' || (p[i] == '\r' && !(i + 1 < size && p[i + 1] == '\n')))
                ++line;
            i += length;
            continue;
        }
        decoded.text += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        decoded.text += Windows1252Char(p[i]);
        if (decoded.linesNotUtf8.isEmpty() || decoded.linesNotUtf8.last() != line)
            decoded.linesNotUtf8.append(line);
        runStart = ++i;
    }
    decoded.text += QString::fromUtf8(bytes.constData() + runStart, size - runStart);
    return decoded;
}

// A surrogate without its partner (a UTF-16 file cut or patched) becomes the replacement
// character, as every other undecodable unit does; as it stood it could not be written as UTF-8.
void ReplaceLoneSurrogates(QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

} // namespace

TextEncoding DetectTextEncoding(const QByteArray& bytes) {
    // The longer marks first: the UTF-32 LE mark begins with the UTF-16 LE one.
    for (TextEncoding encoding : {TextEncoding::Utf32LE, TextEncoding::Utf32BE, TextEncoding::Utf8,
                                  TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        if (bytes.startsWith(MarkOf(encoding)))
            return encoding;
    }
    if (const std::optional<TextEncoding> utf16 = Utf16ByZeros(bytes))
        return *utf16;
    qsizetype multiByte = 0;
    qsizetype stray = 0;
    const unsigned char* p = Bytes(bytes);
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = Utf8Length(p + i, bytes.size() - i);
        multiByte += length > 1 ? 1 : 0;
        stray += length == 0 ? 1 : 0;
        i += std::max(length, 1);
    }
    return multiByte >= stray ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

DecodedText DecodeText(const QByteArray& bytes, TextEncoding encoding) {
    const QByteArray mark = MarkOf(encoding);
    const bool marked = !mark.isEmpty() && bytes.startsWith(mark);
    const qsizetype start = marked ? mark.size() : 0;
    DecodedText decoded;
    switch (encoding) {
    case TextEncoding::Utf8:
        decoded = DecodeUtf8(bytes, start);
        break;
    case TextEncoding::Windows1252:
        decoded.text.reserve(bytes.size());
        for (const char byte : bytes)
            decoded.text += Windows1252Char(static_cast<unsigned char>(byte));
        break;
    default: {
        const auto qtEncoding = encoding == TextEncoding::Utf16LE   ? QStringConverter::Utf16LE
                                : encoding == TextEncoding::Utf16BE ? QStringConverter::Utf16BE
                                : encoding == TextEncoding::Utf32LE ? QStringConverter::Utf32LE
                                                                    : QStringConverter::Utf32BE;
        QStringDecoder decoder(qtEncoding, QStringConverter::Flag::Stateless);
        decoded.text = decoder.decode(QByteArrayView(bytes).sliced(start));
        ReplaceLoneSurrogates(decoded.text);
    }
    }
    decoded.byteOrderMark = marked;
    return decoded;
}
