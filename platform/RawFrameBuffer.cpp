#include "platform/RawFrameBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Reads up to aCount unsigned numbers separated by ',' from a small text file.
int ReadNumbers(const char* aPath, unsigned* aNumbers, int aCount) {
    std::FILE* file = std::fopen(aPath, "r");
    if (file == nullptr) {
        return 0;
    }
    int read = 0;
    while (read < aCount && std::fscanf(file, read == 0 ? "%u" : " ,%u", &aNumbers[read]) == 1) {
        ++read;
    }
    (void)std::fclose(file);  // read only: nothing is lost
    return read;
}

}  // namespace

CRawFrameBuffer::CRawFrameBuffer(const char* aFilePath, const char* aSizePath,
                                 const char* aDepthPath) {
    unsigned size[2] = {};
    unsigned depth = 0;
    if (ReadNumbers(aSizePath, size, 2) != 2 || ReadNumbers(aDepthPath, &depth, 1) != 1) {
        return;
    }
    iDescriptor = ::open(aFilePath, O_RDWR);
    if (iDescriptor < 0) {
        return;
    }
    SetGeometry(size[0], size[1], static_cast<int>(depth));
    // A file shorter than its geometry would fault on the first write past its end.
    struct stat status {};
    const auto needed = (static_cast<long long>(iWidth) * iHeight * iBitsPerPixel) >> 3;
    if (::fstat(iDescriptor, &status) != 0 || status.st_size < needed) {
        iWidth = iHeight = iBitsPerPixel = iBytesPerPixel = 0;
        return;
    }
    Map();
}
