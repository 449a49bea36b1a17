#pragma once

#include <cstdint>

// Colour values carry an RGB 565 pixel in their low 16 bits (red 15-11, green 10-5, blue 4-0);
// the drawing code ignores the upper half. The named colours are constants, fixed before main
// and never changed, so any static initialiser may use them.
constexpr std::uint32_t KColorBlack = 0x0000;
constexpr std::uint32_t KColorWhite = 0xFFFF;
constexpr std::uint32_t KColorLightGray = 0xC638;
constexpr std::uint32_t KColorGray = 0x8410;
constexpr std::uint32_t KColorYellow = 0xFFE0;
constexpr std::uint32_t KColorLightBlue = 0xC63F;
constexpr std::uint32_t KColorMidBlue = 0x841F;
constexpr std::uint32_t KColorLightCyan = 0x47FF;
constexpr std::uint32_t KColorRed = 0xF800;
constexpr std::uint32_t KColorGreen = 0x07E0;
constexpr std::uint32_t KColorOlive = 0x8400;
constexpr std::uint32_t KColorLightGreen = 0x47E8;
constexpr std::uint32_t KColorBlue = 0x001F;
constexpr std::uint32_t KColorMagenta = 0xF81F;
constexpr std::uint32_t KColorPurple = 0x8010;
constexpr std::uint32_t KColorPink = 0xFC10;
