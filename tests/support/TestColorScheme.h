#pragma once

// Colours for widget tests: a scheme whose roles all differ, and the process's control text
// colour held for the life of a test.

#include <cstdint>

#include "ui/ColorScheme.h"
#include "ui/Colors.h"

// Six different colours, so that every pixel tells which role painted it.
class CTestScheme : public MColorScheme {
  public:
    std::uint32_t WidgetBackground() override { return KColorBlue; }
    std::uint32_t Foreground() override { return KColorWhite; }
    std::uint32_t DisabledForeground() override { return KColorGray; }
    std::uint32_t ControlText() override { return KColorYellow; }
    std::uint32_t Highlight() override { return KColorRed; }
    std::uint32_t ScreenBackground() override { return KColorGreen; }
};

// Sets the control text colour, which every skin with a control font file changes for the
// whole process, and puts the previous one back at the end of its life.
class CControlColorGuard {
  public:
    explicit CControlColorGuard(std::uint32_t aColor) : iColor(ControlTextColor()) {
        SetControlTextColor(aColor);
    }
    ~CControlColorGuard() { SetControlTextColor(iColor); }
    CControlColorGuard(const CControlColorGuard&) = delete;
    CControlColorGuard& operator=(const CControlColorGuard&) = delete;

  private:
    std::uint32_t iColor;
};
