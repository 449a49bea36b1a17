#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/FrameBuffer.h"
#include "platform/RawFrameBuffer.h"
#include "platform/VXFrameBufferImpl.h"
#include "support/DeviceRoot.h"
#include "support/ForkedRun.h"

namespace {

bool IsWordAligned(const void* aPointer) {
    return reinterpret_cast<std::uintptr_t>(aPointer) % 4 == 0;
}

struct TRawCase {
    const char* iLegend;
    const char* iSizeText;   // null: no virtual_size file
    const char* iDepthText;  // null: no bits_per_pixel file
    long iFileBytes;         // -1: no frame-buffer file
    int iWidth;
    int iHeight;
    int iBitsPerPixel;
    bool iMapped;
};

const TRawCase KRawCases[] = {
    {"landscape", "320,240\n", "16\n", 153600, 320, 240, 16, true},
    {"portrait is used as landscape", "240,320\n", "16\n", 153600, 320, 240, 16, true},
    {"square", "200,200\n", "16\n", 80000, 200, 200, 16, true},
    {"12 bits are mapped as 12 bits", "320,240", "12", 115200, 320, 240, 12, true},
    {"a longer file is mapped", "320,240", "16", 160000, 320, 240, 16, true},
    // A file shorter than its geometry would fault on the first write past its end.
    {"file one byte short", "320,240", "16", 153599, 0, 0, 0, false},
    {"12 bits, file one byte short", "320,240", "12", 115199, 0, 0, 0, false},
    {"empty file", "320,240", "16", 0, 0, 0, 0, false},
    {"no frame-buffer file", "320,240", "16", -1, 0, 0, 0, false},
    {"no size file", nullptr, "16", 153600, 0, 0, 0, false},
    {"no depth file", "320,240", nullptr, 153600, 0, 0, 0, false},
    {"size is not a number", "abc\n", "16", 153600, 0, 0, 0, false},
    {"size has one number", "320\n", "16", 153600, 0, 0, 0, false},
    {"depth is not a number", "320,240", "sixteen", 153600, 0, 0, 0, false},
    {"negative size", "-320,240", "16", 153600, 0, 0, 0, false},
    {"resolution beyond any panel", "9000,240", "16", 153600, 0, 0, 0, false},
    {"depth beyond 32 bits", "320,240", "40", 153600, 0, 0, 0, false},
};

TEST(RawFrameBuffer, GeometryAndMappingFromTheSysfsFiles) {
    for (const TRawCase& test : KRawCases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot root;
        MakeDeviceDirectories(root, "/sys/class/graphics/fb0");
        MakeDeviceDirectories(root, "/dev");
        if (test.iSizeText != nullptr) {
            root.Write(KFrameBufferSizePath, test.iSizeText);
        }
        if (test.iDepthText != nullptr) {
            root.Write(KFrameBufferDepthPath, test.iDepthText);
        }
        if (test.iFileBytes >= 0) {
            root.Write(KFrameBufferPath,
                       std::string(static_cast<std::size_t>(test.iFileBytes), '\0'));
        }
        const std::size_t length = (static_cast<std::size_t>(test.iWidth) * test.iHeight *
                                    static_cast<std::size_t>(test.iBitsPerPixel)) >>
                                   3;
        {
            CRawFrameBuffer frameBuffer(root.Path(KFrameBufferPath).c_str(),
                                        root.Path(KFrameBufferSizePath).c_str(),
                                        root.Path(KFrameBufferDepthPath).c_str());
            EXPECT_EQ(frameBuffer.GetWidth(), test.iWidth);
            EXPECT_EQ(frameBuffer.GetHeight(), test.iHeight);
            EXPECT_EQ(frameBuffer.GetBitsPerPixel(), test.iBitsPerPixel);
            std::uint8_t* pixels = frameBuffer.GetBuffer();
            if (!test.iMapped) {
                EXPECT_EQ(pixels, nullptr);
                continue;
            }
            ASSERT_NE(pixels, nullptr);
            EXPECT_TRUE(IsWordAligned(pixels));
            // The whole length is mapped, shared with the file the simulator shows.
            pixels[0] = 0x5A;
            pixels[length - 1] = 0xA5;
        }
        const std::string file = root.Read(KFrameBufferPath);
        ASSERT_EQ(file.size(), static_cast<std::size_t>(test.iFileBytes));
        EXPECT_EQ(static_cast<std::uint8_t>(file[0]), 0x5A);
        EXPECT_EQ(static_cast<std::uint8_t>(file[length - 1]), 0xA5);
    }
}

struct TOffsetCase {
    int iX;
    int iY;
    int iOffset;
};

TEST(RawFrameBuffer, PixelOffsetsFollowTheColumnLayout) {
    // 16 bits: two bytes per pixel; 12 bits: one byte per pixel in the offsets, although the
    // mapping takes 12 bits per pixel.
    const TOffsetCase KOffsets16[] = {{0, 0, 478}, {0, 239, 0}, {319, 0, 153598}, {1, 239, 480}};
    const TOffsetCase KOffsets12[] = {{0, 0, 239}, {0, 239, 0}, {319, 0, 76799}, {1, 239, 240}};
    for (const char* depth : {"16", "12"}) {
        SCOPED_TRACE(depth);
        CTempRoot root;
        MakeRawFrameBuffer(root, "320,240", depth, 153600);
        CRawFrameBuffer frameBuffer(root.Path(KFrameBufferPath).c_str(),
                                    root.Path(KFrameBufferSizePath).c_str(),
                                    root.Path(KFrameBufferDepthPath).c_str());
        ASSERT_NE(frameBuffer.GetBuffer(), nullptr);
        for (const TOffsetCase& offset : std::string(depth) == "16" ? KOffsets16 : KOffsets12) {
            EXPECT_EQ(frameBuffer.GetPixelOffset(offset.iX, offset.iY), offset.iOffset)
                << "(" << offset.iX << ", " << offset.iY << ")";
        }
    }
}

// Maps a descriptor of the test's choosing through the device implementation's own step.
class CMappedDescriptor : public CVXFrameBufferImpl {
  public:
    CMappedDescriptor(int aDescriptor, unsigned aXResolution, unsigned aYResolution) {
        iDescriptor = aDescriptor;
        SetGeometry(aXResolution, aYResolution, 16);
        iMapped = Map();
    }
    bool iMapped = false;
};

TEST(VXFrameBufferImpl, FailedMappingLeavesNullAndUnmapsNothing) {
    CTempRoot root;
    root.Write("/pixels", std::string(153600, '\0'));
    // A page where an unmapping of "null" for the screen's length would land.
    void* const lowPage = reinterpret_cast<void*>(0x10000);
    void* page = ::mmap(lowPage, 4096, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    const bool havePage = page == lowPage;
    {
        // Read-only: a shared writable mapping is refused.
        CMappedDescriptor frameBuffer(::open(root.Path("/pixels").c_str(), O_RDONLY), 240, 320);
        EXPECT_FALSE(frameBuffer.iMapped);
        EXPECT_EQ(frameBuffer.GetBuffer(), nullptr);
        EXPECT_EQ(frameBuffer.GetWidth(), 320);
        EXPECT_EQ(frameBuffer.GetHeight(), 240);
    }
    if (havePage) {
        EXPECT_EQ(::msync(page, 4096, MS_ASYNC), 0)
            << "the destructor unmapped memory it never mapped";
    }
    if (page != MAP_FAILED) {
        ::munmap(page, 4096);
    }
}

TEST(VXFrameBufferImpl, PathThatIsNotAFrameBufferGivesNullBuffer) {
    CTempRoot root;
    root.Write("/regular", std::string(153600, '\0'));
    for (const std::string& path :
         {root.Path("/regular"), std::string("/dev/null"), root.Path("/missing")}) {
        SCOPED_TRACE(path);
        CVXFrameBufferImpl frameBuffer(path.c_str());
        EXPECT_EQ(frameBuffer.GetBuffer(), nullptr);
        EXPECT_EQ(frameBuffer.GetWidth(), 0);
        EXPECT_EQ(frameBuffer.GetHeight(), 0);
    }
}

TEST(GetFrameBuffer, MapsARegularFileUnderTheRootAsTheRawFrameBuffer) {
    CTempRoot root;
    MakeRawFrameBuffer(root);
    const int status = RunInChild([] {
        MFrameBuffer* frameBuffer = GetFrameBuffer();
        EXPECT_NE(dynamic_cast<CRawFrameBuffer*>(frameBuffer), nullptr);
        EXPECT_EQ(GetFrameBuffer(), frameBuffer);
        EXPECT_EQ(frameBuffer->GetWidth(), 320);
        EXPECT_EQ(frameBuffer->GetHeight(), 240);
        EXPECT_EQ(frameBuffer->GetBitsPerPixel(), 16);
        if (frameBuffer->GetBuffer() == nullptr) {
            return 1;
        }
        frameBuffer->GetBuffer()[frameBuffer->GetPixelOffset(0, 0)] = 0x77;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(root.Read(KFrameBufferPath)[478], '\x77');
}

TEST(GetFrameBuffer, WithoutADeviceReturnsAnInstanceWithNothingMapped) {
    CTempRoot root;
    const int status = RunInChild([] {
        MFrameBuffer* frameBuffer = GetFrameBuffer();
        if (frameBuffer == nullptr) {
            return 1;
        }
        EXPECT_EQ(dynamic_cast<CRawFrameBuffer*>(frameBuffer), nullptr);
        EXPECT_EQ(frameBuffer->GetBuffer(), nullptr);
        EXPECT_EQ(frameBuffer->GetWidth(), 0);
        EXPECT_EQ(frameBuffer->GetHeight(), 0);
        EXPECT_EQ(GetFrameBuffer(), frameBuffer);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
