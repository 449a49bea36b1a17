#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Picture files for screenshots: aRgb holds aWidth × aHeight pixels, three bytes each (red,
// green, blue), row by row from the top left. False with a one-line reason in aError.

// An 8-bit RGB PNG.
bool WritePng(const std::string& aPath, int aWidth, int aHeight,
              const std::vector<std::uint8_t>& aRgb, std::string* aError);
// A binary PPM (P6): trivial to read back in tests and by other tools.
bool WritePpm(const std::string& aPath, int aWidth, int aHeight,
              const std::vector<std::uint8_t>& aRgb, std::string* aError);
