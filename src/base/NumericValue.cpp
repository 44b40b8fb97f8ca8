#include "base/NumericValue.h"

#include "base/ErrorInfo.h"
#include "lang/clsLanguage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

// Significant decimal digits kept for the exact conversion. Deciding the rounding of any decimal
// to a double needs at most 767 of them; further digits only matter as "something non-zero follows".
constexpr int kMaxDigits = 780;
// Exponent magnitudes beyond these are certainly out of the double range, so they are clamped early
// to keep the arithmetic in range however long the text is.
constexpr long long kExponentClamp = 100000;

[[noreturn]] void RaiseTooLarge() {
    Raise(ErrorNumber::Overflow, GetText(QStringLiteral("MKL_ERR_NUMBERTOOLARGE")));
}

inline unsigned CodeOf(char c) {
    return static_cast<unsigned char>(c);
}
inline unsigned CodeOf(char16_t c) {
    return c;
}

// Walks the text, stepping over blanks, tabs and line feeds wherever they appear.
template <typename Char> class Cursor {
public:
    Cursor(const Char* begin, const Char* end) : m_p(begin), m_end(end) {}

    // The next character that counts; at the end a code that cannot continue any number.
    unsigned peek() {
        for (; m_p < m_end; ++m_p) {
            const unsigned c = CodeOf(*m_p);
            if (c != ' ' && c != '\t' && c != '\n')
                return c;
        }
        return 0;
    }
    void advance() { ++m_p; }

private:
    const Char* m_p;
    const Char* m_end;
};

inline bool IsDigit(unsigned c) {
    return c >= '0' && c <= '9';
}

int RadixDigit(unsigned c, int base) {
    if (c >= '0' && c <= '9')
        return int(c - '0') < base ? int(c - '0') : -1;
    if (base == 16 && c >= 'a' && c <= 'f')
        return int(c - 'a') + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return int(c - 'A') + 10;
    return -1;
}

// Digits behind "&H" or "&O", read as a non-negative value and rounded correctly to a double.
template <typename Char> double ReadRadix(Cursor<Char>& cursor, int base) {
    const int bitsPerDigit = base == 16 ? 4 : 3;
    std::uint64_t mantissa = 0;
    int droppedBits = 0;
    bool droppedNonZero = false;
    for (int digit; (digit = RadixDigit(cursor.peek(), base)) >= 0; cursor.advance()) {
        if ((mantissa >> (64 - bitsPerDigit)) == 0) {
            mantissa = (mantissa << bitsPerDigit) | unsigned(digit);
        } else {
            droppedBits = std::min(droppedBits + bitsPerDigit, 4096);
            droppedNonZero = droppedNonZero || digit != 0;
        }
    }
    // Once digits are dropped the mantissa holds at least 61 bits, so bit 0 lies below the rounding
    // position: setting it tells the conversion that the value is above an apparent halfway point.
    if (droppedNonZero)
        mantissa |= 1;
    const double value = std::ldexp(static_cast<double>(mantissa), droppedBits);
    if (std::isinf(value))
        RaiseTooLarge();
    return value;
}

// Converts digits x 10^exponent (digits without leading zeros, count > 0) to the nearest double.
double DecimalToDouble(char* digits, int count, long long exponent, bool droppedNonZero) {
    if (!droppedNonZero && count <= 19) {
        std::uint64_t mantissa = 0;
        for (int i = 0; i < count; ++i)
            mantissa = mantissa * 10 + unsigned(digits[i] - '0');
        if (exponent == 0)
            return static_cast<double>(mantissa); // the conversion itself rounds correctly
        // Both operands are exact, so one multiplication or division rounds correctly.
        static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        if (mantissa < (std::uint64_t(1) << 53) && exponent >= -22 && exponent <= 22) {
            const double m = static_cast<double>(mantissa);
            return exponent > 0 ? m * kPowers[exponent] : m / kPowers[-exponent];
        }
    }
    // The value lies in [10^(magnitude-1), 10^magnitude).
    const long long magnitude = count + exponent;
    if (magnitude > 310)
        RaiseTooLarge();
    if (magnitude < -330)
        return 0.0;
    if (droppedNonZero) {
        digits[count++] = '1';
        --exponent;
    }
    char* end = digits + count;
    *end++ = 'e';
    end = std::to_chars(end, end + 12, static_cast<int>(exponent)).ptr;
    double value = 0.0;
    const auto result = std::from_chars(digits, end, value, std::chars_format::scientific);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude > 0)
            RaiseTooLarge();
        return 0.0;
    }
    if (std::isinf(value))
        RaiseTooLarge();
    return value;
}

// The common case, a short run of plain digits such as a bib, without the general machinery. Returns
// false when the text needs the general reading.
template <typename Char> bool ReadPlainDigits(const Char* p, const Char* end, double& value) {
    std::int64_t number = 0;
    const Char* const limit = p + 15; // 15 digits always convert exactly
    for (; p < end && p < limit; ++p) {
        const unsigned c = CodeOf(*p);
        if (!IsDigit(c))
            break;
        number = number * 10 + (c - '0');
    }
    if (p < end) {
        const unsigned c = CodeOf(*p);
        if (IsDigit(c) || c == '.' || c == ' ' || c == '\t' || c == '\n' || c == 'E' || c == 'e' || c == 'D' ||
            c == 'd')
            return false;
    }
    value = static_cast<double>(number);
    return true;
}

template <typename Char> double ReadNumber(const Char* begin, const Char* end) {
    double plain;
    if (begin < end && IsDigit(CodeOf(*begin)) && ReadPlainDigits(begin, end, plain))
        return plain;

    Cursor<Char> cursor(begin, end);
    unsigned c = cursor.peek();
    if (c == '&') {
        cursor.advance();
        c = cursor.peek();
        const int base = (c == 'H' || c == 'h') ? 16 : (c == 'O' || c == 'o') ? 8 : 0;
        if (base == 0)
            return 0.0;
        cursor.advance();
        return ReadRadix(cursor, base);
    }

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        cursor.advance();
        c = cursor.peek();
    }

    // Room for the kept digits, one more for dropped ones, and "e" with a signed exponent.
    char digits[kMaxDigits + 16];
    int count = 0;
    long long exponent = 0; // value = digits x 10^exponent
    bool anyDigit = false;
    bool droppedNonZero = false;
    for (; IsDigit(c); cursor.advance(), c = cursor.peek()) {
        anyDigit = true;
        if (count == 0 && c == '0')
            continue;
        if (count < kMaxDigits) {
            digits[count++] = char(c);
        } else {
            exponent = std::min(exponent + 1, kExponentClamp);
            droppedNonZero = droppedNonZero || c != '0';
        }
    }
    if (c == '.') {
        cursor.advance();
        for (c = cursor.peek(); IsDigit(c); cursor.advance(), c = cursor.peek()) {
            anyDigit = true;
            if (count == 0 && c == '0') {
                exponent = std::max(exponent - 1, -kExponentClamp);
            } else if (count < kMaxDigits) {
                digits[count++] = char(c);
                exponent = std::max(exponent - 1, -kExponentClamp);
            } else {
                droppedNonZero = droppedNonZero || c != '0';
            }
        }
    }
    if (!anyDigit)
        return 0.0;

    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        cursor.advance();
        c = cursor.peek();
        bool negativeExponent = false;
        if (c == '+' || c == '-') {
            negativeExponent = c == '-';
            cursor.advance();
            c = cursor.peek();
        }
        long long written = 0;
        for (; IsDigit(c); cursor.advance(), c = cursor.peek())
            written = std::min(written * 10 + (c - '0'), kExponentClamp);
        exponent += negativeExponent ? -written : written;
    }

    if (count == 0)
        return 0.0; // only zeros; never a negative zero
    const double value = DecimalToDouble(digits, count, exponent, droppedNonZero);
    if (value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

} // namespace

double NumericValue(QStringView text) {
    const char16_t* begin = text.utf16();
    return ReadNumber(begin, begin + text.size());
}

double NumericValue(const char* begin, const char* end) {
    return ReadNumber(begin, end);
}

qint32 ToInt32(double value) {
    if (!std::isfinite(value))
        RaiseTooLarge();
    // Round half to even without depending on the floating-point rounding mode. value - floor(value)
    // is exact for every double.
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        Raise(ErrorNumber::Overflow, GetText(QStringLiteral("MKL_ERR_NOTWHOLE32")));
    return static_cast<qint32>(rounded);
}
