// FormatToString against a plain model of its rules, on any format and any buffer size.
//
// Input: byte 0 picks the arguments (even: integers, odd: strings, a null one among them),
// byte 1 the buffer size (0 to 255), the rest is the format. So that every conversion meets an
// argument of its own type, an integer run turns each 's' of the format into 'S' and a string
// run turns d, x, X, u and c into D, y, Y, U and C (both are then conversions that copy their
// letter). The model builds the whole output with snprintf digits and no limit; the result
// must be its first size - 1 bytes, terminated, with nothing written past the buffer.

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "platform/FixedString.h"
#include "platform/FormatToString.h"

namespace {

constexpr int KArguments = 40;  // a format is cut after this many '%'
constexpr int KCanvas = 320;
constexpr char KCanary = '\x5A';

const int KIntegers[] = {0,    1,         -1,     42, -42, 255, 7, 2147483647, -2147483647 - 1,
                         0xE9, 123456789, -65536, 10, 'A', 3};
const std::string KLong(150, 'L');
const char* const KStrings[] = {"", "abc", nullptr, "/var/run/", KLong.c_str(), "\xE9t\xE9", "%d"};

int Integer(int aIndex) {
    return KIntegers[aIndex % (sizeof KIntegers / sizeof KIntegers[0])];
}
const char* String(int aIndex) {
    return KStrings[aIndex % (sizeof KStrings / sizeof KStrings[0])];
}

bool Digit(char aChar) {
    return aChar >= '0' && aChar <= '9';
}

std::string Number(long long aValue, bool aUnsigned, bool aHex, bool aPlus, int aWidth, char aPad) {
    const bool negative = !aUnsigned && aValue < 0;
    const unsigned long long magnitude = negative ? static_cast<unsigned long long>(-aValue)
                                                  : static_cast<unsigned long long>(aValue);
    char digits[32];
    std::snprintf(digits, sizeof digits, aHex ? "%llX" : "%llu", magnitude);
    std::string out;
    if (negative) {
        out += '-';
    } else if (aPlus && !aUnsigned) {
        out += '+';
    }
    const int count = static_cast<int>(std::strlen(digits));
    if (aWidth > count) {
        out.append(static_cast<std::size_t>(aWidth - count), aPad);
    }
    return out + digits;
}

std::string Model(const std::string& aFormat, bool aStrings) {
    std::string out;
    int argument = 0;
    std::size_t i = 0;
    while (i < aFormat.size()) {
        if (aFormat[i] != '%') {
            out += aFormat[i++];
            continue;
        }
        ++i;
        bool plus = false;
        bool haveWidth = false;
        int width = 0;
        char pad = ' ';
        while (i < aFormat.size()) {
            const char c = aFormat[i];
            if (c == '+') {
                plus = true;
                ++i;
            } else if (c == 'h' || c == 'l') {
                ++i;
            } else if (!haveWidth && Digit(c)) {
                haveWidth = true;
                const bool next = i + 1 < aFormat.size() && Digit(aFormat[i + 1]);
                if (c == '0') {
                    if (next) {
                        pad = '0';
                        width = aFormat[i + 1] - '0';
                        ++i;
                    }
                } else {
                    width = c - '0';
                    if (next) {
                        width = width * 10 + (aFormat[i + 1] - '0');
                        ++i;
                    }
                }
                ++i;
            } else {
                break;
            }
        }
        if (i >= aFormat.size()) {
            break;
        }
        const char conversion = aFormat[i++];
        if (aStrings && conversion == 's') {
            const char* text = String(argument++);
            out += text == nullptr ? "(null)" : text;
        } else if (!aStrings && (conversion == 'd' || conversion == 'x' || conversion == 'X')) {
            out += Number(Integer(argument++), false, conversion != 'd', plus, width, pad);
        } else if (!aStrings && conversion == 'u') {
            out +=
                Number(static_cast<unsigned>(Integer(argument++)), true, false, plus, width, pad);
        } else if (!aStrings && conversion == 'c') {
            out += static_cast<char>(Integer(argument++));
        } else {
            out += conversion;
        }
    }
    return out;
}

int Call(char* aBuffer, int aSize, const char* aFormat, ...) {
    std::va_list arguments;
    va_start(arguments, aFormat);
    const int count = FormatToStringList(aBuffer, aSize, aFormat, arguments);
    va_end(arguments);
    return count;
}

#define FIXTRAIL_ARGS5(F, n) F(n), F(n + 1), F(n + 2), F(n + 3), F(n + 4)
#define FIXTRAIL_ARGS40(F)                                                                    \
    FIXTRAIL_ARGS5(F, 0), FIXTRAIL_ARGS5(F, 5), FIXTRAIL_ARGS5(F, 10), FIXTRAIL_ARGS5(F, 15), \
        FIXTRAIL_ARGS5(F, 20), FIXTRAIL_ARGS5(F, 25), FIXTRAIL_ARGS5(F, 30), FIXTRAIL_ARGS5(F, 35)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    if (aSize < 2) {
        return 0;
    }
    const bool strings = (aData[0] & 1) != 0;
    const int size = aData[1];
    std::string format(reinterpret_cast<const char*>(aData + 2), aSize - 2);
    format = format.substr(0, std::strlen(format.c_str()));  // the format ends at a NUL
    int percents = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char& c = format[i];
        if (c == '%' && ++percents > KArguments) {
            format.resize(i);
            break;
        }
        if (!strings && c == 's') {
            c = 'S';
        } else if (strings) {
            c = c == 'd'   ? 'D'
                : c == 'x' ? 'y'
                : c == 'X' ? 'Y'
                : c == 'u' ? 'U'
                : c == 'c' ? 'C'
                           : c;
        }
    }

    char buffer[KCanvas];
    std::memset(buffer, KCanary, sizeof buffer);
    const int count = strings ? Call(buffer, size, format.c_str(), FIXTRAIL_ARGS40(String))
                              : Call(buffer, size, format.c_str(), FIXTRAIL_ARGS40(Integer));

    std::string expected = Model(format, strings);
    if (size < 1) {
        expected.clear();
    } else if (expected.size() > static_cast<std::size_t>(size - 1)) {
        expected.resize(static_cast<std::size_t>(size - 1));
    }
    Check(count == static_cast<int>(expected.size()));
    Check(std::memcmp(buffer, expected.data(), expected.size()) == 0);
    if (size >= 1) {
        Check(buffer[count] == '\0');
    }
    for (int i = size; i < KCanvas; ++i) {
        Check(buffer[i] == KCanary);
    }

    // The string form: the same text within its capacity, never past it.
    if (size >= 1) {
        CFixedString* string = CFixedString::New(size);
        Check(string != nullptr);
        if (strings) {
            string->Format("%s|%s", String(0), format.c_str());
        } else {
            string->Format("%d|%s", Integer(0), format.c_str());
        }
        Check(string->Length() <= size - 1);
        Check(string->Data()[string->Length()] == '\0');
        CFixedString::Delete(string);
    }
    return 0;
}
