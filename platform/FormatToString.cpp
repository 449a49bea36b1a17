#include "platform/FormatToString.h"

#include <cstdint>

namespace {

// The output side: counts what it writes and refuses everything past aSize - 1 characters, so
// no conversion can reach past the buffer whatever its width or argument.
class TOutput {
  public:
    TOutput(char* aBuffer, int aSize) : iBuffer(aBuffer), iLimit(aSize - 1) {}

    bool IsFull() const { return iCount >= iLimit; }
    void Put(char aChar) {
        if (!IsFull()) {
            iBuffer[iCount++] = aChar;
        }
    }
    void Repeat(char aChar, int aCount) {
        for (int i = 0; i < aCount && !IsFull(); ++i) {
            iBuffer[iCount++] = aChar;
        }
    }
    int Finish() {
        iBuffer[iCount] = '\0';
        return iCount;
    }

  private:
    char* iBuffer;
    int iLimit;
    int iCount = 0;
};

// Sign, then padding to aWidth digits, then the digits.
void PutNumber(TOutput& aOutput, std::uint32_t aMagnitude, bool aNegative, bool aPlus,
               unsigned aBase, int aWidth, char aPad) {
    static const char KDigits[] = "0123456789ABCDEF";
    char digits[32];
    int count = 0;
    do {
        digits[count++] = KDigits[aMagnitude % aBase];
        aMagnitude /= aBase;
    } while (aMagnitude != 0);
    if (aNegative) {
        aOutput.Put('-');
    } else if (aPlus) {
        aOutput.Put('+');
    }
    aOutput.Repeat(aPad, aWidth - count);
    while (count > 0) {
        aOutput.Put(digits[--count]);
    }
}

// What a conversion asks for between its '%' and its letter.
struct TConversion {
    bool iPlus = false;
    int iWidth = 0;
    char iPad = ' ';
};

// Reads the flags and width that follow a '%' into aConversion and returns where the conversion
// letter is. '+' and the length letters 'h' and 'l' may come anywhere, in any number; one width
// may come among them: a '0' and one digit pads with zeros, one or two digits starting at 1 pad
// with spaces, and a '0' alone is a width of nothing. A digit after the width is no part of it: it
// ends the scan.
const char* ScanFlagsAndWidth(const char* aFormat, TConversion& aConversion) {
    bool haveWidth = false;
    const char* p = aFormat;
    for (;; ++p) {
        if (*p == '+') {
            aConversion.iPlus = true;
        } else if (*p == 'h' || *p == 'l') {
            // Every integer argument is one int.
        } else if (!haveWidth && *p == '0') {
            haveWidth = true;
            if (p[1] >= '0' && p[1] <= '9') {
                ++p;
                aConversion.iPad = '0';
                aConversion.iWidth = *p - '0';
            }
        } else if (!haveWidth && *p >= '1' && *p <= '9') {
            haveWidth = true;
            aConversion.iWidth = *p - '0';
            if (p[1] >= '0' && p[1] <= '9') {
                ++p;
                aConversion.iWidth = aConversion.iWidth * 10 + (*p - '0');
            }
        } else {
            return p;
        }
    }
}

}  // namespace

int FormatToString(char* aBuffer, int aSize, const char* aFormat, ...) {
    std::va_list arguments;
    va_start(arguments, aFormat);
    const int count = FormatToStringList(aBuffer, aSize, aFormat, arguments);
    va_end(arguments);
    return count;
}

int FormatToStringList(char* aBuffer, int aSize, const char* aFormat, std::va_list aArguments) {
    if (aBuffer == nullptr || aSize < 1) {
        return 0;
    }
    TOutput output(aBuffer, aSize);
    if (aFormat == nullptr) {
        return output.Finish();
    }
    // Every conversion starts afresh: nothing (base, sign, width) carries over to the next.
    const char* p = aFormat;
    while (*p != '\0' && !output.IsFull()) {
        if (*p != '%') {
            output.Put(*p++);
            continue;
        }
        ++p;
        TConversion flags;
        p = ScanFlagsAndWidth(p, flags);
        const char conversion = *p;
        if (conversion == '\0') {
            break;  // a '%' or a conversion cut off by the end of the format writes nothing
        }
        ++p;
        switch (conversion) {
            case 'd':
            case 'x':
            case 'X': {
                const int value = va_arg(aArguments, int);
                const bool negative = value < 0;
                std::uint32_t magnitude = static_cast<std::uint32_t>(value);
                if (negative) {
                    magnitude = 0u - magnitude;
                }
                PutNumber(output, magnitude, negative, flags.iPlus, conversion == 'd' ? 10u : 16u,
                          flags.iWidth, flags.iPad);
                break;
            }
            case 'u':
                PutNumber(output, va_arg(aArguments, unsigned), false, false, 10u, flags.iWidth,
                          flags.iPad);
                break;
            case 'c':
                output.Put(static_cast<char>(va_arg(aArguments, int)));
                break;
            case 's': {
                const char* text = va_arg(aArguments, const char*);
                if (text == nullptr) {
                    text = "(null)";
                }
                while (*text != '\0' && !output.IsFull()) {
                    output.Put(*text++);
                }
                break;
            }
            default:
                // '%' itself, and any character that is no conversion, is copied alone.
                output.Put(conversion);
                break;
        }
    }
    return output.Finish();
}
