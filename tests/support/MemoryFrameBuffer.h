#pragma once

// An MFrameBuffer in ordinary memory, for tests that draw or copy without a device: any size
// and depth, the device's column layout, 4-byte-aligned pixels like the device's mapping.
// Guard bytes before and after the pixels catch a copy or a drawing that strays outside them,
// in every build (AddressSanitizer cannot see writes that stay inside one allocation).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/FrameBuffer.h"

class CMemoryFrameBuffer : public MFrameBuffer {
  public:
    CMemoryFrameBuffer(int aWidth, int aHeight, int aBitsPerPixel = 16)
        : iWidth(aWidth), iHeight(aHeight), iBitsPerPixel(aBitsPerPixel) {
        const std::size_t words = 2 * KGuardWords + (Size() + 3) / 4;
        iWords.assign(words, KGuardPattern);
        iPristine = iWords;
        std::memset(Pixels(), 0, Size());
    }

    // A device whose memory could not be mapped: the geometry stays, GetBuffer is null.
    void SetMapped(bool aMapped) { iMapped = aMapped; }

    std::uint8_t* GetBuffer() override { return iMapped ? Pixels() : nullptr; }
    int GetWidth() override { return iWidth; }
    int GetHeight() override { return iHeight; }
    int GetBitsPerPixel() override { return iBitsPerPixel; }
    int GetPixelOffset(int aX, int aY) override {
        return ColumnLayoutOffset(aX, aY, iHeight, iBitsPerPixel >> 3);
    }
    bool GetPixelLayout(TPixelLayout* aLayout) override {
        *aLayout = ColumnLayout(iHeight, iBitsPerPixel >> 3);
        return true;
    }

    // Bytes of pixel memory: width × height × depth / 8.
    std::size_t Size() const {
        if (iWidth <= 0 || iHeight <= 0 || iBitsPerPixel <= 0) {
            return 0;
        }
        return (static_cast<std::size_t>(iWidth) * static_cast<std::size_t>(iHeight) *
                static_cast<std::size_t>(iBitsPerPixel)) >>
               3;
    }
    std::uint8_t* Pixels() { return reinterpret_cast<std::uint8_t*>(iWords.data() + KGuardWords); }

    // The 16-bit pixel at logical (aX, aY), through the layout rule.
    std::uint16_t Pixel(int aX, int aY) {
        std::uint16_t value;
        std::memcpy(&value, Pixels() + GetPixelOffset(aX, aY), sizeof value);
        return value;
    }
    void SetPixel(int aX, int aY, std::uint16_t aValue) {
        std::memcpy(Pixels() + GetPixelOffset(aX, aY), &aValue, sizeof aValue);
    }
    void Fill(std::uint8_t aByte) { std::memset(Pixels(), aByte, Size()); }

    // False when anything wrote before the first or past the last pixel byte.
    bool GuardsIntact() const {
        const auto* now = reinterpret_cast<const std::uint8_t*>(iWords.data());
        const auto* before = reinterpret_cast<const std::uint8_t*>(iPristine.data());
        const std::size_t start = KGuardWords * 4;
        const std::size_t end = start + Size();
        const std::size_t total = iWords.size() * 4;
        return std::memcmp(now, before, start) == 0 &&
               std::memcmp(now + end, before + end, total - end) == 0;
    }

  private:
    static constexpr std::size_t KGuardWords = 256;
    static constexpr std::uint32_t KGuardPattern = 0xA5C3E1F7u;

    int iWidth;
    int iHeight;
    int iBitsPerPixel;
    bool iMapped = true;
    std::vector<std::uint32_t> iWords;  // guard, pixels rounded up to whole words, guard
    std::vector<std::uint32_t> iPristine;
};
