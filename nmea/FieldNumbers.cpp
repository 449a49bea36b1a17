#include "nmea/FieldNumbers.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool IsSpace(char aChar) {
    return aChar == ' ' || (aChar >= '\t' && aChar <= '\r');
}

bool IsDigit(char aChar) {
    return aChar >= '0' && aChar <= '9';
}

bool IsLetter(char aChar) {
    return (aChar >= 'a' && aChar <= 'z') || (aChar >= 'A' && aChar <= 'Z');
}

// Powers of ten that a double holds exactly: a quotient by one of them is correctly rounded.
constexpr double KExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int KMaxExactDigits = 15;  // below 2^53: the mantissa is exact in a double

}  // namespace

int ReadInteger(const char* aText) {
    const char* p = aText;
    while (IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude in 64 bits and saturate, as strtol does on a 32-bit long.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    std::int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

float ReadDecimal(const std::string& aText) {
    // Fast path for the form every receiver sends: [sign]digits[.digits], at most 15 digits,
    // followed by the end of the text or by something that cannot continue a number.
    const char* p = aText.c_str();
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    for (; IsDigit(*p); ++p, ++digits) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    if (*p == '.') {
        for (++p; IsDigit(*p); ++p, ++digits, ++fractionDigits) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        }
    }
    // Exponents, hexadecimal, "inf" and "nan" all continue with a letter; white space first
    // and long digit strings also go the slow way.
    if (digits == 0 || digits > KMaxExactDigits || IsLetter(*p)) {
        return static_cast<float>(std::strtod(aText.c_str(), nullptr));
    }
    const double value = static_cast<double>(mantissa) / KExactPowers[fractionDigits];
    return static_cast<float>(negative ? -value : value);
}

int ScanIntegers(const char* aText, const int* aWidths, const char* aSeparators, int aCount,
                 int* aValues) {
    const char* p = aText;
    for (int i = 0; i < aCount; ++i) {
        while (IsSpace(*p)) {
            ++p;
        }
        int width = aWidths[i];
        bool negative = false;
        if (width > 0 && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
            --width;  // the sign counts towards the field width, as in scanf
        }
        int value = 0;
        int digits = 0;
        for (; width > 0 && IsDigit(*p); ++p, --width, ++digits) {
            value = value * 10 + (*p - '0');
        }
        if (digits == 0) {
            return i;
        }
        aValues[i] = negative ? -value : value;
        if (aSeparators[i] != '\0') {
            if (*p != aSeparators[i]) {
                return i + 1;
            }
            ++p;
        }
    }
    return aCount;
}

void AppendOneDecimal(std::string& aOut, float aValue) {
    // A float times ten is exact in a double (24 + 4 bits), so rounding it to the nearest
    // integer, ties to even, is exactly the rounding printf applies to the one decimal.
    const double scaled = static_cast<double>(aValue) * 10.0;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 1e18) {
        char text[64];
        const int length = std::snprintf(text, sizeof text, "%.1f", static_cast<double>(aValue));
        if (length > 0) {
            aOut.append(text, static_cast<std::size_t>(length) < sizeof text
                                  ? static_cast<std::size_t>(length)
                                  : sizeof text - 1);
        }
        return;
    }
    const double rounded = std::nearbyint(scaled);
    if (std::signbit(aValue)) {
        aOut += '-';  // printf keeps the sign of a negative value that rounds to zero
    }
    const auto tenths = static_cast<std::uint64_t>(std::fabs(rounded));
    char digits[24];
    int length = 0;
    std::uint64_t whole = tenths / 10;
    do {
        digits[length++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (length > 0) {
        aOut += digits[--length];
    }
    aOut += '.';
    aOut += static_cast<char>('0' + tenths % 10);
}

void AppendInteger(std::string& aOut, int aValue, int aWidth) {
    char digits[16];
    int length = 0;
    // Work on the unsigned magnitude so that INT_MIN needs no special case.
    std::uint32_t magnitude =
        aValue < 0 ? 0u - static_cast<std::uint32_t>(aValue) : static_cast<std::uint32_t>(aValue);
    do {
        digits[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (aValue < 0) {
        aOut += '-';
        --aWidth;  // the sign takes one place of the width, the zeros go after it
    }
    for (int pad = aWidth - length; pad > 0; --pad) {
        aOut += '0';
    }
    while (length > 0) {
        aOut += digits[--length];
    }
}

bool ScanInteger(const char* aText, int& aValue) {
    const char* p = aText;
    while (IsSpace(*p)) {
        ++p;
    }
    if (*p == '+' || *p == '-') {
        ++p;
    }
    if (!IsDigit(*p)) {
        return false;
    }
    aValue = ReadInteger(aText);
    return true;
}
