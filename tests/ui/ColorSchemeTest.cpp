#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "ui/ColorScheme.h"
#include "ui/Colors.h"

namespace {

struct TSchemeRow {
    int iNumber;
    std::uint32_t iScreenBackground;
    std::uint32_t iWidgetBackground;
    std::uint32_t iForeground;
};

constexpr TSchemeRow KRows[] = {
    {0, 0x0339, 0x0013, 0xFFFF},  {1, 0x000C, 0x0193, 0xFFFF},  {2, 0x3339, 0x0193, 0xFFFF},
    {3, 0x000C, 0x3333, 0xFFFF},  {4, 0x9CD9, 0x6339, 0xFFFF},  {5, 0xE73C, 0x64B9, 0x0000},
    {6, 0xF79E, 0x9E5D, 0x0000},  {7, 0x64D9, 0x3333, 0xFFFF},  {8, 0x9CD3, 0x632C, 0xFFFF},
    {9, 0x9986, 0x6000, 0xFFFF},  {10, 0x3320, 0x64C6, 0xFFFF}, {11, 0xCCC6, 0x9B20, 0xFFFF},
    {12, 0x3339, 0x0193, 0xFFFF}, {13, 0xF81F, 0x8811, 0xFFFF},
};
const TSchemeRow& KLastRow = KRows[13];

// All six colours of aScheme against a table row.
void ExpectPaints(MColorScheme& aScheme, const TSchemeRow& aRow) {
    EXPECT_EQ(aScheme.ScreenBackground(), aRow.iScreenBackground);
    EXPECT_EQ(aScheme.WidgetBackground(), aRow.iWidgetBackground);
    EXPECT_EQ(aScheme.Foreground(), aRow.iForeground);
    EXPECT_EQ(aScheme.DisabledForeground(), 0xC638u);
    EXPECT_EQ(aScheme.Highlight(), 0xF800u);
    EXPECT_EQ(aScheme.ControlText(), ControlTextColor());
}

// Restores the process-wide control text colour whatever a test set.
class CControlTextColorGuard {
  public:
    CControlTextColorGuard() : iSaved(ControlTextColor()) {}
    ~CControlTextColorGuard() { SetControlTextColor(iSaved); }

  private:
    std::uint32_t iSaved;
};

TEST(ColorScheme, EachBuiltInSchemePaintsItsRow) {
    for (const TSchemeRow& row : KRows) {
        SCOPED_TRACE("scheme " + std::to_string(row.iNumber));
        CDefaultColorScheme scheme(row.iNumber);
        ExpectPaints(scheme, row);
        EXPECT_EQ(SchemeTableColor(row.iNumber, KSchemeScreenBackground), row.iScreenBackground);
        EXPECT_EQ(SchemeTableColor(row.iNumber, KSchemeWidgetBackground), row.iWidgetBackground);
        EXPECT_EQ(SchemeTableColor(row.iNumber, KSchemeForeground), row.iForeground);
    }
}

TEST(ColorScheme, NumbersWithoutARowTakeTheLastRow) {
    for (int number : {-1, 14, 100, INT_MIN, INT_MAX}) {
        SCOPED_TRACE("scheme " + std::to_string(number));
        CDefaultColorScheme scheme(number);
        ExpectPaints(scheme, KLastRow);
        EXPECT_EQ(SchemeTableColor(number, KSchemeWidgetBackground), KLastRow.iWidgetBackground);
    }
}

TEST(ColorScheme, TableColumnsOutsideTheThreeGiveBlack) {
    for (int column : {-1, 3, INT_MAX}) {
        SCOPED_TRACE("column " + std::to_string(column));
        EXPECT_EQ(SchemeTableColor(2, column), KColorBlack);
    }
}

TEST(ColorScheme, ControlTextColourIsSharedByEveryScheme) {
    CControlTextColorGuard guard;
    SetControlTextColor(KColorBlack);  // the start-up colour, in case a test before changed it
    CDefaultColorScheme first(0);
    CDefaultColorScheme initial(KInitialColorScheme);
    EXPECT_EQ(initial.ControlText(), KColorBlack);
    SetControlTextColor(KColorYellow);
    EXPECT_EQ(first.ControlText(), KColorYellow);
    EXPECT_EQ(initial.ControlText(), KColorYellow);
    EXPECT_EQ(GetColorSchemeManager()->GetScheme(13)->ControlText(), KColorYellow);
}

TEST(ColorSchemeManager, CreatesOneSchemePerNumberOnFirstRequest) {
    CDefaultColorSchemeManager manager;
    MColorScheme* schemes[KColorSchemeCount];
    for (int number = 0; number < KColorSchemeCount; ++number) {
        SCOPED_TRACE("scheme " + std::to_string(number));
        schemes[number] = manager.GetScheme(number);
        ASSERT_NE(schemes[number], nullptr);
        ExpectPaints(*schemes[number], KRows[number]);
        for (int other = 0; other < number; ++other) {
            EXPECT_NE(schemes[number], schemes[other]);
        }
    }
    for (int number = 0; number < KColorSchemeCount; ++number) {
        EXPECT_EQ(manager.GetScheme(number), schemes[number]);
    }
}

TEST(ColorSchemeManager, NumbersOutsideTheTableGetSchemeThirteen) {
    CDefaultColorSchemeManager manager;
    for (int number : {-1, 14, INT_MIN, INT_MAX}) {
        SCOPED_TRACE("scheme " + std::to_string(number));
        MColorScheme* scheme = manager.GetScheme(number);
        EXPECT_EQ(scheme, manager.GetScheme(13));
        ExpectPaints(*scheme, KLastRow);
    }
}

TEST(ColorSchemeManager, ProcessWideInstanceIsCreatedOnce) {
    CDefaultColorSchemeManager* manager = GetColorSchemeManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(GetColorSchemeManager(), manager);
    // What the skin paints with at start-up.
    MColorScheme* initial = manager->GetScheme(KInitialColorScheme);
    EXPECT_EQ(initial->ScreenBackground(), 0x3339u);
    EXPECT_EQ(initial->WidgetBackground(), 0x0193u);
    EXPECT_EQ(initial->Foreground(), KColorWhite);
}

}  // namespace
