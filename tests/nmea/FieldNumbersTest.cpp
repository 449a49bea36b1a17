// The conversions must give exactly what the C library calls they replace give; each is run
// beside its C library twin over many generated texts and values, the seed fixed so that a
// failure repeats.

#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "nmea/FieldNumbers.h"
#include "nmea/NmeaParser.h"

namespace {

constexpr int KCases = 200000;
constexpr std::uint32_t KSeed = 20240611;

// mt19937 gives the same sequence everywhere; only its raw output is used, never a
// distribution, whose results differ between standard libraries.
class CGenerator {
  public:
    CGenerator() : iEngine(KSeed) {}

    std::uint32_t Bits() { return static_cast<std::uint32_t>(iEngine()); }
    int Below(int aLimit) { return static_cast<int>(Bits() % static_cast<std::uint32_t>(aLimit)); }
    std::string Text(const std::string& aAlphabet, int aMaxLength) {
        std::string text;
        const int length = Below(aMaxLength + 1);
        for (int i = 0; i < length; ++i) {
            text += aAlphabet[static_cast<std::size_t>(Below(static_cast<int>(aAlphabet.size())))];
        }
        return text;
    }

  private:
    std::mt19937 iEngine;
};

std::uint32_t BitsOf(float aValue) {
    std::uint32_t bits;
    std::memcpy(&bits, &aValue, sizeof bits);
    return bits;
}

float FloatOf(std::uint32_t aBits) {
    float value;
    std::memcpy(&value, &aBits, sizeof value);
    return value;
}

// Same float, bit for bit (so -0 differs from 0), every NaN equal to every other.
::testing::AssertionResult SameFloat(const std::string& aText, float aExpected, float aActual) {
    if ((std::isnan(aExpected) && std::isnan(aActual)) || BitsOf(aExpected) == BitsOf(aActual)) {
        return ::testing::AssertionSuccess();
    }
    char message[160];
    std::snprintf(message, sizeof message, "expected %a (%08x), got %a (%08x)",
                  static_cast<double>(aExpected), BitsOf(aExpected), static_cast<double>(aActual),
                  BitsOf(aActual));
    return ::testing::AssertionFailure() << "text \"" << aText << "\": " << message;
}

// --- ReadDecimal ------------------------------------------------------------------------------

void ExpectDecimalLikeAtof(const std::string& aText) {
    const float expected = static_cast<float>(std::atof(aText.c_str()));
    EXPECT_TRUE(SameFloat(aText, expected, ReadDecimal(aText)));
}

TEST(FieldNumbers, ReadDecimalEqualsAtofOnEdgeCases) {
    const char* const texts[] = {
        "", "0", "-0", "-0.0", "+0.0", "0.05", "0.25", "022.4", "084.4", "003.1", "-34.0", ".5",
        "-.5", "5.", ".", "-", "+", "-.", "1e38", "3.4028235e38", "3.4028236e38", "1e39", "-1e39",
        "1e-45", "1e-40", "1.4e-45", "7e-46", "1.17549435e-38", "nan", "-nan", "NAN(123)", "inf",
        "-inf", "infinity", "INF", "0x1p-3", "0x", "0X1.8", "1e", "1e+", "1.5e-", "1E2", " 12.5",
        "\t-3", "12.5 ", "1,5", "12.5*6A", "999999999999999", "9999999999999999",
        "123456789012345.6", "0.1234567890123456789", "0000000000000000000001.5", "16777217",
        "16777217.0", "33554433", "0.000000000000001", "1.00000005960464477539",
        "1.0000000596046447753906250001", "340282356779733661637539395458142568448", "4807.038",
        "01131.000", "12311.12", "--1", "+-1", "1-", "1..5", "1.5.5", "e5", "x1",
        // 17 digits beside a float midpoint: a mantissa rounded to a double before the
        // division lands on the other side of the midpoint.
        "2835.2335205078126", "211.10428619384767", "2545.0736083984373", "2904.5643310546874"};
    for (const char* text : texts) {
        ExpectDecimalLikeAtof(text);
    }
}

TEST(FieldNumbers, ReadDecimalEqualsAtofOnGeneratedText) {
    CGenerator generator;
    const std::string alphabet = "0123456789.+- eExXaAfinN\t,";
    for (int i = 0; i < KCases; ++i) {
        ExpectDecimalLikeAtof(generator.Text(alphabet, 20));
    }
    // Mostly well-formed numbers, the shape receivers send, with an occasional tail.
    const std::string tails[] = {"", "", "", ",", "*", "e", "e-3", "E+41", " ", "x", ".", "N"};
    for (int i = 0; i < KCases; ++i) {
        std::string text;
        const int sign = generator.Below(4);
        text += sign == 0 ? "-" : sign == 1 ? "+" : "";
        std::string digits = generator.Text("0123456789", 19);
        if (generator.Below(3) != 0) {
            digits.insert(
                static_cast<std::size_t>(generator.Below(static_cast<int>(digits.size()) + 1)), 1,
                '.');
        }
        text += digits + tails[generator.Below(12)];
        ExpectDecimalLikeAtof(text);
    }
}

// --- ReadInteger ------------------------------------------------------------------------------

// atoi where strtol's value fits in an int; beyond, the saturated end of the range.
void ExpectIntegerLikeAtoi(const std::string& aText) {
    errno = 0;
    const long wide = std::strtol(aText.c_str(), nullptr, 10);
    int expected;
    if (wide > INT_MAX) {
        expected = INT_MAX;
    } else if (wide < INT_MIN) {
        expected = INT_MIN;
    } else {
        expected = std::atoi(aText.c_str());
    }
    EXPECT_EQ(ReadInteger(aText.c_str()), expected) << '"' << aText << '"';
}

TEST(FieldNumbers, ReadIntegerEqualsAtoiAndSaturatesBeyondInt) {
    const char* const texts[] = {"",
                                 "0",
                                 "-0",
                                 "+7",
                                 "054.7",
                                 "08",
                                 "  \t\n\v\f\r12",
                                 "- 1",
                                 "+-1",
                                 "-",
                                 "2147483647",
                                 "2147483648",
                                 "-2147483648",
                                 "-2147483649",
                                 "99999999999",
                                 "-99999999999999999999999",
                                 "000000000000000000002147483647",
                                 "12abc",
                                 "x12",
                                 "1e5"};
    for (const char* text : texts) {
        ExpectIntegerLikeAtoi(text);
    }
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        ExpectIntegerLikeAtoi(generator.Text("0123456789+- \t\n.x", 14));
    }
    // Near the ends of the range, where accumulation overflows first.
    for (int i = 0; i < KCases / 10; ++i) {
        const long long base = generator.Below(2) ? INT_MAX : INT_MIN;
        const long long value = base + static_cast<long long>(generator.Below(2001)) - 1000;
        ExpectIntegerLikeAtoi(std::to_string(value));
    }
}

// --- ScanIntegers, ParseTime, ParseDate -------------------------------------------------------

const std::string KTimeAlphabet = "0123456789.+- \t\n\v,a";

TEST(FieldNumbers, ParseTimeEqualsTheScanfOfItsFormat) {
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        const std::string text = generator.Text(KTimeAlphabet, 12);
        int values[4] = {};
        std::sscanf(text.c_str(), "%2d%2d%2d.%3d", &values[0], &values[1], &values[2], &values[3]);
        const CFrameTime expected = {values[0], values[1], values[2], values[3]};
        ASSERT_EQ(CNmeaParser::ParseTime(text), expected) << '"' << text << '"';
    }
}

TEST(FieldNumbers, ParseDateEqualsTheScanfOfItsFormat) {
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        const std::string text = generator.Text(KTimeAlphabet, 9);
        int values[3] = {};
        const int converted =
            std::sscanf(text.c_str(), "%2d%2d%2d", &values[0], &values[1], &values[2]);
        const CFrameDate expected = {converted == 3 ? values[2] + 2000 : 0, values[1], values[0]};
        ASSERT_EQ(CNmeaParser::ParseDate(text), expected) << '"' << text << '"';
    }
}

TEST(FieldNumbers, ScanIntegersCountsAndStoresLikeScanf) {
    static constexpr int KWidths[] = {2, 2, 2, 3};
    static constexpr char KSeparators[] = {'\0', '\0', '.', '\0'};
    const int KUntouched = -12345;
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        const std::string text = generator.Text(KTimeAlphabet, 12);
        int expected[4] = {KUntouched, KUntouched, KUntouched, KUntouched};
        int scanned = std::sscanf(text.c_str(), "%2d%2d%2d.%3d", &expected[0], &expected[1],
                                  &expected[2], &expected[3]);
        // sscanf says EOF when the text ends before the first conversion: none converted.
        scanned = scanned < 0 ? 0 : scanned;
        int actual[4] = {KUntouched, KUntouched, KUntouched, KUntouched};
        ASSERT_EQ(ScanIntegers(text.c_str(), KWidths, KSeparators, 4, actual), scanned)
            << '"' << text << '"';
        for (int k = 0; k < 4; ++k) {
            ASSERT_EQ(actual[k], expected[k]) << '"' << text << "\" value " << k;
        }
    }
}

// --- AppendOneDecimal -------------------------------------------------------------------------

void ExpectOneDecimalLikePrintf(float aValue) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.1f", static_cast<double>(aValue));
    std::string actual = "<";
    AppendOneDecimal(actual, aValue);
    ASSERT_EQ(actual, std::string("<") + expected) << "bits " << std::hex << BitsOf(aValue);
}

TEST(FieldNumbers, AppendOneDecimalEqualsPrintfOnEdgeCases) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Either side of where the digits stop being worked out by hand.
    const float below = std::nextafter(1e17f, 0.0f);
    const float above = std::nextafter(1e17f, 2e17f);
    const float values[] = {
        0.0f,          -0.0f,         0.05f,         -0.05f,     0.25f,      -0.25f,
        0.75f,         1.25f,         2.5f,          0.35f,      0.45f,      0.95f,
        9.95f,         99.95f,        -0.04f,        -0.05f,     22.4f,      84.4f,
        545.4f,        1e38f,         -1e38f,        FLT_MAX,    -FLT_MAX,   FLT_MIN,
        -FLT_MIN,      FLT_TRUE_MIN,  -FLT_TRUE_MIN, 1e-40f,     nan,        -nan,
        inf,           -inf,          1e17f,         below,      above,      1e18f,
        9.999999e16f,  16777216.0f,   16777215.5f,   8388607.5f, 8388608.5f, 4194303.75f,
        2147483648.0f, 4294967296.0f, 1.8446744e19f,
    };
    for (const float value : values) {
        ExpectOneDecimalLikePrintf(value);
    }
    // Every exact tie a float can hold at this magnitude: odd multiples of 0.05 that are
    // binary fractions, i.e. odd multiples of 0.25.
    for (int k = -4001; k <= 4001; k += 2) {
        ExpectOneDecimalLikePrintf(static_cast<float>(k) * 0.25f);
    }
}

TEST(FieldNumbers, AppendOneDecimalEqualsPrintfOnGeneratedFloats) {
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        ExpectOneDecimalLikePrintf(FloatOf(generator.Bits()));
    }
    // Magnitudes from 2^-27 to 2^63, where the digits are worked out without printf.
    for (int i = 0; i < KCases; ++i) {
        const std::uint32_t exponent = 100 + static_cast<std::uint32_t>(generator.Below(91));
        const std::uint32_t bits = (generator.Bits() & 0x807FFFFFu) | (exponent << 23);
        ExpectOneDecimalLikePrintf(FloatOf(bits));
    }
    // Tenths as a receiver writes them, read back as floats.
    for (int i = 0; i < KCases; ++i) {
        const int tenths = generator.Below(2000001) - 1000000;
        ExpectOneDecimalLikePrintf(static_cast<float>(tenths) / 10.0f);
    }
}

// --- AppendInteger ----------------------------------------------------------------------------

// printf of aValue with "%d" (aWidth 0) or "%0Nd"; literal formats keep -Wformat checking.
std::string Printf(int aValue, int aWidth) {
    char text[32];
    switch (aWidth) {
        case 2:
            std::snprintf(text, sizeof text, "%02d", aValue);
            break;
        case 3:
            std::snprintf(text, sizeof text, "%03d", aValue);
            break;
        case 4:
            std::snprintf(text, sizeof text, "%04d", aValue);
            break;
        default:
            std::snprintf(text, sizeof text, "%d", aValue);
            break;
    }
    return text;
}

void ExpectIntegerLikePrintf(int aValue) {
    std::string actual = "<";
    AppendInteger(actual, aValue);  // the default width
    ASSERT_EQ(actual, "<" + Printf(aValue, 0)) << "default width of " << aValue;
    for (const int width : {0, 2, 3, 4}) {
        actual = "<";
        AppendInteger(actual, aValue, width);
        ASSERT_EQ(actual, "<" + Printf(aValue, width)) << "width " << width << " of " << aValue;
    }
}

TEST(FieldNumbers, AppendIntegerEqualsPrintfWithAndWithoutZeroPadding) {
    const int values[] = {
        0,    -1,   1,     9,    -9,    10,    -10,  99, -99,     100,     -100,        999,
        -999, 1000, -1000, 9999, -9999, 10000, 2094, -5, INT_MAX, INT_MIN, INT_MIN + 1,
    };
    for (const int value : values) {
        ExpectIntegerLikePrintf(value);
    }
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        ExpectIntegerLikePrintf(static_cast<int>(generator.Bits()));
        ExpectIntegerLikePrintf(generator.Below(3001) - 1500);
    }
}

// --- ScanInteger ------------------------------------------------------------------------------

void ExpectScanLikeScanf(const std::string& aText) {
    int expected = -777;
    const bool scanned = std::sscanf(aText.c_str(), "%d", &expected) == 1;
    int actual = -777;
    ASSERT_EQ(ScanInteger(aText.c_str(), actual), scanned) << '"' << aText << '"';
    if (!scanned) {
        ASSERT_EQ(actual, -777) << "left unchanged: \"" << aText << '"';
        return;
    }
    const long wide = std::strtol(aText.c_str(), nullptr, 10);
    if (wide > INT_MAX) {
        expected = INT_MAX;
    } else if (wide < INT_MIN) {
        expected = INT_MIN;
    }
    ASSERT_EQ(actual, expected) << '"' << aText << '"';
}

TEST(FieldNumbers, ScanIntegerEqualsScanfAndSaturatesBeyondInt) {
    const char* const texts[] = {
        "",    " ",          "\n",         "-",           "+",           "- 1",
        "+-1", "x",          "5",          "+5",          "-5",          "  42abc",
        "007", "2147483647", "2147483648", "-2147483648", "-2147483649", "123456789012345678901"};
    for (const char* text : texts) {
        ExpectScanLikeScanf(text);
    }
    CGenerator generator;
    for (int i = 0; i < KCases; ++i) {
        ExpectScanLikeScanf(generator.Text("0123456789+- \t\nx", 14));
    }
}

}  // namespace
