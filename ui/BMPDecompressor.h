#pragma once

#include <cstdint>
#include <memory>

// A decoder of one bitmap file into rows of 8-bit red, green, blue triples.
class MBitmapDecompressor {
  public:
    virtual ~MBitmapDecompressor() = default;
    // Decodes the whole file behind aDescriptor, which it takes over: the descriptor is closed
    // whether or not the file was accepted. False leaves the decoder empty.
    virtual bool Open(int aDescriptor) = 0;
    // Frees everything and leaves the decoder empty.
    virtual void Close() = 0;
    virtual int Width() = 0;
    virtual int Height() = 0;
    // True for a file of 1 bit per pixel. Its rows are handed out as triples like any other's.
    virtual bool IsMonochrome() = 0;
    // Row aY (0 is the top row) as Width() triples red, green, blue; null for a row outside the
    // image or an empty decoder. Valid until the next call.
    virtual const std::uint8_t* Row(int aY) = 0;
};

// Windows BMP with the 40-byte info header, uncompressed, stored bottom-up, of 1, 4, 8, 16
// (5-5-5), 24 or 32 bits per pixel. The file comes from the SD card and is treated as hostile:
// every size is checked before it is used, so no file makes the decoder read or write outside
// what it allocated, nor allocate more than KMaxBmpPixelData bytes of pixel data.
class CBMPDecompressor : public MBitmapDecompressor {
  public:
    CBMPDecompressor() = default;
    ~CBMPDecompressor() override;
    CBMPDecompressor(const CBMPDecompressor&) = delete;
    CBMPDecompressor& operator=(const CBMPDecompressor&) = delete;

    bool Open(int aDescriptor) override;
    void Close() override;
    int Width() override { return iWidth; }
    int Height() override { return iHeight; }
    bool IsMonochrome() override { return iBitsPerPixel == 1; }
    const std::uint8_t* Row(int aY) override;

  private:
    bool Decode(int aDescriptor);

    int iWidth = 0;
    int iHeight = 0;
    int iBitsPerPixel = 0;
    // A full table of 2^bits entries (blue, green, red, unused) for the palette depths; entries
    // the file does not give stay black, so that every index a pixel can hold has a colour.
    std::unique_ptr<std::uint8_t[]> iPalette;
    std::unique_ptr<std::uint8_t[]> iPixelData;
    std::unique_ptr<std::uint8_t[]> iRowBuffer;
    std::uint32_t iRowSize = 0;  // bytes of one stored row, padding included
};

constexpr int KBmpHeaderSize = 54;           // file header (14) and info header (40)
constexpr int KMaxBmpDimension = 4096;       // width and height each
constexpr long KMaxBmpPixels = 1L << 21;     // width x height: a converted image stays <= 4 MiB
constexpr long KMaxBmpPixelData = 8L << 20;  // bytes of stored rows
