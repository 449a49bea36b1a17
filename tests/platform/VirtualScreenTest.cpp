#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/DisplayOwner.h"
#include "platform/Transpose.h"
#include "platform/VirtualScreen.h"
#include "support/DeviceRoot.h"
#include "support/ForkedRun.h"
#include "support/MemoryFrameBuffer.h"

namespace {

// A value per logical pixel that differs from its neighbours in both directions, so that a
// transposed, flipped or shifted copy shows.
std::uint16_t PatternAt(int aX, int aY) {
    return static_cast<std::uint16_t>(aX * 263 + aY * 1031 + 17);
}

void WritePixel(MFrameBuffer& aScreen, int aX, int aY, std::uint16_t aValue) {
    std::memcpy(aScreen.GetBuffer() + aScreen.GetPixelOffset(aX, aY), &aValue, sizeof aValue);
}

void WritePattern(MFrameBuffer& aScreen) {
    for (int x = 0; x < aScreen.GetWidth(); ++x) {
        for (int y = 0; y < aScreen.GetHeight(); ++y) {
            WritePixel(aScreen, x, y, PatternAt(x, y));
        }
    }
}

void FillBytes(std::uint8_t* aBytes, std::size_t aCount) {
    for (std::size_t i = 0; i < aCount; ++i) {
        aBytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
}

std::uint16_t RowMajorPixel(CMemoryFrameBuffer& aDevice, int aX, int aY) {
    std::uint16_t value;
    const std::size_t index = static_cast<std::size_t>(aY) * aDevice.GetWidth() + aX;
    std::memcpy(&value, aDevice.Pixels() + 2 * index, sizeof value);
    return value;
}

// Every logical pixel of the back buffer's pattern at its row-major place on the device.
void ExpectRowMajorPattern(CMemoryFrameBuffer& aDevice) {
    int mismatches = 0;
    std::string first;
    for (int y = 0; y < aDevice.GetHeight(); ++y) {
        for (int x = 0; x < aDevice.GetWidth(); ++x) {
            if (RowMajorPixel(aDevice, x, y) != PatternAt(x, y) && mismatches++ == 0) {
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "first wrong pixel at " << first;
}

bool SameBytes(const std::uint8_t* aLeft, const std::uint8_t* aRight, std::size_t aCount) {
    return std::memcmp(aLeft, aRight, aCount) == 0;
}

struct TCopyCase {
    int iModel;
    int iWidth;
    int iHeight;
    int iBitsPerPixel;
    bool iRowMajor;  // else a straight copy
};

std::vector<TCopyCase> CopyCases() {
    std::vector<TCopyCase> cases;
    struct TGeometry {
        int iWidth;
        int iHeight;
    };
    // 160 × 120 and 3 × 3 are smaller than the fixed 320 × 240 copy: it would overrun them.
    const TGeometry geometries[] = {{320, 240}, {480, 272}, {160, 120}, {3, 3}};
    for (const TGeometry& geometry : geometries) {
        for (int model : {2, 3, 4, 5, 8, 9}) {
            cases.push_back({model, geometry.iWidth, geometry.iHeight, 16, true});
        }
        for (int model : {0, 1, 6, 7, 10, 11}) {
            cases.push_back({model, geometry.iWidth, geometry.iHeight, 16, false});
        }
    }
    // Only 16-bit pixels are re-arranged; any other depth is copied as it is.
    for (int model : {3, 7, 8}) {
        for (int depth : {8, 12, 24, 32}) {
            cases.push_back({model, 320, 240, depth, false});
        }
    }
    return cases;
}

TEST(VirtualScreen, UpdateCopiesEveryPixelByTheModelsMethod) {
    for (const TCopyCase& test : CopyCases()) {
        SCOPED_TRACE("model " + std::to_string(test.iModel) + ", " + std::to_string(test.iWidth) +
                     "x" + std::to_string(test.iHeight) + "x" + std::to_string(test.iBitsPerPixel));
        CMemoryFrameBuffer device(test.iWidth, test.iHeight, test.iBitsPerPixel);
        device.Fill(0xEE);
        CVirtualScreen screen(&device, test.iModel);
        ASSERT_NE(screen.GetBuffer(), nullptr);
        if (test.iRowMajor) {
            WritePattern(screen);
            screen.Update(false);
            ExpectRowMajorPattern(device);
        } else {
            FillBytes(screen.GetBuffer(), device.Size());
            screen.Update(false);
            EXPECT_TRUE(SameBytes(device.Pixels(), screen.GetBuffer(), device.Size()));
        }
        EXPECT_TRUE(device.GuardsIntact());
    }
}

// Rectangles drawn into the back buffer and marked, copied by Update, leave the device as a
// copy of the whole screen leaves it: every method, tiled and untiled sizes, more rectangles
// than are kept apart. An Update with nothing drawn copies nothing.
TEST(VirtualScreen, UpdateCopiesWhatWasDrawnAsTheWholeCopyWould) {
    struct TGeometry {
        int iWidth;
        int iHeight;
    };
    const TGeometry geometries[] = {{320, 240}, {480, 272}, {37, 29}, {3, 3}};
    unsigned seed = 12345;
    auto next = [&seed](int aLimit) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(aLimit));
    };
    for (const TGeometry& geometry : geometries) {
        for (int model : {3, 7, 8}) {
            const int width = geometry.iWidth;
            const int height = geometry.iHeight;
            SCOPED_TRACE("model " + std::to_string(model) + ", " + std::to_string(width) + "x" +
                         std::to_string(height));
            CMemoryFrameBuffer device(width, height);
            CMemoryFrameBuffer wholeDevice(width, height);
            CVirtualScreen screen(&device, model);
            CVirtualScreen whole(&wholeDevice, model);
            WritePattern(screen);
            WritePattern(whole);
            screen.Update(false);  // the first copy is whole
            for (int round = 0; round < 30; ++round) {
                const int rectangles = round % 5 == 4 ? 11 : 1 + round % 3;
                for (int r = 0; r < rectangles; ++r) {
                    const int x0 = next(width);
                    const int y0 = next(height);
                    const int x1 = std::min(width - 1, x0 + next(width / 2 + 1));
                    const int y1 = std::min(height - 1, y0 + next(height / 2 + 1));
                    for (int x = x0; x <= x1; ++x) {
                        for (int y = y0; y <= y1; ++y) {
                            const auto value =
                                static_cast<std::uint16_t>(round * 7919 + x * 31 + y);
                            WritePixel(screen, x, y, value);
                            WritePixel(whole, x, y, value);
                        }
                    }
                    screen.MarkDrawn(x0, y0, x1, y1);
                }
                screen.Update(false);
                whole.Invalidate();
                whole.Update(false);
                ASSERT_TRUE(SameBytes(device.Pixels(), wholeDevice.Pixels(), device.Size()))
                    << "round " << round;
                ASSERT_TRUE(device.GuardsIntact());
            }
            // Another picture on the device: Update without drawing leaves it.
            device.Fill(0x77);
            screen.Update(false);
            EXPECT_EQ(device.Pixels()[0], 0x77);
            EXPECT_EQ(device.Pixels()[device.Size() - 1], 0x77);
            screen.Invalidate();
            screen.Update(false);
            EXPECT_TRUE(SameBytes(device.Pixels(), wholeDevice.Pixels(), device.Size()));
        }
    }
}

// Every way of doing the row-major copy this processor has puts each pixel of a whole screen
// or of any area on its row and writes nothing else: the widths around its blocks (8 and 16
// columns, 8 rows), tiled and untiled geometries, the panels with a built-in geometry.
TEST(VirtualScreen, EveryTransposeKernelCopiesExactlyTheArea) {
    struct TGeometry {
        int iWidth;
        int iHeight;
    };
    const TGeometry geometries[] = {{320, 240}, {480, 272}, {37, 29}, {33, 17}, {16, 8}, {3, 3}};
    constexpr std::uint16_t KUntouched = 0xEEEE;
    constexpr std::size_t KGuard = 64;
    unsigned seed = 4711;
    auto next = [&seed](int aLimit) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(aLimit));
    };
    int kernelsRun = 0;
    for (TTransposeKernel kernel :
         {TTransposeKernel::Scalar, TTransposeKernel::Sse2, TTransposeKernel::Avx2}) {
        if (!HasTransposeKernel(kernel)) {
            continue;
        }
        ++kernelsRun;
        for (const TGeometry& geometry : geometries) {
            const int width = geometry.iWidth;
            const int height = geometry.iHeight;
            SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)) + ", " +
                         std::to_string(width) + "x" + std::to_string(height));
            const std::size_t pixels = static_cast<std::size_t>(width) * height;
            std::vector<std::uint16_t> back(pixels);
            for (int x = 0; x < width; ++x) {
                for (int y = 0; y < height; ++y) {
                    back[static_cast<std::size_t>(ColumnLayoutOffset(x, y, height, 2) / 2)] =
                        PatternAt(x, y);
                }
            }
            for (int round = 0; round < 120; ++round) {
                // The first round is the whole screen; then narrow, block-sized and wide areas.
                int x0 = 0;
                int y0 = 0;
                int x1 = width - 1;
                int y1 = height - 1;
                if (round > 0) {
                    x0 = next(width);
                    y0 = next(height);
                    const int columns = round % 3 == 0 ? 1 + next(40) : 1 + next(width);
                    x1 = std::min(width - 1, x0 + columns - 1);
                    y1 = std::min(height - 1, y0 + next(height));
                }
                // The device at every 2-byte place in a cache line: the kernels align their
                // stores to it.
                const std::size_t shift = static_cast<std::size_t>(round) % 32;
                std::vector<std::uint16_t> device(pixels + 2 * KGuard, KUntouched);
                CopyAreaToRowMajorBy(kernel, device.data() + KGuard + shift, back.data(), width,
                                     height, x0, y0, x1, y1);
                int mismatches = 0;
                std::string first;
                for (std::size_t i = 0; i < device.size(); ++i) {
                    const bool onScreen = i >= KGuard + shift && i < KGuard + shift + pixels;
                    const std::size_t index = i - KGuard - shift;
                    const int x = onScreen ? static_cast<int>(index % width) : -1;
                    const int y = onScreen ? static_cast<int>(index / width) : -1;
                    const bool inArea = x0 <= x && x <= x1 && y0 <= y && y <= y1;
                    const std::uint16_t expected = inArea ? PatternAt(x, y) : KUntouched;
                    if (device[i] != expected && mismatches++ == 0) {
                        first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
                    }
                }
                ASSERT_EQ(mismatches, 0) << "area " << x0 << "," << y0 << " to " << x1 << "," << y1
                                         << ", first wrong pixel at " << first;
            }
        }
    }
#if defined(__SSE2__)
    EXPECT_GE(kernelsRun, 2);  // the scalar tiles and the SSE2 blocks at least
#else
    EXPECT_EQ(kernelsRun, 1);
#endif
}

// The bounds of what was marked, on screen or beyond it, shown or not, until they are taken.
TEST(VirtualScreen, KeepsTheBoundsOfWhatWasDrawnUntilTaken) {
    CMemoryFrameBuffer device(320, 240);
    CVirtualScreen screen(&device, 7);
    TArea area;
    ASSERT_TRUE(screen.TakeDrawnBounds(&area));
    EXPECT_GT(area.iX0, area.iX1);  // nothing yet
    screen.MarkDrawn(10, 20, 30, 40);
    screen.MarkDrawn(-5, 35, 12, 300);
    ASSERT_TRUE(screen.TakeDrawnBounds(&area));
    EXPECT_EQ(area.iX0, 0);
    EXPECT_EQ(area.iY0, 20);
    EXPECT_EQ(area.iX1, 30);
    EXPECT_EQ(area.iY1, 239);
    ASSERT_TRUE(screen.TakeDrawnBounds(&area));
    EXPECT_GT(area.iX0, area.iX1);
}

TEST(VirtualScreen, OnePixelOfARowMajor320x240PanelLandsOnItsRow) {
    for (int model : KRowMajor320x240Models) {
        SCOPED_TRACE(model);
        CMemoryFrameBuffer device(320, 240);
        device.Fill(0xEE);
        CVirtualScreen screen(&device, model);
        WritePixel(screen, 5, 7, 0xBEEF);
        screen.Update(false);
        const auto* pixels = reinterpret_cast<const std::uint16_t*>(device.Pixels());
        EXPECT_EQ(pixels[7 * 320 + 5], 0xBEEF);
        int others = 0;
        for (int i = 0; i < 320 * 240; ++i) {
            others += i != 7 * 320 + 5 && pixels[i] != 0;
        }
        EXPECT_EQ(others, 0);
    }
}

TEST(VirtualScreen, BackBufferHasTheDevicesGeometryAndStartsBlack) {
    for (int size : {1, 3, 240}) {
        SCOPED_TRACE(size);
        // An odd number of bytes (3 × 3 × 2) still gives whole aligned words.
        CMemoryFrameBuffer device(size == 240 ? 320 : size, size);
        device.Fill(0xEE);
        CVirtualScreen screen(&device, KDefaultModel);
        ASSERT_NE(screen.GetBuffer(), nullptr);
        EXPECT_NE(screen.GetBuffer(), device.GetBuffer());
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(screen.GetBuffer()) % 4, 0u);
        EXPECT_EQ(screen.GetWidth(), device.GetWidth());
        EXPECT_EQ(screen.GetHeight(), device.GetHeight());
        EXPECT_EQ(screen.GetBitsPerPixel(), 16);
        EXPECT_EQ(screen.GetPixelOffset(1, 0), device.GetPixelOffset(1, 0));
        EXPECT_EQ(screen.GetDeviceBuffer(), device.GetBuffer());
        EXPECT_TRUE(SameBytes(screen.GetBuffer(), std::vector<std::uint8_t>(device.Size()).data(),
                              device.Size()));
    }
}

TEST(VirtualScreen, CaptureCopiesTheDeviceUnchangedForEveryModel) {
    for (int model : {2, 7, 8}) {
        SCOPED_TRACE(model);
        CMemoryFrameBuffer device(320, 240);
        FillBytes(device.Pixels(), device.Size());
        CVirtualScreen screen(&device, model);
        screen.Capture(false);
        EXPECT_TRUE(SameBytes(screen.GetBuffer(), device.Pixels(), device.Size()));
    }
}

TEST(VirtualScreen, DeviceWithoutPixelMemoryIsLeftAlone) {
    CMemoryFrameBuffer device(320, 240);
    device.SetMapped(false);
    for (int model : {3, 7, 8}) {
        SCOPED_TRACE(model);
        CVirtualScreen screen(&device, model);
        ASSERT_NE(screen.GetBuffer(), nullptr);
        FillBytes(screen.GetBuffer(), device.Size());
        screen.Update(false);
        screen.Capture(false);
        EXPECT_EQ(screen.GetBuffer()[0], 3);  // the back buffer keeps its image
    }
    EXPECT_EQ(device.Pixels()[0], 0);
    EXPECT_TRUE(device.GuardsIntact());

    // Without any geometry there is no back buffer either.
    CMemoryFrameBuffer empty(0, 0);
    empty.SetMapped(false);
    CVirtualScreen screen(&empty, 3);
    EXPECT_EQ(screen.GetBuffer(), nullptr);
    screen.Update(false);
    screen.Capture(false);
}

// Whose the display is, the screen is told (by the event loop); shown again, it copies whole.
TEST(VirtualScreen, CopiesOnlyWhileShownUnlessToldOtherwise) {
    CMemoryFrameBuffer device(320, 240);
    CVirtualScreen screen(&device, 3);
    const std::vector<std::uint8_t> blank(device.Size());
    EXPECT_FALSE(screen.IsShown());  // until told
    WritePattern(screen);
    screen.Update(true);
    EXPECT_TRUE(SameBytes(device.Pixels(), blank.data(), blank.size()));
    device.Fill(0x11);
    screen.Capture(true);
    EXPECT_EQ(screen.GetBuffer()[0], PatternAt(0, 239) & 0xFF);
    device.Fill(0);
    // Without the test, being shown does not matter.
    screen.Update(false);
    ExpectRowMajorPattern(device);
    device.Fill(0);
    screen.SetShown(true);  // the device showed another picture: the next copy is whole
    screen.Update(true);
    ExpectRowMajorPattern(device);
    device.Fill(0x11);
    screen.Capture(true);
    EXPECT_EQ(screen.GetBuffer()[0], 0x11);
    screen.SetShown(false);
    device.Fill(0x22);
    screen.Capture(false);
    EXPECT_EQ(screen.GetBuffer()[0], 0x22);
}

struct TModelIdCase {
    const char* iLegend;
    const char* iFileText;  // null: no modelid file
    int iModel;
    const char* iOutput;
};

const TModelIdCase KModelIdCases[] = {
    {"model of the 320x240 group", "3\n", 3, ""},
    {"model of the row-major group", "9", 9, ""},
    {"number with text after it", " 42 rest", 42, ""},
    {"no modelid file", nullptr, 7,
     "GetProcInt: Unable to open /proc/orbelia/modelid: No such file or directory\n"},
    {"not a number", "abc\n", 7, "GetProcInt: Unable to read value from /proc/orbelia/modelid\n"},
    {"empty file", "", 7, "GetProcInt: Unable to read value from /proc/orbelia/modelid\n"},
};

TEST(GetModelId, ReadsTheDriverValueOnceAndFallsBackToTheStraightCopy) {
    for (const TModelIdCase& test : KModelIdCases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot root;
        if (test.iFileText != nullptr) {
            WriteModelId(root, test.iFileText);
        }
        CChildProcess child([&] {
            EXPECT_EQ(GetModelId(), test.iModel);
            // Read once: a later change of the file, or its appearance, is not seen.
            WriteModelId(root, "5");
            EXPECT_EQ(GetModelId(), test.iModel);
            CMemoryFrameBuffer device(4, 4);
            EXPECT_EQ(CVirtualScreen(&device).ModelId(), test.iModel);
            return 0;
        });
        EXPECT_EQ(child.Wait(), 0);
        EXPECT_EQ(child.Output(), test.iOutput);
    }
}

TEST(GetProcInt, ReadsAnyNameUnderTheDriverDirectory) {
    CTempRoot root;
    WriteDeviceFile(root, "/proc/orbelia/backlight", "-12\n");
    // What a longer name cut to the 127 characters of the path would open instead.
    const std::string longName(150, 'n');
    WriteDeviceFile(root, "/proc/orbelia/" + longName.substr(0, 127 - 14), "5\n");
    CChildProcess child([&longName] {
        int value = 0;
        EXPECT_TRUE(GetProcInt("backlight", &value));
        EXPECT_EQ(value, -12);
        EXPECT_FALSE(GetProcInt("contrast", &value));
        EXPECT_FALSE(GetProcInt(longName.c_str(), &value));
        EXPECT_EQ(value, -12);
        return 0;
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.Output(),
              "GetProcInt: Unable to open /proc/orbelia/contrast: No such file or directory\n");
}

TEST(GetVirtualScreen, CopiesToTheRawFrameBufferOfTheRoot) {
    CTempRoot root;
    MakeRawFrameBuffer(root);
    WriteModelId(root, "3");
    const int status = RunInChild([] {
        MVirtualScreen* screen = GetVirtualScreen();
        EXPECT_EQ(GetVirtualScreen(), screen);
        EXPECT_EQ(screen->GetWidth(), 320);
        EXPECT_EQ(screen->GetHeight(), 240);
        EXPECT_EQ(screen->GetDeviceBuffer(), GetFrameBuffer()->GetBuffer());
        if (screen->GetBuffer() == nullptr || screen->GetDeviceBuffer() == nullptr) {
            return 1;
        }
        WritePixel(*screen, 5, 7, 0xBEEF);
        screen->Update(false);
        return 0;
    });
    EXPECT_EQ(status, 0);
    const std::string file = root.Read(KFrameBufferPath);
    ASSERT_EQ(file.size(), 153600u);
    std::uint16_t pixel;
    std::memcpy(&pixel, file.data() + 2 * (7 * 320 + 5), sizeof pixel);
    EXPECT_EQ(pixel, 0xBEEF);
}

}  // namespace
