#include "ui/ColorScheme.h"

#include <cstdlib>

#include "ui/Colors.h"

namespace {

struct TSchemeRow {
    int iNumber;
    std::uint32_t iColors[3];  // screen background, widget background, foreground
};

// The named colours are compile-time constants, so the table is complete before main and
// needs no filling on first use.
constexpr TSchemeRow KSchemeTable[KColorSchemeCount] = {
    {0, {0x0339, 0x0013, KColorWhite}},  {1, {0x000C, 0x0193, KColorWhite}},
    {2, {0x3339, 0x0193, KColorWhite}},  {3, {0x000C, 0x3333, KColorWhite}},
    {4, {0x9CD9, 0x6339, KColorWhite}},  {5, {0xE73C, 0x64B9, KColorBlack}},
    {6, {0xF79E, 0x9E5D, KColorBlack}},  {7, {0x64D9, 0x3333, KColorWhite}},
    {8, {0x9CD3, 0x632C, KColorWhite}},  {9, {0x9986, 0x6000, KColorWhite}},
    {10, {0x3320, 0x64C6, KColorWhite}}, {11, {0xCCC6, 0x9B20, KColorWhite}},
    {12, {0x3339, 0x0193, KColorWhite}}, {13, {0xF81F, 0x8811, KColorWhite}},
};

std::uint32_t gControlTextColor = KColorBlack;

CDefaultColorSchemeManager* gColorSchemeManager = nullptr;

void DestroyColorSchemeManager() {
    delete gColorSchemeManager;
    gColorSchemeManager = nullptr;
}

}  // namespace

std::uint32_t SchemeTableColor(int aNumber, int aColumn) {
    if (aColumn < KSchemeScreenBackground || aColumn > KSchemeForeground) {
        return KColorBlack;
    }
    for (const TSchemeRow& row : KSchemeTable) {
        if (row.iNumber == aNumber) {
            return row.iColors[aColumn];
        }
    }
    return KSchemeTable[KColorSchemeCount - 1].iColors[aColumn];
}

std::uint32_t ControlTextColor() {
    return gControlTextColor;
}

void SetControlTextColor(std::uint32_t aColor) {
    gControlTextColor = aColor;
}

std::uint32_t CDefaultColorScheme::WidgetBackground() {
    return SchemeTableColor(iNumber, KSchemeWidgetBackground);
}

std::uint32_t CDefaultColorScheme::Foreground() {
    return SchemeTableColor(iNumber, KSchemeForeground);
}

std::uint32_t CDefaultColorScheme::DisabledForeground() {
    return KColorLightGray;
}

std::uint32_t CDefaultColorScheme::ControlText() {
    return gControlTextColor;
}

std::uint32_t CDefaultColorScheme::Highlight() {
    return KColorRed;
}

std::uint32_t CDefaultColorScheme::ScreenBackground() {
    return SchemeTableColor(iNumber, KSchemeScreenBackground);
}

CDefaultColorSchemeManager::~CDefaultColorSchemeManager() {
    for (MColorScheme*& scheme : iSchemes) {
        delete scheme;
        scheme = nullptr;
    }
}

MColorScheme* CDefaultColorSchemeManager::GetScheme(int aNumber) {
    if (aNumber < 0 || aNumber >= KColorSchemeCount) {
        aNumber = KColorSchemeCount - 1;
    }
    if (iSchemes[aNumber] == nullptr) {
        iSchemes[aNumber] = new CDefaultColorScheme(aNumber);
    }
    return iSchemes[aNumber];
}

CDefaultColorSchemeManager* GetColorSchemeManager() {
    if (gColorSchemeManager == nullptr) {
        gColorSchemeManager = new CDefaultColorSchemeManager;
        (void)std::atexit(DestroyColorSchemeManager);  // unregistered, it lives until the end
    }
    return gColorSchemeManager;
}
