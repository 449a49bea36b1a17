#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "platform/FixedString.h"

namespace {

std::string Text(const CFixedString& aString) {
    return std::string(aString.Data(), static_cast<std::size_t>(aString.Length()));
}

// ---- Layout and storage

TEST(FixedString, InlineCharactersLieInsideTheObject) {
    EXPECT_EQ(sizeof(CFixedString), 8 + sizeof(char*));
    TFixedString<3> tiny;
    TFixedString<64> wide;
    for (CFixedString* string :
         {static_cast<CFixedString*>(&tiny), static_cast<CFixedString*>(&wide)}) {
        SCOPED_TRACE(string->Capacity());
        const char* begin = reinterpret_cast<const char*>(string);
        EXPECT_FALSE(string->IsExternal());
        EXPECT_EQ(string->Data(), begin + 8);  // the third word
        string->AppendFill('x', 1000);
        EXPECT_EQ(string->Length(), string->Capacity());
    }
    EXPECT_LE(wide.Data() + wide.Capacity() + 1,
              reinterpret_cast<const char*>(&wide) + sizeof wide);
    EXPECT_EQ(wide.Data()[64], '\0');  // the guard byte is never written
}

TEST(FixedString, HeapStringsAndDuplicates) {
    CFixedString* heap = CFixedString::New(10);
    ASSERT_NE(heap, nullptr);
    EXPECT_TRUE(heap->IsExternal());
    EXPECT_EQ(heap->Capacity(), 10);
    EXPECT_EQ(heap->Length(), 0);
    EXPECT_EQ(heap->Data(), reinterpret_cast<char*>(heap) + sizeof(CFixedString));
    heap->Append("hello");

    CFixedString* copy = CFixedString::Duplicate(*heap);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Capacity(), 6);
    EXPECT_STREQ(copy->Data(), "hello");  // terminated in place
    EXPECT_NE(copy->Data(), heap->Data());

    // A full heap string owns its bytes: terminating costs its last character, like inline.
    heap->Append("world!");
    EXPECT_EQ(Text(*heap), "helloworld");
    EXPECT_STREQ(heap->PtrZ(), "helloworl");

    CFixedString::Delete(copy);
    CFixedString::Delete(heap);
    CFixedString::Delete(nullptr);

    CFixedString* zero = CFixedString::New(-5);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->Capacity(), 0);
    zero->Append("abc");
    EXPECT_STREQ(zero->PtrZ(), "");
    zero->TerminatePath();
    CFixedString::Delete(zero);
    EXPECT_EQ(CFixedString::New(KMaxFixedStringCapacity + 1), nullptr);
}

TEST(FixedString, CopyOfInlineStringCopiesTheCharacters) {
    TFixedString<16> original("abc");
    TFixedString<16> copy(original);
    original.SetAt(0, 'X');
    EXPECT_EQ(Text(copy), "abc");
    copy = original;
    EXPECT_EQ(Text(copy), "Xbc");
}

// ---- Views

struct TViewCase {
    const char* iLegend;
    std::function<CFixedString(const CFixedString&)> iMake;
    int iPosition;
    const char* iExpected;
};

TEST(FixedString, ViewsClampPositionsAndCounts) {
    const TViewCase cases[] = {
        {"left 2", [](const CFixedString& s) { return s.Left(2); }, 0, "ab"},
        {"left 0", [](const CFixedString& s) { return s.Left(0); }, 0, ""},
        {"left negative", [](const CFixedString& s) { return s.Left(-3); }, 0, ""},
        {"left past the end", [](const CFixedString& s) { return s.Left(99); }, 0, "abcdef"},
        {"right 2", [](const CFixedString& s) { return s.Right(2); }, 4, "ef"},
        {"right past the start", [](const CFixedString& s) { return s.Right(99); }, 0, "abcdef"},
        {"right negative", [](const CFixedString& s) { return s.Right(-1); }, 6, ""},
        {"mid to the end", [](const CFixedString& s) { return s.Mid(2); }, 2, "cdef"},
        {"mid negative position", [](const CFixedString& s) { return s.Mid(-5); }, 0, "abcdef"},
        {"mid past the end", [](const CFixedString& s) { return s.Mid(99); }, 6, ""},
        {"mid with count", [](const CFixedString& s) { return s.Mid(1, 3); }, 1, "bcd"},
        {"mid count past the end", [](const CFixedString& s) { return s.Mid(4, 99); }, 4, "ef"},
        {"mid negative count", [](const CFixedString& s) { return s.Mid(1, -1); }, 1, ""},
        {"mid zero position", [](const CFixedString& s) { return s.Mid(0, 2); }, 0, "ab"},
    };
    TFixedString<16> source("abcdef");
    for (const TViewCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        const CFixedString view = test.iMake(source);
        EXPECT_EQ(Text(view), test.iExpected);
        EXPECT_TRUE(view.IsExternal());
        EXPECT_EQ(view.Capacity(), view.Length());
        EXPECT_EQ(view.Data(), source.Data() + test.iPosition);
    }
}

TEST(FixedString, ViewsShareTheirSourceBytes) {
    TFixedString<16> source("abcdef");
    CFixedString middle = source.Mid(2, 2);
    middle.ToUpper();
    EXPECT_EQ(Text(source), "abCDef");
    middle.Append("zz");  // a view is always full
    EXPECT_EQ(Text(middle), "CD");

    CFixedString text = CFixedString::View("hello");
    EXPECT_EQ(text.Length(), 5);
    EXPECT_EQ(text.Capacity(), 5);
    EXPECT_TRUE(text.IsExternal());
    EXPECT_EQ(CFixedString::View(nullptr).Length(), 0);
    EXPECT_EQ(Text(CFixedString::View("abcdef", 3)), "abc");
    EXPECT_EQ(CFixedString::View("abc", -1).Length(), 0);
}

// ---- Assigning, appending and their clamping

struct TEditCase {
    const char* iLegend;
    const char* iInitial;
    std::function<void(CFixedString&)> iEdit;
    std::string iExpected;
};

void RunEditCases(const TEditCase* aCases, std::size_t aCount) {
    for (std::size_t i = 0; i < aCount; ++i) {
        const TEditCase& test = aCases[i];
        SCOPED_TRACE(test.iLegend);
        TFixedString<6> string(test.iInitial);
        test.iEdit(string);
        EXPECT_EQ(Text(string), test.iExpected);
        EXPECT_LE(string.Length(), string.Capacity());
    }
}

TEST(FixedString, AssignAndAppendTruncateAtTheCapacity) {
    const TEditCase cases[] = {
        {"assign fits", "xy", [](CFixedString& s) { s.Assign("abc"); }, "abc"},
        {"assign truncates", "", [](CFixedString& s) { s.Assign("abcdefgh"); }, "abcdef"},
        {"assign bytes with NUL", "", [](CFixedString& s) { s.Assign("a\0b", 3); },
         std::string("a\0b", 3)},
        {"assign negative count", "xy", [](CFixedString& s) { s.Assign("abc", -2); }, ""},
        {"assign null text keeps", "xy", [](CFixedString& s) { s.Assign(nullptr); }, "xy"},
        {"assign overlapping self", "abcdef", [](CFixedString& s) { s.Assign(s.Data() + 2, 3); },
         "cde"},
        {"assign from string", "", [](CFixedString& s) { s.Assign(CFixedString::View("qwertyu")); },
         "qwerty"},
        {"append fits", "ab", [](CFixedString& s) { s.Append("cd"); }, "abcd"},
        {"append truncates", "ab", [](CFixedString& s) { s.Append("cdefgh"); }, "abcdef"},
        {"append to full", "abcdef", [](CFixedString& s) { s.Append("x"); }, "abcdef"},
        {"append bytes counted", "a", [](CFixedString& s) { s.Append("bcdef", 2); }, "abc"},
        {"append self", "abc", [](CFixedString& s) { s.Append(s); }, "abcabc"},
        {"append char", "abcde", [](CFixedString& s) { s.AppendChar('f'); }, "abcdef"},
        {"append char to full", "abcdef", [](CFixedString& s) { s.AppendChar('g'); }, "abcdef"},
        {"fill", "ab", [](CFixedString& s) { s.AppendFill('x', 10); }, "abxxxx"},
        {"fill negative", "ab", [](CFixedString& s) { s.AppendFill('x', -1); }, "ab"},
        // A fresh inline string holds zeros past its characters.
        {"set length longer", "ab", [](CFixedString& s) { s.SetLength(99); },
         std::string("ab\0\0\0\0", 6)},
        {"set length shorter", "abcd", [](CFixedString& s) { s.SetLength(1); }, "a"},
        {"set length negative", "abcd", [](CFixedString& s) { s.SetLength(-1); }, ""},
    };
    RunEditCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(FixedString, AppendingSixCharactersToCapacityFourKeepsFour) {
    TFixedString<4> string;
    string.Append("abcdef");
    EXPECT_EQ(string.Length(), 4);
    EXPECT_EQ(Text(string), "abcd");
}

TEST(FixedString, InsertRemoveAndTrim) {
    const TEditCase cases[] = {
        {"insert in the middle", "abef",
         [](CFixedString& s) { s.Insert(2, CFixedString::View("cd")); }, "abcdef"},
        {"insert clamped to the free space", "abc",
         [](CFixedString& s) { s.Insert(1, CFixedString::View("XYZW")); }, "aXYZbc"},
        {"insert into full", "abcdef",
         [](CFixedString& s) { s.Insert(1, CFixedString::View("X")); }, "abcdef"},
        {"insert before the start", "abc",
         [](CFixedString& s) { s.Insert(-4, CFixedString::View("X")); }, "Xabc"},
        {"insert past the end", "abc",
         [](CFixedString& s) { s.Insert(40, CFixedString::View("X")); }, "abcX"},
        {"insert itself", "abc", [](CFixedString& s) { s.Insert(1, s); }, "aabcbc"},
        {"insert its own tail", "abcd", [](CFixedString& s) { s.Insert(0, s.Mid(2)); }, "cdabcd"},
        {"insert char", "ac", [](CFixedString& s) { s.InsertChar(1, 'b'); }, "abc"},
        {"insert char into full", "abcdef", [](CFixedString& s) { s.InsertChar(0, 'X'); },
         "abcdef"},
        {"remove", "abcdef", [](CFixedString& s) { s.Remove(1, 2); }, "adef"},
        {"remove past the end", "abcdef", [](CFixedString& s) { s.Remove(4, 99); }, "abcd"},
        {"remove at negative position", "abc", [](CFixedString& s) { s.Remove(-1, 2); }, "abc"},
        {"remove at the end", "abc", [](CFixedString& s) { s.Remove(3, 1); }, "abc"},
        {"remove nothing", "abc", [](CFixedString& s) { s.Remove(0, 0); }, "abc"},
        {"trim left", " \tab ", [](CFixedString& s) { s.TrimLeft(); }, "ab "},
        {"trim right", " ab\t ", [](CFixedString& s) { s.TrimRight(); }, " ab"},
        {"trim both", "\t a b ", [](CFixedString& s) { s.Trim(); }, "a b"},
        {"trim only blanks", " \t \t ", [](CFixedString& s) { s.Trim(); }, ""},
        {"trim keeps newlines", "\nab\n", [](CFixedString& s) { s.Trim(); }, "\nab\n"},
    };
    RunEditCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(FixedString, ClearBytesKeepsTheLength) {
    TFixedString<8> string("abc");
    string.ClearBytes();
    EXPECT_EQ(Text(string), std::string(3, '\0'));
}

// ---- Terminating

TEST(FixedString, TerminateAndGet) {
    TFixedString<4> full;
    full.Append("abcd");
    EXPECT_STREQ(full.PtrZ(), "abc");
    EXPECT_EQ(full.Length(), 3);

    TFixedString<4> roomy("ab");
    EXPECT_EQ(roomy.PtrZ(), roomy.Data());
    EXPECT_STREQ(roomy.PtrZ(), "ab");
    EXPECT_EQ(roomy.Length(), 2);

    // Empty strings share one "" rather than writing into storage that may have no room.
    TFixedString<4> empty;
    CFixedString emptyView = CFixedString::View("");
    EXPECT_STREQ(empty.PtrZ(), "");
    EXPECT_EQ(empty.PtrZ(), emptyView.PtrZ());

    // A view of a C string is already terminated: it is returned as it is, never written (the
    // literal lives in read-only memory, so a write would crash here).
    CFixedString literal = CFixedString::View("read-only");
    EXPECT_STREQ(literal.PtrZ(), "read-only");
    EXPECT_EQ(literal.Length(), 9);

    // A part view is terminated in its source's bytes.
    TFixedString<8> source("abcdef");
    CFixedString left = source.Left(3);
    EXPECT_STREQ(left.PtrZ(), "ab");
    EXPECT_EQ(Text(source), std::string("ab\0def", 6));

    TFixedString<6> assigned;
    EXPECT_STREQ(assigned.AssignZ("abcdefgh"), "abcde");
    EXPECT_STREQ(assigned.AppendZ("x"), "abcde");
}

TEST(FixedString, ZeroTerminateAndTerminatePath) {
    TFixedString<4> full;
    full.Append("abcd");
    full.ZeroTerminate();
    EXPECT_EQ(full.Length(), 3);
    EXPECT_STREQ(full.Data(), "abc");

    // For a path the length stays; the last character gives way to the NUL.
    // It says so: that C string names another path.
    TFixedString<4> path;
    path.Append("abcd");
    EXPECT_FALSE(path.TerminatePath());
    EXPECT_EQ(path.Length(), 4);
    EXPECT_STREQ(path.Data(), "abc");

    TFixedString<8> shorter("abcdef");
    shorter.SetLength(3);
    EXPECT_TRUE(shorter.TerminatePath());
    EXPECT_STREQ(shorter.Data(), "abc");
    EXPECT_EQ(shorter.Length(), 3);

    CFixedString literal = CFixedString::View("/var/run/");
    EXPECT_TRUE(literal.TerminatePath());  // already followed by its NUL: nothing written
    EXPECT_STREQ(literal.Data(), "/var/run/");
    const char text[] = "/var/run/x";
    CFixedString part = CFixedString::View(text).Left(8);
    EXPECT_FALSE(part.TerminatePath());  // a view that ends inside its text
}

TEST(FixedString, CopyToBoundsTheBuffer) {
    TFixedString<8> string("abcd");
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    string.CopyTo(buffer, 3);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(buffer[3], '#');
    string.CopyTo(buffer, 8);
    EXPECT_STREQ(buffer, "abcd");
    std::memset(buffer, '#', sizeof buffer);
    string.CopyTo(buffer, 0);
    EXPECT_EQ(buffer[0], '#');
    string.CopyTo(buffer, 1);
    EXPECT_STREQ(buffer, "");
}

// ---- Numbers

struct TToIntCase {
    const char* iText;
    int iValue;
    int iEnd;
};

TEST(FixedString, ToIntSkipsBlanksAndStopsAtTheFirstNonDigit) {
    const TToIntCase cases[] = {
        {"  -42xyz", -42, 5},
        {"+7", 7, 2},
        {"abc", 0, 0},
        {"", 0, 0},
        {"\t 12 3", 12, 4},
        {"-", 0, 0},
        {"+-1", 0, 0},
        {" 007", 7, 4},
        {"2147483647", INT_MAX, 10},
        {"-2147483648", INT_MIN, 11},
        {"2147483648", INT_MIN, 10},  // wraps, as 32-bit arithmetic does
        {"\n5", 0, 0},                // only spaces and tabs are skipped
    };
    for (const TToIntCase& test : cases) {
        SCOPED_TRACE(test.iText);
        int end = -1;
        EXPECT_EQ(CFixedString::View(test.iText).ToInt(&end), test.iValue);
        EXPECT_EQ(end, test.iEnd);
    }
    // The length bounds the parse, not a NUL.
    EXPECT_EQ(CFixedString::View("12345", 2).ToInt(), 12);
}

TEST(FixedString, NumbersToText) {
    struct TCase {
        const char* iLegend;
        std::function<void(CFixedString&)> iEdit;
        const char* iExpected;
    };
    const TCase cases[] = {
        {"zero", [](CFixedString& s) { s.SetNum(0); }, "0"},
        {"negative", [](CFixedString& s) { s.SetNum(-123); }, "-123"},
        {"smallest int", [](CFixedString& s) { s.SetNum(INT_MIN); }, "-2147483648"},
        {"replaces the text",
         [](CFixedString& s) {
             s.Assign("xyz");
             s.SetNum(5);
         },
         "5"},
        {"hexadecimal", [](CFixedString& s) { s.AppendNum(255, 16); }, "ff"},
        {"binary", [](CFixedString& s) { s.AppendNum(5, 2); }, "101"},
        {"base 36", [](CFixedString& s) { s.AppendNum(35, 36); }, "z"},
        {"largest unsigned", [](CFixedString& s) { s.AppendNum(UINT32_MAX, 10); }, "4294967295"},
        {"base 1 appends nothing", [](CFixedString& s) { s.AppendNum(5, 1); }, ""},
        {"base 37 appends nothing", [](CFixedString& s) { s.AppendNum(5, 37); }, ""},
        {"appended after text",
         [](CFixedString& s) {
             s.Assign("n=");
             s.AppendNum(42, 10);
         },
         "n=42"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        TFixedString<16> string;
        test.iEdit(string);
        EXPECT_EQ(Text(string), test.iExpected);
    }
    TFixedString<4> small;
    small.SetNum(-12345);
    EXPECT_EQ(Text(small), "-123");  // most significant digits first, cut at the capacity
    small.Assign("x");
    small.AppendNum(98765, 10);
    EXPECT_EQ(Text(small), "x987");
}

// ---- Comparing and searching

struct TCompareCase {
    const char* iLeft;
    const char* iRight;
    int iPlain;
    int iIgnoreCase;
    int iFolded;
};

TEST(FixedString, CompareThroughTheTables) {
    const TCompareCase cases[] = {
        {"abc", "abc", 0, 0, 0},
        {"abc", "abd", 'c' - 'd', 'C' - 'D', 'C' - 'D'},
        {"abc", "ab", 1, 1, 1},
        {"ab", "abc", -1, -1, -1},
        {"", "", 0, 0, 0},
        {"", "a", -1, -1, -1},
        {"abc", "ABC", 'a' - 'A', 0, 0},
        {"a", "B", 'a' - 'B', 'A' - 'B', 'A' - 'B'},
        {"\xE9", "e", 0xE9 - 'e', 0xC9 - 'E', 0},  // bytes compare unsigned
        {"\xE9", "\xC9", 0xE9 - 0xC9, 0, 0},
        {"CAFE", "caf\xE9", 'C' - 'c', 'E' - 0xC9, 0},
        {"A-B", "a b", 'A' - 'a', '-' - ' ', 0},
        {"stra\xDF"
         "e",
         "STRASE", 's' - 'S', 0xDF - 'S', 0},
        {"\xFF", "y", 0xFF - 'y', 0xFF - 'Y', 0},
    };
    for (const TCompareCase& test : cases) {
        SCOPED_TRACE(std::string(test.iLeft) + " vs " + test.iRight);
        const CFixedString left = CFixedString::View(test.iLeft);
        const CFixedString right = CFixedString::View(test.iRight);
        EXPECT_EQ(left.Compare(right), test.iPlain);
        EXPECT_EQ(left.CompareIgnoreCase(right), test.iIgnoreCase);
        EXPECT_EQ(left.CompareFolded(right), test.iFolded);
    }
}

TEST(FixedString, LocateAndFind) {
    const CFixedString text = CFixedString::View("a.b.c\xE9");
    EXPECT_EQ(text.Locate('.'), 1);
    EXPECT_EQ(text.LocateReverse('.'), 3);
    EXPECT_EQ(text.Locate('x'), -1);
    EXPECT_EQ(text.LocateReverse('x'), -1);
    EXPECT_EQ(text.Locate('\xE9'), 5);
    EXPECT_EQ(CFixedString::View("").Locate('a'), -1);

    const CFixedString haystack = CFixedString::View("abcabd");
    EXPECT_EQ(haystack.Find(CFixedString::View("abd")), 3);
    EXPECT_EQ(haystack.Find(CFixedString::View("abc")), 0);
    EXPECT_EQ(haystack.Find(CFixedString::View("abe")), -1);
    EXPECT_EQ(haystack.Find(CFixedString::View("")), -1);
    EXPECT_EQ(haystack.Find(CFixedString::View("abcabdx")), -1);
    EXPECT_EQ(haystack.Find(haystack), 0);

    const CFixedString place = CFixedString::View("Saint-\xC9tienne");
    EXPECT_EQ(place.FindFolded("ETIENNE", 7), 6);
    EXPECT_EQ(place.FindFolded("saint e", 7), 0);
    EXPECT_EQ(place.FindFolded("", 0), 0);
    EXPECT_EQ(place.FindFolded("lyon", 4), -1);
    EXPECT_EQ(place.FindFolded("SAINT-ETIENNEX", 14), -1);
    EXPECT_EQ(place.FindFolded("NNE", 3), 10);
}

TEST(FixedString, WholeStringConversions) {
    TFixedString<16> string("hELLO w\xC9RLD");
    string.Capitalize();
    EXPECT_EQ(Text(string), "Hello w\xE9rld");
    string.ToUpper();
    EXPECT_EQ(Text(string), "HELLO W\xC9RLD");
    string.ToLower();
    EXPECT_EQ(Text(string), "hello w\xE9rld");
    string.Fold();
    EXPECT_EQ(Text(string), "HELLO WERLD");
    string.Assign("\xE9t\xE9");
    string.UpperAt(0);
    EXPECT_EQ(Text(string), "\xC9t\xE9");
    string.LowerAt(0);
    EXPECT_EQ(Text(string), "\xE9t\xE9");
    TFixedString<4> empty;
    empty.Capitalize();
    EXPECT_EQ(empty.Length(), 0);
}

TEST(FixedString, FormatUsesTheWholeCapacityAsLimit) {
    TFixedString<8> string("old text");
    string.Format("%d-%s", 42, "abcdefgh");
    EXPECT_EQ(Text(string), "42-abcd");  // capacity - 1 characters and the NUL
    EXPECT_STREQ(string.Data(), "42-abcd");
    string.Format("%s", "");
    EXPECT_EQ(string.Length(), 0);
}

// ---- Character tables and classes

// The mapping written out pair by pair, independently of how the tables are built.
struct TMapping {
    int iFirst;
    int iLast;
    int iTo;  // the first's image; a range maps by the same offset
    bool iSingleTarget;
};

void ExpectTable(const unsigned char (&aTable)[256], std::initializer_list<TMapping> aMappings,
                 const char* aName) {
    int expected[256];
    for (int c = 0; c < 256; ++c) {
        expected[c] = c;
    }
    for (const TMapping& mapping : aMappings) {
        for (int c = mapping.iFirst; c <= mapping.iLast; ++c) {
            expected[c] = mapping.iSingleTarget ? mapping.iTo : mapping.iTo + (c - mapping.iFirst);
        }
    }
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(aTable[c], expected[c]) << aName << " at 0x" << std::hex << c;
    }
}

TEST(CharacterTables, UpperCase) {
    ExpectTable(KUpperTable,
                {{'a', 'z', 'A', false}, {0xE0, 0xFE, 0xC0, false}, {0xBE, 0xBE, 0xBD, false}},
                "upper");
}

TEST(CharacterTables, LowerCase) {
    ExpectTable(KLowerTable,
                {{'A', 'Z', 'a', false}, {0xC0, 0xDE, 0xE0, false}, {0xBD, 0xBD, 0xBE, false}},
                "lower");
}

TEST(CharacterTables, Fold) {
    ExpectTable(KFoldTable,
                {{'a', 'z', 'A', false},   {'-', '-', ' ', true},    {0x82, 0x82, ',', true},
                 {0x8A, 0x8A, 'S', true},  {0x9A, 0x9A, 'S', true},  {0xDF, 0xDF, 'S', true},
                 {0x9C, 0x9C, 0x8C, true}, {0x9F, 0x9F, 'Y', true},  {0xDD, 0xDD, 'Y', true},
                 {0xFD, 0xFD, 'Y', true},  {0xFF, 0xFF, 'Y', true},  {0xBD, 0xBE, 'L', true},
                 {0xC0, 0xC6, 'A', true},  {0xE0, 0xE6, 'A', true},  {0xC7, 0xC7, 'C', true},
                 {0xE7, 0xE7, 'C', true},  {0xC8, 0xCB, 'E', true},  {0xE8, 0xEB, 'E', true},
                 {0xCC, 0xCF, 'I', true},  {0xEC, 0xEF, 'I', true},  {0xD1, 0xD1, 'N', true},
                 {0xF1, 0xF1, 'N', true},  {0xD2, 0xD6, 'O', true},  {0xD8, 0xD8, 'O', true},
                 {0xF2, 0xF6, 'O', true},  {0xF8, 0xF8, 'O', true},  {0xD9, 0xDC, 'U', true},
                 {0xF9, 0xFC, 'U', true},  {0xF0, 0xF0, 0xD0, true}, {0xFE, 0xFE, 0xDE, true}},
                "fold");
}

TEST(CharacterTables, ClassesAreAsciiOnly) {
    // The C locale's classes are the ASCII ones: every byte value must agree with them.
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        const char ch = static_cast<char>(c);
        const bool ascii = c < 128;
        EXPECT_EQ(IsDigit(ch), ascii && std::isdigit(c) != 0);
        EXPECT_EQ(IsLetter(ch), ascii && std::isalpha(c) != 0);
        EXPECT_EQ(IsUpper(ch), ascii && std::isupper(c) != 0);
        EXPECT_EQ(IsLower(ch), ascii && std::islower(c) != 0);
    }
}

// ---- Bounded helpers

TEST(BoundedHelpers, CopyAlwaysTerminatesInsideTheBufferAndSaysWhenItCut) {
    struct TCase {
        const char* iSource;
        int iSize;
        const char* iExpected;
        bool iWhole;
    };
    const TCase cases[] = {{"abcdef", 4, "abc", false}, {"ab", 8, "ab", true},
                           {"abc", 1, "", false},       {"", 4, "", true},
                           {"abc", 4, "abc", true},     {"abcd", 4, "abc", false}};
    for (const TCase& test : cases) {
        SCOPED_TRACE(std::string(test.iSource) + " into " + std::to_string(test.iSize));
        char buffer[10];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(BoundedCopy(buffer, test.iSource, test.iSize), test.iWhole);
        EXPECT_STREQ(buffer, test.iExpected);
        EXPECT_EQ(buffer[test.iSize - 1], '\0');
        EXPECT_EQ(buffer[test.iSize], '#');
    }
    char untouched[2] = {'#', '#'};
    EXPECT_FALSE(BoundedCopy(untouched, "abc", 0));
    EXPECT_FALSE(BoundedCopy(untouched, "abc", -3));
    EXPECT_TRUE(BoundedCopy(untouched, "", 0));
    EXPECT_EQ(untouched[0], '#');
    char empty[2] = {'#', '#'};
    EXPECT_TRUE(BoundedCopy(empty, nullptr, sizeof empty));
    EXPECT_STREQ(empty, "");
}

TEST(BoundedHelpers, ParseIntReadsAsPercentDAndRefusesWhatAnIntCannotHold) {
    struct TCase {
        const char* iText;
        bool iRead;
        int iValue;
        int iEnd;  // characters consumed
    };
    const TCase cases[] = {
        {"77", true, 77, 2},
        {" \t-5 0", true, -5, 4},
        {"+12x", true, 12, 3},
        {"2147483647", true, INT_MAX, 10},
        {"-2147483648", true, INT_MIN, 11},
        {"2147483648", false, 0, 0},
        {"", false, 0, 0},
        {"x1", false, 0, 0},
        {"-", false, 0, 0},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iText);
        const char* text = test.iText;
        int value = 0;
        EXPECT_EQ(ParseInt(text, value), test.iRead);
        EXPECT_EQ(value, test.iValue);
        EXPECT_EQ(text - test.iText, test.iEnd);
    }
}

}  // namespace
