#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/OpenDescriptors.h"
#include "support/TempDirectory.h"
#include "ui/BMPDecompressor.h"

namespace {

struct TRgb {
    int iRed;
    int iGreen;
    int iBlue;
};

bool operator==(const TRgb& aLeft, const TRgb& aRight) {
    return aLeft.iRed == aRight.iRed && aLeft.iGreen == aRight.iGreen &&
           aLeft.iBlue == aRight.iBlue;
}

void PrintTo(const TRgb& aColour, std::ostream* aOut) {
    *aOut << '(' << aColour.iRed << ", " << aColour.iGreen << ", " << aColour.iBlue << ')';
}

std::string DataPath(const char* aName) {
    return std::string(FIXTRAIL_SOURCE_DIR) + "/tests/ui/data/" + aName;
}

// A descriptor on an unlinked temporary file holding aBytes, positioned at its end so that the
// decoder must seek back itself.
int DescriptorWith(const std::vector<std::uint8_t>& aBytes) {
    std::string pattern = TempBase() + "/fixtrail-bmp-XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        return -1;
    }
    unlink(pattern.c_str());
    if (!aBytes.empty() &&
        write(descriptor, aBytes.data(), aBytes.size()) != static_cast<ssize_t>(aBytes.size())) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

std::vector<TRgb> AllPixels(CBMPDecompressor& aDecoder) {
    std::vector<TRgb> pixels;
    for (int y = 0; y < aDecoder.Height(); ++y) {
        const std::uint8_t* row = aDecoder.Row(y);
        if (row == nullptr) {
            ADD_FAILURE() << "row " << y << " missing";
            return pixels;
        }
        for (int x = 0; x < aDecoder.Width(); ++x) {
            pixels.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2]});
        }
    }
    return pixels;
}

constexpr TRgb KBlack{0, 0, 0};
constexpr TRgb KWhite{255, 255, 255};

// tests/ui/data/ holds the same 5 x 3 picture at 4, 8 and 24 bits (written by netpbm's
// ppmtobmp, whose palettes and padding are its own), a 9 x 2 two-colour picture at 1 bit
// (two pixels past a byte boundary), and 3 x 2 pictures at 16 (5-5-5) and 32 bits.
const std::vector<TRgb> KColours5x3 = {
    {255, 0, 0},  {0, 255, 0},    {0, 0, 255},   {255, 255, 255}, {0, 0, 0},
    {10, 20, 30}, {200, 100, 50}, {255, 255, 0}, {0, 255, 255},   {128, 128, 128},
    {1, 2, 3},    {4, 5, 6},      {7, 8, 9},     {250, 2, 5},     {255, 0, 0},
};

struct TFileCase {
    const char* iName;
    int iWidth;
    int iHeight;
    bool iMonochrome;
    std::vector<TRgb> iPixels;  // top row first
};

const TFileCase KFileCases[] = {
    {"mono1.bmp",
     9,
     2,
     true,
     {KBlack, KWhite, KBlack, KBlack, KWhite, KWhite, KBlack, KWhite, KWhite,  //
      KWhite, KBlack, KBlack, KWhite, KBlack, KBlack, KWhite, KBlack, KBlack}},
    {"pal4.bmp", 5, 3, false, KColours5x3},
    {"pal8.bmp", 5, 3, false, KColours5x3},
    {"rgb24.bmp", 5, 3, false, KColours5x3},
    // 5 bits stretched to 8: 31 is 255, 1 is 8.
    {"rgb16.bmp",
     3,
     2,
     false,
     {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, KWhite, {8, 16, 24}, KBlack}},
    {"rgb32.bmp",
     3,
     2,
     false,
     {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {1, 2, 3}, {250, 2, 5}, KWhite}},
};

TEST(BMPDecompressor, DecodesRealFilesOfEveryDepth) {
    for (const TFileCase& test : KFileCases) {
        SCOPED_TRACE(test.iName);
        const int before = OpenDescriptors();
        CBMPDecompressor decoder;
        ASSERT_TRUE(decoder.Open(open(DataPath(test.iName).c_str(), O_RDONLY)));
        EXPECT_EQ(OpenDescriptors(), before);
        EXPECT_EQ(decoder.Width(), test.iWidth);
        EXPECT_EQ(decoder.Height(), test.iHeight);
        EXPECT_EQ(decoder.IsMonochrome(), test.iMonochrome);
        EXPECT_EQ(AllPixels(decoder), test.iPixels);
        EXPECT_EQ(decoder.Row(-1), nullptr);
        EXPECT_EQ(decoder.Row(test.iHeight), nullptr);
    }
}

std::vector<std::uint8_t> ReadData(const char* aName) {
    std::vector<std::uint8_t> bytes;
    const int descriptor = open(DataPath(aName).c_str(), O_RDONLY);
    std::uint8_t buffer[4096];
    ssize_t got;
    while (descriptor >= 0 && (got = read(descriptor, buffer, sizeof buffer)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (descriptor >= 0) {
        close(descriptor);
    }
    return bytes;
}

// Rows are padded to 4 bytes: width 5 is 8 bytes a row at 8 bits, 16 at 24 bits. The pixel
// array must be complete, and bytes after it are ignored.
TEST(BMPDecompressor, NeedsTheWholePaddedPixelArray) {
    for (const char* name : {"pal8.bmp", "rgb24.bmp", "pal4.bmp", "mono1.bmp", "rgb16.bmp"}) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> bytes = ReadData(name);
        ASSERT_GT(bytes.size(), 54u);
        CBMPDecompressor decoder;
        bytes.push_back(0x77);
        EXPECT_TRUE(decoder.Open(DescriptorWith(bytes)));
        bytes.resize(bytes.size() - 2);
        EXPECT_FALSE(decoder.Open(DescriptorWith(bytes)));
        EXPECT_EQ(decoder.Width(), 0);
        EXPECT_EQ(decoder.Row(0), nullptr);
    }
}

void Put16(std::vector<std::uint8_t>& aBytes, std::size_t aOffset, std::uint32_t aValue) {
    aBytes[aOffset] = static_cast<std::uint8_t>(aValue);
    aBytes[aOffset + 1] = static_cast<std::uint8_t>(aValue >> 8);
}

void Put32(std::vector<std::uint8_t>& aBytes, std::size_t aOffset, std::uint32_t aValue) {
    Put16(aBytes, aOffset, aValue & 0xFFFF);
    Put16(aBytes, aOffset + 2, aValue >> 16);
}

// A header of the accepted kind: "BM", 40-byte info header, bottom-up, uncompressed.
std::vector<std::uint8_t> Header(std::int32_t aWidth, std::int32_t aHeight, int aBits,
                                 std::uint32_t aDataOffset) {
    std::vector<std::uint8_t> bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 10, aDataOffset);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<std::uint32_t>(aWidth));
    Put32(bytes, 22, static_cast<std::uint32_t>(aHeight));
    Put16(bytes, 26, 1);
    Put16(bytes, 28, static_cast<std::uint32_t>(aBits));
    return bytes;
}

// A valid 2 x 2 24-bit file, 8 bytes a row.
std::vector<std::uint8_t> Small24() {
    // Header then pixels, copied into place: growing the header's vector makes gcc 12 at -O3
    // warn about bounds it cannot see.
    const std::vector<std::uint8_t> header = Header(2, 2, 24, 54);
    std::vector<std::uint8_t> bytes(header.size() + 16, 0x40);
    std::copy(header.begin(), header.end(), bytes.begin());
    return bytes;
}

struct TMalformedCase {
    const char* iLegend;
    std::vector<std::uint8_t> iBytes;
};

std::vector<std::uint8_t> Small24With(std::size_t aOffset, std::uint32_t aValue, int aSize) {
    std::vector<std::uint8_t> bytes = Small24();
    if (aSize == 2) {
        Put16(bytes, aOffset, aValue);
    } else {
        Put32(bytes, aOffset, aValue);
    }
    return bytes;
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> aBytes, std::size_t aSize) {
    aBytes.resize(aSize);
    return aBytes;
}

std::vector<std::uint8_t> WithPixels(std::vector<std::uint8_t> aHeader, std::size_t aCount) {
    aHeader.resize(aHeader.size() + aCount, 0);
    return aHeader;
}

TEST(BMPDecompressor, RefusesMalformedFilesAndClosesTheDescriptor) {
    const TMalformedCase cases[] = {
        {"empty file", {}},
        {"53 bytes of header", Truncated(Small24(), 53)},
        {"header without pixels", Truncated(Small24(), 54)},
        {"signature BA", Small24With(0, 0x4142, 2)},
        {"OS/2 info header of 12 bytes", Small24With(14, 12, 4)},
        {"V4 info header of 108 bytes", Small24With(14, 108, 4)},
        {"V5 info header of 124 bytes", Small24With(14, 124, 4)},
        {"data offset 0", Small24With(10, 0, 4)},
        {"data offset 53, inside the header", Small24With(10, 53, 4)},
        {"data offset past the end", Small24With(10, 1000, 4)},
        {"data offset 0xFFFFFFFF", Small24With(10, 0xFFFFFFFFu, 4)},
        {"data offset leaves the array one byte short", Small24With(10, 55, 4)},
        {"width 0", Small24With(18, 0, 4)},
        {"width -2", Small24With(18, static_cast<std::uint32_t>(-2), 4)},
        {"width 4097", WithPixels(Header(4097, 1, 8, 54), 4100)},
        {"width with high bits, low half 2", Small24With(18, 0x10002, 4)},
        {"height 0", Small24With(22, 0, 4)},
        {"height -2: top-down", Small24With(22, static_cast<std::uint32_t>(-2), 4)},
        {"height 4097", WithPixels(Header(1, 4097, 8, 54), 4 * 4097)},
        {"4096 x 1024 at 1 bit, over the pixel bound",
         WithPixels(Header(4096, 1024, 1, 54), 512u * 1024u)},
        {"2049 x 1024 at 8 bits, one column over the pixel bound",
         WithPixels(Header(2049, 1024, 8, 54), 2052u * 1024u)},
        {"0 bits per pixel", Small24With(28, 0, 2)},
        {"2 bits per pixel", Small24With(28, 2, 2)},
        {"15 bits per pixel", Small24With(28, 15, 2)},
        {"48 bits per pixel", Small24With(28, 48, 2)},
        {"RLE8 compression", Small24With(30, 1, 4)},
        {"RLE4 compression", Small24With(30, 2, 4)},
        {"bit-field masks", Small24With(30, 3, 4)},
        {"JPEG inside", Small24With(30, 4, 4)},
        {"8-bit palette cut short by the end of the file",
         Truncated(Header(2, 2, 8, 54 + 1024), 60)},
    };
    for (const TMalformedCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        const int before = OpenDescriptors();
        const int descriptor = DescriptorWith(test.iBytes);
        ASSERT_GE(descriptor, 0);
        CBMPDecompressor decoder;
        EXPECT_FALSE(decoder.Open(descriptor));
        EXPECT_EQ(OpenDescriptors(), before);
        EXPECT_EQ(decoder.Width(), 0);
        EXPECT_EQ(decoder.Height(), 0);
        EXPECT_EQ(decoder.Row(0), nullptr);
    }
}

TEST(BMPDecompressor, DescriptorsThatCannotBeRead) {
    CBMPDecompressor decoder;
    EXPECT_FALSE(decoder.Open(-1));
    // A pipe cannot be sought; it is refused and closed like any bad file.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::vector<std::uint8_t> bytes = Small24();
    ASSERT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    EXPECT_FALSE(decoder.Open(ends[0]));
    errno = 0;
    EXPECT_EQ(fcntl(ends[0], F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
    close(ends[1]);
    // A directory opens but cannot be read.
    EXPECT_FALSE(decoder.Open(open(FIXTRAIL_SOURCE_DIR, O_RDONLY)));
}

TEST(BMPDecompressor, PaletteIndexesWithoutAnEntryAreBlack) {
    // 8 bits, two palette entries given (red, green), pixels 0, 1, 2, 255.
    std::vector<std::uint8_t> bytes = Header(4, 1, 8, 54 + 8);
    bytes.insert(bytes.end(), {0, 0, 255, 0, 0, 255, 0, 0});
    bytes.insert(bytes.end(), {0, 1, 2, 255});
    CBMPDecompressor decoder;
    ASSERT_TRUE(decoder.Open(DescriptorWith(bytes)));
    const std::vector<TRgb> expected = {{255, 0, 0}, {0, 255, 0}, KBlack, KBlack};
    EXPECT_EQ(AllPixels(decoder), expected);

    // No palette at all: every pixel is black.
    bytes = Header(2, 1, 4, 54);
    bytes.insert(bytes.end(), {0x1F, 0, 0, 0});
    ASSERT_TRUE(decoder.Open(DescriptorWith(bytes)));
    EXPECT_EQ(AllPixels(decoder), (std::vector<TRgb>{KBlack, KBlack}));
}

TEST(BMPDecompressor, ReadsOnlyThePaletteOfALongGap) {
    // A megabyte between header and pixels: only the 16 entries a 4-bit pixel can index count.
    const std::uint32_t offset = 54 + (1u << 20);
    std::vector<std::uint8_t> bytes = Header(2, 1, 4, offset);
    bytes.resize(offset, 0);
    bytes[54 + 4 * 15] = 200;  // entry 15: blue 200
    bytes.insert(bytes.end(), {0xF0, 0, 0, 0});
    CBMPDecompressor decoder;
    ASSERT_TRUE(decoder.Open(DescriptorWith(bytes)));
    EXPECT_EQ(AllPixels(decoder), (std::vector<TRgb>{{0, 0, 200}, KBlack}));
}

TEST(BMPDecompressor, LargestAcceptedPictureAndReopening) {
    // 2048 x 1024 at 8 bits: the pixel bound exactly.
    std::vector<std::uint8_t> bytes = WithPixels(Header(2048, 1024, 8, 54), 2048u * 1024u);
    CBMPDecompressor decoder;
    ASSERT_TRUE(decoder.Open(DescriptorWith(bytes)));
    EXPECT_EQ(decoder.Width(), 2048);
    EXPECT_NE(decoder.Row(1023), nullptr);
    // A second file replaces the first; a failed one leaves nothing behind.
    ASSERT_TRUE(decoder.Open(DescriptorWith(Small24())));
    EXPECT_EQ(decoder.Width(), 2);
    EXPECT_FALSE(decoder.Open(DescriptorWith(Truncated(Small24(), 60))));
    EXPECT_EQ(decoder.Width(), 0);
    decoder.Close();
    EXPECT_EQ(decoder.Row(0), nullptr);
}

}  // namespace
