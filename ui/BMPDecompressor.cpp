#include "ui/BMPDecompressor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <new>

namespace {

constexpr std::uint16_t KBmpSignature = 0x4D42;  // "BM"
constexpr std::uint32_t KInfoHeaderSize = 40;
constexpr std::uint32_t KUncompressed = 0;  // BI_RGB; RLE and bit fields are refused
constexpr int KPaletteEntryBytes = 4;       // blue, green, red, unused

std::uint16_t Read16(const std::uint8_t* aBytes) {
    return static_cast<std::uint16_t>(aBytes[0] | aBytes[1] << 8);
}

std::uint32_t Read32(const std::uint8_t* aBytes) {
    return static_cast<std::uint32_t>(aBytes[0]) | static_cast<std::uint32_t>(aBytes[1]) << 8 |
           static_cast<std::uint32_t>(aBytes[2]) << 16 |
           static_cast<std::uint32_t>(aBytes[3]) << 24;
}

// Reads until aCount bytes are in or the file ends; the number read, or -1 on an error.
long ReadFully(int aDescriptor, std::uint8_t* aBuffer, std::size_t aCount) {
    std::size_t done = 0;
    while (done < aCount) {
        const ssize_t got = ::read(aDescriptor, aBuffer + done, aCount - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

bool IsSupportedDepth(int aBits) {
    return aBits == 1 || aBits == 4 || aBits == 8 || aBits == 16 || aBits == 24 || aBits == 32;
}

// 5 bits stretched to 8 so that full intensity stays full (31 -> 255).
std::uint8_t Expand5(unsigned aValue) {
    return static_cast<std::uint8_t>(aValue << 3 | aValue >> 2);
}

}  // namespace

CBMPDecompressor::~CBMPDecompressor() {
    CBMPDecompressor::Close();
}

bool CBMPDecompressor::Open(int aDescriptor) {
    Close();
    if (aDescriptor < 0) {
        return false;
    }
    const bool decoded = Decode(aDescriptor);
    (void)::close(aDescriptor);
    if (!decoded) {
        Close();
    }
    return decoded;
}

bool CBMPDecompressor::Decode(int aDescriptor) {
    if (::lseek(aDescriptor, 0, SEEK_SET) != 0) {
        return false;
    }
    std::uint8_t header[KBmpHeaderSize];
    if (ReadFully(aDescriptor, header, sizeof header) != KBmpHeaderSize) {
        return false;
    }
    if (Read16(header) != KBmpSignature || Read32(header + 14) != KInfoHeaderSize) {
        return false;
    }
    const std::uint32_t dataOffset = Read32(header + 10);
    // Signed: a negative height marks a top-down file, which is not taken.
    const auto width = static_cast<std::int32_t>(Read32(header + 18));
    const auto height = static_cast<std::int32_t>(Read32(header + 22));
    const int bits = Read16(header + 28);
    const std::uint32_t compression = Read32(header + 30);
    if (dataOffset < static_cast<std::uint32_t>(KBmpHeaderSize) || width <= 0 || height <= 0 ||
        width > KMaxBmpDimension || height > KMaxBmpDimension || !IsSupportedDepth(bits) ||
        compression != KUncompressed) {
        return false;
    }
    if (static_cast<long>(width) * height > KMaxBmpPixels) {
        return false;
    }
    // Bounded above, so none of this overflows 32 bits.
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(width) * bits + 31) / 32 * 4;
    const std::uint32_t dataSize = rowSize * static_cast<std::uint32_t>(height);
    if (dataSize > static_cast<std::uint32_t>(KMaxBmpPixelData)) {
        return false;
    }

    // A file too short for its pixel array is refused before anything is allocated for it.
    struct stat status {};
    if (::fstat(aDescriptor, &status) != 0 ||
        static_cast<unsigned long long>(status.st_size) <
            static_cast<unsigned long long>(dataOffset) + dataSize) {
        return false;
    }

    if (bits <= 8) {
        // The palette is whatever lies between the header and the pixels; only the entries a
        // pixel can index are read, the rest of a long gap is skipped.
        const std::uint32_t entries = 1u << bits;
        const std::uint32_t tableBytes = entries * KPaletteEntryBytes;
        iPalette.reset(new (std::nothrow) std::uint8_t[tableBytes]());
        if (!iPalette) {
            return false;
        }
        const std::uint32_t gap = dataOffset - KBmpHeaderSize;
        const std::uint32_t given = gap < tableBytes ? gap : tableBytes;
        if (ReadFully(aDescriptor, iPalette.get(), given) != static_cast<long>(given)) {
            return false;
        }
    }

    iRowBuffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(width) * 3]);
    iPixelData.reset(new (std::nothrow) std::uint8_t[dataSize]);
    if (!iRowBuffer || !iPixelData) {
        return false;
    }
    // A short file, or an offset past its end, leaves the pixel array incomplete: refused.
    if (::lseek(aDescriptor, static_cast<off_t>(dataOffset), SEEK_SET) !=
            static_cast<off_t>(dataOffset) ||
        ReadFully(aDescriptor, iPixelData.get(), dataSize) != static_cast<long>(dataSize)) {
        return false;
    }
    iWidth = width;
    iHeight = height;
    iBitsPerPixel = bits;
    iRowSize = rowSize;
    return true;
}

void CBMPDecompressor::Close() {
    iWidth = 0;
    iHeight = 0;
    iBitsPerPixel = 0;
    iRowSize = 0;
    iPalette.reset();
    iPixelData.reset();
    iRowBuffer.reset();
}

const std::uint8_t* CBMPDecompressor::Row(int aY) {
    if (!iPixelData || aY < 0 || aY >= iHeight) {
        return nullptr;
    }
    // Rows are stored bottom-up.
    const std::uint8_t* in =
        iPixelData.get() + static_cast<std::size_t>(iHeight - 1 - aY) * iRowSize;
    std::uint8_t* out = iRowBuffer.get();
    // Offsets in the row and the palette as pointer differences, which they become.
    const std::uint8_t* const palette = iPalette.get();
    constexpr std::ptrdiff_t KEntry = KPaletteEntryBytes;
    for (std::ptrdiff_t x = 0; x < iWidth; ++x, out += 3) {
        const std::uint8_t* colour;
        std::uint8_t bgr[3];
        switch (iBitsPerPixel) {
            case 1:
                colour = palette + KEntry * (in[x >> 3] >> (7 - (x & 7)) & 1);
                break;
            case 4:
                colour = palette + KEntry * (in[x >> 1] >> ((x & 1) ? 0 : 4) & 15);
                break;
            case 8:
                colour = palette + KEntry * in[x];
                break;
            case 16: {
                const unsigned value = Read16(in + 2 * x);
                bgr[0] = Expand5(value & 31);
                bgr[1] = Expand5(value >> 5 & 31);
                bgr[2] = Expand5(value >> 10 & 31);
                colour = bgr;
                break;
            }
            case 24:
                colour = in + 3 * x;
                break;
            default:  // 32: blue, green, red, unused
                colour = in + 4 * x;
                break;
        }
        out[0] = colour[2];
        out[1] = colour[1];
        out[2] = colour[0];
    }
    return iRowBuffer.get();
}
