// CCsvArguments: building, splitting, the inline/heap boundaries of its text and item tables,
// and release through either base.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Arguments.h"
#include "platform/FixedString.h"

namespace {

std::vector<std::string> Items(const MArguments& aList) {
    std::vector<std::string> items;
    for (int i = 0; i < aList.Count(); ++i) {
        items.emplace_back(aList.Get(i));
    }
    return items;
}

TEST(CsvArguments, AppendsItemsEachFollowedByTheSeparatorAndSplitsThemBack) {
    struct TCase {
        const char* iLegend;
        std::vector<std::string> iAppended;
        const char* iText;
        std::vector<std::string> iItems;
    };
    const TCase cases[] = {
        {"nothing", {}, "", {}},
        {"two items", {"abc", "12"}, "abc|12|", {"abc", "12"}},
        {"an empty item first", {"", "x"}, "|x|", {"", "x"}},
        {"only empty items", {"", ""}, "||", {"", ""}},
        {"an item holding the separator comes back as two", {"a|b"}, "a|b|", {"a", "b"}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CCsvArguments list('|');
        for (const std::string& item : test.iAppended) {
            list.Append(item.c_str());
        }
        EXPECT_STREQ(list.GetText(), test.iText);
        list.Split();
        EXPECT_EQ(Items(list), test.iItems);
        EXPECT_EQ(list.Get(list.Count()), nullptr);
        EXPECT_EQ(list.Get(-1), nullptr);
    }
}

TEST(CsvArguments, SplitsReceivedTextAndDropsWhatFollowsTheLastSeparator) {
    struct TCase {
        const char* iLegend;
        const char* iText;
        std::vector<std::string> iItems;
    };
    const TCase cases[] = {
        {"no separator at the end", "a|b", {"a"}},
        {"no separator at all", "abc", {}},
        {"a line feed stays in its item", "a\n|b|", {"a\n", "b"}},
        {"empty", "", {}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CCsvArguments list('|');
        (void)BoundedCopy(list.GetText(), test.iText, CCsvArguments::KInlineTextSize);
        list.Split();
        EXPECT_EQ(Items(list), test.iItems);
    }
}

TEST(CsvArguments, ItemTableMovesToTheHeapFrom31Items) {
    for (const int count : {30, 31, 200}) {
        SCOPED_TRACE(count);
        CCsvArguments list(';');
        for (int i = 0; i < count; ++i) {
            list.Append(std::to_string(i).c_str());
        }
        list.Split();
        ASSERT_EQ(list.Count(), count);
        // 30 items are 31 pieces, the most the inline table takes.
        EXPECT_EQ(list.HeapItemsSize(),
                  count <= 30 ? 0 : static_cast<int>((count + 1) * sizeof(const char*)));
        for (int i = 0; i < count; ++i) {
            ASSERT_STREQ(list.Get(i), std::to_string(i).c_str()) << i;
        }
        EXPECT_EQ(list.Get(count), nullptr);
    }
}

TEST(CsvArguments, TextMovesToTheHeapWhenItNoLongerFitsInline) {
    struct TCase {
        const char* iLegend;
        std::vector<int> iItemLengths;
        int iHeapCapacity;
    };
    const TCase cases[] = {
        // 1021 + '|' + 0 + '|' + NUL = 1024 bytes: the last that fits inline.
        {"1023 characters stay inline", {1021, 0}, 0},
        {"1024 characters go to 2048 bytes", {1021, 1}, 2048},
        {"one item of 1022 characters stays inline", {1022}, 0},
        {"one item of 1023 characters goes to the heap", {1023}, 2048},
        {"2047 characters fill 2048 bytes", {1000, 1000, 44}, 2048},
        {"the next growth gives 3072", {1000, 1000, 45}, 3072},
        {"an item of 1024 characters or more grows until it fits", {5000}, 5120},
        {"a long item after an inline text", {1000, 5000}, 6144},
        {"a heap text grows in steps until the item fits", {5000, 1000}, 6144},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CCsvArguments list('|');
        std::string expected;
        std::vector<std::string> items;
        for (std::size_t i = 0; i < test.iItemLengths.size(); ++i) {
            items.emplace_back(static_cast<std::size_t>(test.iItemLengths[i]),
                               static_cast<char>('a' + i));
            list.Append(items.back().c_str());
            expected += items.back() + "|";
        }
        EXPECT_EQ(list.HeapCapacity(), test.iHeapCapacity);
        EXPECT_EQ(list.GetText(), expected);
        list.Split();
        EXPECT_EQ(Items(list), items);
    }
}

TEST(CsvArguments, ClearAndReserveStartAfresh) {
    CCsvArguments list('|');
    for (int i = 0; i < 40; ++i) {
        list.Append(std::string(100, 'x').c_str());
    }
    list.Split();
    ASSERT_EQ(list.Count(), 40);

    ASSERT_TRUE(list.Reserve(5000));
    EXPECT_EQ(list.HeapCapacity(), 5000);
    EXPECT_EQ(list.HeapItemsSize(), 0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Get(0), nullptr);
    EXPECT_STREQ(list.GetText(), "");

    EXPECT_FALSE(list.Reserve(0));
    EXPECT_EQ(list.HeapCapacity(), 0);

    list.Append("a");
    list.Clear();
    EXPECT_STREQ(list.GetText(), "");
    list.Split();
    EXPECT_EQ(list.Count(), 0);
}

TEST(CsvArguments, ItemsOfTheLastSplitAreGoneOnceTheTextChanges) {
    CCsvArguments list('|');
    list.Append("a");
    list.Split();
    ASSERT_EQ(list.Count(), 1);
    // The text may move to the heap now, so the old item pointers must not be handed out.
    list.Append(std::string(2000, 'b').c_str());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Get(0), nullptr);
}

TEST(CsvArguments, IsReleasedThroughEitherBase) {
    // The second base does not sit where the memory starts: freeing through it must still free
    // the block that was allocated (AddressSanitizer checks).
    MArguments* throughInterface = SdkNew<CCsvArguments>(true, '|');
    ASSERT_NE(throughInterface, nullptr);
    throughInterface->Append(std::string(3000, 'x').c_str());
    throughInterface->Split();
    SdkDelete(throughInterface);

    CCsvArguments* list = SdkNew<CCsvArguments>(true, '|');
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 50; ++i) {
        list->Append("y");
    }
    list->Split();
    CSdkBase* throughBase = list;
    ASSERT_NE(static_cast<void*>(throughBase), static_cast<void*>(list));
    SdkDelete(throughBase);
}

}  // namespace
