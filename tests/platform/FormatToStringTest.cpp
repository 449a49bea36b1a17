#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "platform/FormatToString.h"

namespace {

constexpr int KCanvas = 64;
constexpr char KUnwritten = '#';

struct TResult {
    std::string iText;  // the bytes before the count, NULs included
    int iCount;
    bool iTerminated;  // a NUL right after them
    bool iInBounds;    // nothing written at or past aSize
};

// Through the va_list entry, so that formats the compiler's printf checker rejects on purpose
// (unknown conversions, '+' with x) can be tried.
TResult FormatList(int aSize, const char* aFormat, ...) {
    char buffer[KCanvas];
    std::memset(buffer, KUnwritten, sizeof buffer);
    std::va_list arguments;
    va_start(arguments, aFormat);
    const int count = FormatToStringList(buffer, aSize, aFormat, arguments);
    va_end(arguments);
    TResult result{std::string(buffer, static_cast<std::size_t>(count > 0 ? count : 0)), count,
                   aSize < 1 || buffer[count] == '\0', true};
    for (int i = aSize < 0 ? 0 : aSize; i < KCanvas; ++i) {
        result.iInBounds = result.iInBounds && buffer[i] == KUnwritten;
    }
    return result;
}

struct TIntCase {
    const char* iFormat;
    int iFirst;
    int iSecond;
    const char* iExpected;
};

TEST(FormatToString, IntegerConversions) {
    const TIntCase cases[] = {
        {"%05d", 42, 0, "00042"},
        {"%3d", 7, 0, "  7"},
        {"%x", 255, 0, "FF"},
        {"%X", 0xABC, 0, "ABC"},
        {"%+d", 3, 0, "+3"},
        {"%+d", -3, 0, "-3"},
        {"%+d", 0, 0, "+0"},
        {"%+x", 26, 0, "+1A"},
        {"%+u", 5, 0, "5"},                       // '+' is for d, x and X only
        {"%x then %d", 255, 255, "FF then 255"},  // the base does not carry over
        {"%x", -255, 0, "-FF"},                   // hexadecimal is signed
        {"%5d", -42, 0, "-   42"},                // sign, then padding counting digits only
        {"%05d", -42, 0, "-00042"},
        {"%u", -1, 0, "4294967295"},
        {"%d", INT_MIN, 0, "-2147483648"},
        {"%x", INT_MIN, 0, "-80000000"},
        {"%12d", 5, 0, "           5"},
        {"%123d", 5, 0, "3d"},  // a third digit ends the conversion and is copied
        {"%0d", 5, 0, "5"},     // '0' without a digit: no padding
        {"%00d", 5, 0, "5"},
        {"%09u", 12, 0, "000000012"},
        {"%2d", 12345, 0, "12345"},  // width is a minimum
        {"%hd %ld", 1, 2, "1 2"},
        {"%l+h5d", 7, 0, "+    7"},  // modifiers in any order around the width
        {"%c%c", 'o', 'k', "ok"},
        {"%d%%", 50, 0, "50%"},
        {"%k%d", 9, 0, "k9"},  // unknown conversion: copied, takes no argument
        {"%+q", 0, 0, "q"},
        {"%5%", 0, 0, "%"},
        {"abc%", 0, 0, "abc"},  // '%' at the end writes nothing
        {"abc%05", 0, 0, "abc"},
        {"abc%+l", 0, 0, "abc"},
        {"", 0, 0, ""},
    };
    for (const TIntCase& test : cases) {
        SCOPED_TRACE(test.iFormat);
        const TResult result = FormatList(KCanvas, test.iFormat, test.iFirst, test.iSecond);
        EXPECT_EQ(result.iText, test.iExpected);
        EXPECT_EQ(result.iCount, static_cast<int>(std::strlen(test.iExpected)));
        EXPECT_TRUE(result.iTerminated);
        EXPECT_TRUE(result.iInBounds);
    }
}

TEST(FormatToString, StringsAndCharacters) {
    EXPECT_EQ(FormatList(KCanvas, "%s.%s.%u.%u.message", "fixtrail", "nav", 12u, 7u).iText,
              "fixtrail.nav.12.7.message");
    EXPECT_EQ(FormatList(KCanvas, "[%5s]", "ab").iText, "[ab]");  // strings are not padded
    EXPECT_EQ(FormatList(KCanvas, "[%s]", static_cast<const char*>(nullptr)).iText, "[(null)]");
    EXPECT_EQ(FormatList(KCanvas, "[%s]", "").iText, "[]");
    const TResult zero = FormatList(KCanvas, "a%cb", 0);
    EXPECT_EQ(zero.iText, std::string("a\0b", 3));
    EXPECT_EQ(zero.iCount, 3);
    EXPECT_EQ(FormatList(KCanvas, "%c", 0xE9).iText, "\xE9");
    EXPECT_EQ(FormatList(KCanvas, static_cast<const char*>(nullptr)).iCount, 0);
}

struct TLimitCase {
    const char* iLegend;
    int iSize;
    const char* iFormat;
    const char* iExpected;
};

TEST(FormatToString, StopsAtSizeMinusOneEvenInsideAConversion) {
    const TLimitCase cases[] = {
        {"digits cut", 4, "%d", "123"},
        {"padding cut", 4, "%09d", "000"},
        {"sign then padding cut", 3, "%+8d", "+ "},
        {"string cut", 5, "x%s", "xabc"},
        {"literal cut", 3, "abcdef", "ab"},
        {"exact fit", 7, "%d", "123456"},
        {"size one", 1, "%d", ""},
        {"wide padding", 20, "%99d", "                   "},
    };
    for (const TLimitCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        // The one string row takes a string argument, every other row the number 123456.
        const TResult chosen = std::strstr(test.iFormat, "%s") != nullptr
                                   ? FormatList(test.iSize, test.iFormat, "abcdef")
                                   : FormatList(test.iSize, test.iFormat, 123456);
        EXPECT_EQ(chosen.iText, test.iExpected);
        EXPECT_EQ(chosen.iCount, static_cast<int>(std::strlen(test.iExpected)));
        EXPECT_TRUE(chosen.iTerminated);
        EXPECT_TRUE(chosen.iInBounds);
    }
}

TEST(FormatToString, NoRoomWritesNothing) {
    for (int size : {0, -1, INT_MIN}) {
        SCOPED_TRACE(size);
        const TResult result = FormatList(size, "%d", 42);
        EXPECT_EQ(result.iCount, 0);
        EXPECT_TRUE(result.iInBounds);
    }
    EXPECT_EQ(FormatToString(nullptr, 10, "%d", 1), 0);
}

TEST(FormatToString, VariadicEntryMatchesTheListEntry) {
    char buffer[32];
    EXPECT_EQ(FormatToString(buffer, sizeof buffer, "%s_%04d.%s", "nmea", 7, "nmea"), 14);
    EXPECT_STREQ(buffer, "nmea_0007.nmea");
}

}  // namespace
