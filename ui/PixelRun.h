#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// aCount 16-bit pixels of one value, one after the other in memory from aLow upwards (aLow
// 2-byte aligned): a column of the device's layout, or a row of a row-major one. Runs drawn
// by widgets are a few dozen pixels: whole 8-byte stores without the set-up of a widened
// loop. Stores go through memcpy, valid whatever objects the pixel memory holds.
inline void FillPixelRun(std::uint8_t* aLow, std::size_t aCount, std::uint16_t aPixel) {
    if (aCount == 0) {
        return;
    }
    if (reinterpret_cast<std::uintptr_t>(aLow) % 4 != 0) {
        std::memcpy(aLow, &aPixel, sizeof aPixel);
        aLow += sizeof aPixel;
        --aCount;
    }
    const std::uint32_t pair = static_cast<std::uint32_t>(aPixel) * 0x00010001u;
    const std::uint64_t quad = static_cast<std::uint64_t>(pair) * 0x0000000100000001ull;
    const std::uint64_t eight[2] = {quad, quad};
    for (; aCount >= 8; aCount -= 8, aLow += sizeof eight) {
        std::memcpy(aLow, eight, sizeof eight);
    }
    if (aCount >= 4) {
        std::memcpy(aLow, &quad, sizeof quad);
        aLow += sizeof quad;
        aCount -= 4;
    }
    if (aCount >= 2) {
        std::memcpy(aLow, &pair, sizeof pair);
        aLow += sizeof pair;
        aCount -= 2;
    }
    if (aCount != 0) {
        std::memcpy(aLow, &aPixel, sizeof aPixel);
    }
}
