#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "support/MemoryFrameBuffer.h"

// Memory that keeps the areas it is told were drawn, to check what a drawing call reports: a
// virtual screen copies only that (clipped to the screen), so every pixel the call changed
// must lie in it.
class CMarkedFrameBuffer : public CMemoryFrameBuffer {
  public:
    using CMemoryFrameBuffer::CMemoryFrameBuffer;

    void MarkDrawn(int aX0, int aY0, int aX1, int aY1) override {
        iMarks.push_back({aX0, aY0, aX1, aY1});
    }

    // Before a call: its marks and changes are counted from here.
    void BeginCall() {
        iMarks.clear();
        iBefore = Logical();
    }
    // Every pixel changed since BeginCall lies in an area marked since.
    ::testing::AssertionResult MarksCoverChanges() {
        const std::vector<std::uint16_t> after = Logical();
        const int height = GetHeight();
        for (std::size_t i = 0; i < after.size() && i < iBefore.size(); ++i) {
            const int x = static_cast<int>(i) / height;
            const int y = static_cast<int>(i) % height;
            if (after[i] != iBefore[i] && !IsMarked(x, y)) {
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " drawn, "
                                                     << iMarks.size() << " areas marked";
            }
        }
        return ::testing::AssertionSuccess();
    }

  private:
    std::vector<std::uint16_t> Logical() {
        std::vector<std::uint16_t> pixels;
        for (int x = 0; x < GetWidth(); ++x) {
            for (int y = 0; y < GetHeight(); ++y) {
                pixels.push_back(Pixel(x, y));
            }
        }
        return pixels;
    }
    bool IsMarked(int aX, int aY) const {
        for (const std::array<int, 4>& mark : iMarks) {
            if (aX >= mark[0] && aX <= mark[2] && aY >= mark[1] && aY <= mark[3]) {
                return true;
            }
        }
        return false;
    }

    std::vector<std::array<int, 4>> iMarks;
    std::vector<std::uint16_t> iBefore;
};
