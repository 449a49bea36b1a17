#pragma once

#include <cstdint>

// The six colours widgets and screens are painted with (colour values as in ui/Colors.h).
class MColorScheme {
  public:
    // Fill of buttons.
    virtual std::uint32_t WidgetBackground() = 0;
    // Text of buttons and labels.
    virtual std::uint32_t Foreground() = 0;
    virtual std::uint32_t DisabledForeground() = 0;
    // Caption of enabled radio buttons.
    virtual std::uint32_t ControlText() = 0;
    // Text of focused widgets; fill of a pressed focused button.
    virtual std::uint32_t Highlight() = 0;
    // Fill of screens without a background colour of their own.
    virtual std::uint32_t ScreenBackground() = 0;
    virtual ~MColorScheme() = default;
};

// The built-in schemes are numbered 0 to 13; the skin starts with 2.
constexpr int KColorSchemeCount = 14;
constexpr int KInitialColorScheme = 2;

// Columns of the scheme table.
constexpr int KSchemeScreenBackground = 0;
constexpr int KSchemeWidgetBackground = 1;
constexpr int KSchemeForeground = 2;

// One colour of the built-in scheme aNumber; a number with no row gives scheme 13's colour,
// a column other than the three above gives KColorBlack.
std::uint32_t SchemeTableColor(int aNumber, int aColumn);

// The caption colour of enabled radio buttons in every scheme: KColorBlack until the skin sets
// the colour of its "Control" font.
std::uint32_t ControlTextColor();
void SetControlTextColor(std::uint32_t aColor);

// A built-in scheme: three colours from its table row, the disabled and highlight colours
// shared by all, the control text colour of the process. A number outside 0 to 13 paints
// with scheme 13's colours.
class CDefaultColorScheme : public MColorScheme {
  public:
    explicit CDefaultColorScheme(int aNumber) : iNumber(aNumber) {}

    std::uint32_t WidgetBackground() override;
    std::uint32_t Foreground() override;
    std::uint32_t DisabledForeground() override;
    std::uint32_t ControlText() override;
    std::uint32_t Highlight() override;
    std::uint32_t ScreenBackground() override;

    int Number() const { return iNumber; }

  private:
    int iNumber;
};

// Owns one scheme per number, each created on its first request.
class CDefaultColorSchemeManager {
  public:
    CDefaultColorSchemeManager() = default;
    ~CDefaultColorSchemeManager();
    CDefaultColorSchemeManager(const CDefaultColorSchemeManager&) = delete;
    CDefaultColorSchemeManager& operator=(const CDefaultColorSchemeManager&) = delete;

    // The scheme for aNumber, never null. Numbers outside 0 to 13 get scheme 13, the same
    // colours a scheme built with such a number would have, so a stray scheme index in a
    // caller still paints.
    MColorScheme* GetScheme(int aNumber);

  private:
    MColorScheme* iSchemes[KColorSchemeCount] = {};
};

// The process-wide manager, created on first use and destroyed, with its schemes, at exit.
CDefaultColorSchemeManager* GetColorSchemeManager();
