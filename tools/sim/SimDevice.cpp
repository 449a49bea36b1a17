#include "tools/sim/SimDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"
#include "platform/RawFrameBuffer.h"

namespace {

// The directories the application and its fixed paths expect besides the device files.
constexpr const char* KRootDirectories[] = {
    KDeviceDirectory, KFrameBufferInfoDirectory, KModelInfoDirectory, KRunTimeDirectory,
    KAppDirectory,
};
constexpr const char* KFifos[] = {KTouchPath, KRemotePath, KFeedPath};
constexpr int KRetryMs = 50;
// A full pipe means the application has stopped reading; records wait this long for room.
constexpr int KFullPipeWaitMs = 1000;

std::string SystemError(const std::string& aWhat) {
    return aWhat + ": " + std::strerror(errno);
}

// mkdir -p.
bool MakeDirectories(const std::string& aPath, std::string* aError) {
    std::size_t slash = 0;
    do {
        slash = aPath.find('/', slash + 1);
        const std::string prefix = aPath.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            *aError = SystemError("cannot create " + prefix);
            return false;
        }
    } while (slash != std::string::npos);
    struct stat status {};
    if (::stat(aPath.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        *aError = aPath + " exists and is not a directory";
        return false;
    }
    return true;
}

bool WriteText(const std::string& aPath, const std::string& aText, std::string* aError) {
    std::FILE* file = std::fopen(aPath.c_str(), "w");
    if (file == nullptr) {
        *aError = SystemError("cannot write " + aPath);
        return false;
    }
    const bool written = std::fwrite(aText.data(), 1, aText.size(), file) == aText.size();
    if (std::fclose(file) != 0 || !written) {
        *aError = SystemError("cannot write " + aPath);
        return false;
    }
    return true;
}

bool MakeFifo(const std::string& aPath, std::string* aError) {
    if (::mkfifo(aPath.c_str(), 0666) == 0) {
        return true;
    }
    struct stat status {};
    if (errno == EEXIST && ::lstat(aPath.c_str(), &status) == 0 && S_ISFIFO(status.st_mode)) {
        return true;
    }
    *aError = errno == EEXIST ? aPath + " exists and is not a FIFO"
                              : SystemError("cannot create FIFO " + aPath);
    return false;
}

bool MakeFrameBufferFile(const std::string& aPath, off_t aBytes, std::string* aError) {
    const int descriptor = ::open(aPath.c_str(), O_RDWR | O_CREAT, 0666);
    if (descriptor < 0) {
        *aError = SystemError("cannot create " + aPath);
        return false;
    }
    struct stat status {};
    const bool found = ::fstat(descriptor, &status) == 0;
    ::close(descriptor);
    if (found && !S_ISREG(status.st_mode)) {
        *aError = aPath + " exists and is not a regular file";
        return false;
    }
    // Same size: an application may have the file mapped, and its picture stays.
    if (found && status.st_size == aBytes) {
        return true;
    }
    // Another size is another layout, so the old bytes would only be noise: start from black.
    // A file just made is sized in place; one with a picture is replaced by a new file, since a
    // process that still maps it would get a bus error once it shrank under it.
    bool made = found;
    if (made && status.st_size == 0) {
        made = ::truncate(aPath.c_str(), aBytes) == 0;
    } else if (made) {
        const std::string fresh = aPath + ".new";
        const int replacement = ::open(fresh.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        made = replacement >= 0 && ::ftruncate(replacement, aBytes) == 0;
        if (replacement >= 0) {
            ::close(replacement);
        }
        made = made && ::rename(fresh.c_str(), aPath.c_str()) == 0;
        if (!made) {
            const int error = errno;  // the reason, not the clean-up's
            (void)::unlink(fresh.c_str());
            errno = error;
        }
    }
    if (!made) {
        *aError = SystemError("cannot size " + aPath);
    }
    return made;
}

void PutLittleEndian16(std::uint8_t* aBytes, int aValue) {
    const auto value = static_cast<std::uint16_t>(aValue);
    aBytes[0] = static_cast<std::uint8_t>(value & 0xff);
    aBytes[1] = static_cast<std::uint8_t>(value >> 8);
}

// Waits until aDescriptor can take a write, for at most aTimeoutMs.
bool WaitWritable(int aDescriptor, int aTimeoutMs) {
    pollfd entry{aDescriptor, POLLOUT, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, aTimeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (entry.revents & POLLOUT) != 0;
}

// Writes one whole record: 8 bytes are below PIPE_BUF, so a FIFO takes them at once or not at
// all, and the reader never sees half a record.
bool WriteRecord(int aDescriptor, const TRecord& aRecord) {
    for (;;) {
        const ssize_t written = ::write(aDescriptor, aRecord.data(), aRecord.size());
        if (written == static_cast<ssize_t>(aRecord.size())) {
            return true;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno == EAGAIN && WaitWritable(aDescriptor, KFullPipeWaitMs)) {
            continue;
        }
        if (written >= 0) {
            errno = EIO;  // a short write: only a regular file or a device would do that
        }
        return false;
    }
}

std::uint16_t PixelAt(const std::uint8_t* aMemory, std::size_t aByteOffset) {
    std::uint16_t pixel;  // the application writes in the processor's byte order
    std::memcpy(&pixel, aMemory + aByteOffset, sizeof pixel);
    return pixel;
}

}  // namespace

std::string RootPath(const std::string& aRoot, const char* aDevicePath) {
    std::string root = aRoot;
    while (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    return root == "/" ? std::string(aDevicePath) : root + aDevicePath;
}

bool MakeDeviceRoot(const std::string& aRoot, int aWidth, int aHeight, int aModel,
                    std::string* aError) {
    for (const char* directory : KRootDirectories) {
        if (!MakeDirectories(RootPath(aRoot, directory), aError)) {
            return false;
        }
    }
    const off_t bytes = static_cast<off_t>(aWidth) * aHeight * (KSimDepth / 8);
    if (!MakeFrameBufferFile(RootPath(aRoot, KFrameBufferPath), bytes, aError) ||
        !WriteText(RootPath(aRoot, KFrameBufferSizePath),
                   std::to_string(aWidth) + "," + std::to_string(aHeight) + "\n", aError) ||
        !WriteText(RootPath(aRoot, KFrameBufferDepthPath), std::to_string(KSimDepth) + "\n",
                   aError) ||
        !WriteText(RootPath(aRoot, KModelIdPath), std::to_string(aModel) + "\n", aError)) {
        return false;
    }
    for (const char* fifo : KFifos) {
        if (!MakeFifo(RootPath(aRoot, fifo), aError)) {
            return false;
        }
    }
    return true;
}

TRecord TouchRecord(int aPressure, int aX, int aY) {
    TRecord record{};
    PutLittleEndian16(&record[0], aPressure);
    PutLittleEndian16(&record[2], aX);
    PutLittleEndian16(&record[4], aY);
    return record;
}

TRecord RemoteRecord(int aCode) {
    TRecord record{};
    record[KRemoteCodeOffset] = static_cast<std::uint8_t>(aCode);
    return record;
}

bool WriteRecords(const std::string& aPath, const std::vector<TRecord>& aRecords, int aWaitMs,
                  std::string* aError) {
    struct stat status {};
    if (::stat(aPath.c_str(), &status) != 0) {
        *aError = SystemError(aPath) + " (run init first)";
        return false;
    }
    // A regular file would be overwritten from its start on every command, never read.
    if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) {
        *aError = aPath + " is not a FIFO or a device (run init first)";
        return false;
    }
    // Without O_NONBLOCK the open would hang until some process opens the FIFO for reading.
    int descriptor = -1;
    for (int waited = 0;; waited += KRetryMs) {
        descriptor = ::open(aPath.c_str(), O_WRONLY | O_NONBLOCK);
        if (descriptor >= 0 || errno != ENXIO || waited >= aWaitMs) {
            break;
        }
        ::usleep(KRetryMs * 1000);
    }
    if (descriptor < 0) {
        *aError = errno == ENXIO
                      ? "no process is reading " + aPath + " (start the application, or --wait)"
                      : SystemError("cannot open " + aPath);
        return false;
    }
    for (const TRecord& record : aRecords) {
        if (!WriteRecord(descriptor, record)) {
            *aError = SystemError("cannot write " + aPath);
            ::close(descriptor);
            return false;
        }
    }
    ::close(descriptor);
    return true;
}

CFifoWriter::~CFifoWriter() {
    Close();
}

bool CFifoWriter::Write(const TRecord& aRecord) {
    if (iDescriptor < 0) {
        iDescriptor = ::open(iPath.c_str(), O_WRONLY | O_NONBLOCK);
        if (iDescriptor < 0) {
            return false;
        }
    }
    if (WriteRecord(iDescriptor, aRecord)) {
        return true;
    }
    // The reader has gone (EPIPE) or stopped reading: start afresh with the next record.
    Close();
    return false;
}

void CFifoWriter::Close() {
    if (iDescriptor >= 0) {
        ::close(iDescriptor);
        iDescriptor = -1;
    }
}

bool OpenDeviceScreen(const std::string& aRoot, TDeviceScreen* aScreen, std::string* aError) {
    // The platform finds the frame buffer, its geometry and the model under FIXTRAIL_ROOT.
    if (::setenv(KDeviceRootVariable, aRoot.c_str(), 1) != 0) {
        *aError = SystemError("cannot set " + std::string(KDeviceRootVariable));
        return false;
    }
    const std::string path = RootPath(aRoot, KFrameBufferPath);
    MFrameBuffer* frameBuffer = GetFrameBuffer();
    if (frameBuffer->GetBuffer() == nullptr) {
        *aError = "cannot map " + path + " (missing, or smaller than its virtual_size says)";
        return false;
    }
    if (frameBuffer->GetBitsPerPixel() != KSimDepth) {
        *aError = path + " has " + std::to_string(frameBuffer->GetBitsPerPixel()) +
                  " bits per pixel; only 16 can be shown";
        return false;
    }
    aScreen->iFrameBuffer = frameBuffer;
    aScreen->iModel = GetModelId();
    return true;
}

void ReadLogicalPicture(TDeviceScreen& aScreen, std::vector<std::uint16_t>* aPixels) {
    MFrameBuffer& frameBuffer = *aScreen.iFrameBuffer;
    const int width = frameBuffer.GetWidth();
    const int height = frameBuffer.GetHeight();
    const std::uint8_t* memory = frameBuffer.GetBuffer();
    aPixels->resize(static_cast<std::size_t>(width) * height);
    std::uint16_t* out = aPixels->data();
    if (CopyMethodOfModel(aScreen.iModel) == TCopyMethod::Straight) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                *out++ =
                    PixelAt(memory, static_cast<std::size_t>(frameBuffer.GetPixelOffset(x, y)));
            }
        }
        return;
    }
    // Row-major panels: logical (x, y) is pixel y × W + x. The fixed 320 × 240 panels have W =
    // 320, which is the screen's width whenever the application uses the fixed copy; on any
    // other geometry the application falls back to the screen's own width, and so do we.
    std::memcpy(out, memory, aPixels->size() * sizeof(std::uint16_t));
}

void ExpandToRgb(const std::vector<std::uint16_t>& aPixels, std::vector<std::uint8_t>* aRgb) {
    aRgb->resize(aPixels.size() * 3);
    std::uint8_t* out = aRgb->data();
    for (const std::uint16_t pixel : aPixels) {
        const unsigned red = (pixel >> 11) & 0x1f;
        const unsigned green = (pixel >> 5) & 0x3f;
        const unsigned blue = pixel & 0x1f;
        *out++ = static_cast<std::uint8_t>((red << 3) | (red >> 2));
        *out++ = static_cast<std::uint8_t>((green << 2) | (green >> 4));
        *out++ = static_cast<std::uint8_t>((blue << 3) | (blue >> 2));
    }
}
