// The input as a BMP file on the SD card: decoded row by row, then converted into an image with
// the skin's key colour and drawn whole and in parts on a small screen.
//
// Checked: a decoded file has a size within the decoder's bounds and every row; rows outside
// it are refused; the descriptor is closed whether or not the file was taken; drawing writes
// nothing outside the screen's pixels; an image draws whole exactly when it fits, and in parts
// whenever its top left lies on the screen (a larger one shows its top-left part).

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "tests/support/MemoryFrameBuffer.h"
#include "ui/BMPDecompressor.h"
#include "ui/Image.h"

namespace {

// A descriptor on a memory file holding the input, positioned at its end.
int FileWith(const std::uint8_t* aData, std::size_t aSize) {
    int descriptor = memfd_create("fuzz-bmp", MFD_CLOEXEC);
    if (descriptor < 0) {
        std::FILE* file = std::tmpfile();  // kernels without memfd
        Check(file != nullptr);
        descriptor = dup(fileno(file));
        std::fclose(file);
    }
    Check(descriptor >= 0);
    std::size_t done = 0;
    while (done < aSize) {
        const ssize_t written = write(descriptor, aData + done, aSize - done);
        Check(written > 0);
        done += static_cast<std::size_t>(written);
    }
    return descriptor;
}

bool IsClosed(int aDescriptor) {
    return fcntl(aDescriptor, F_GETFD) == -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    int descriptor = FileWith(aData, aSize);
    CBMPDecompressor decoder;
    const bool opened = decoder.Open(descriptor);
    Check(IsClosed(descriptor));
    if (opened) {
        Check(decoder.Width() >= 1 && decoder.Width() <= KMaxBmpDimension);
        Check(decoder.Height() >= 1 && decoder.Height() <= KMaxBmpDimension);
        Check(static_cast<long>(decoder.Width()) * decoder.Height() <= KMaxBmpPixels);
        static volatile std::uint8_t sink;
        for (int y = 0; y < decoder.Height(); ++y) {
            const std::uint8_t* row = decoder.Row(y);
            Check(row != nullptr);
            for (int i = 0; i < 3 * decoder.Width(); ++i) {
                sink = sink ^ row[i];  // every byte of the row is there to be read
            }
        }
        Check(decoder.Row(-1) == nullptr && decoder.Row(decoder.Height()) == nullptr);
    } else {
        Check(decoder.Width() == 0 && decoder.Height() == 0 && decoder.Row(0) == nullptr);
    }

    descriptor = FileWith(aData, aSize);
    MImage* image = CreateImage(descriptor, 255, 0, 0);
    Check(IsClosed(descriptor));
    Check((image != nullptr) == opened);
    if (image != nullptr) {
        static CMemoryFrameBuffer screen(48, 40);
        const bool fits = image->Width() <= 48 && image->Height() <= 40;
        Check(image->Draw(&screen, 0, 0) == fits);
        Check(!image->Draw(&screen, 48 - image->Width() + 1, 0));
        Check(image->DrawPart(&screen, 0, 0, 2, 3, 10, 5));
        Check(image->DrawPart(&screen, 0, 0, -5, -5, 100, 100));
        Check(!image->DrawPart(&screen, 48, 0, 0, 0, 100, 100));
        Check(screen.GuardsIntact());
        delete image;
    }
    return 0;
}
