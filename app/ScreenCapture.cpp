#include "app/ScreenCapture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/DevicePath.h"
#include "platform/RegularFile.h"

namespace {

constexpr int KCapturePath = 64;  // the device's paths are short: a longer name is refused
constexpr int KCopyChunk = 64 * 1024;

// Copies every byte the display device gives into aTarget (host paths), replacing the file.
void CopyDisplay(const char* aSource, const char* aTarget) {
    const int source = ::open(aSource, O_RDONLY);
    if (source < 0) {
        return;
    }
    std::FILE* target = OpenRegularStream(aTarget, "wb");
    if (target != nullptr) {
        static char chunk[KCopyChunk];
        for (;;) {
            const ssize_t count = ::read(source, chunk, sizeof chunk);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0 || std::fwrite(chunk, 1, static_cast<std::size_t>(count), target) !=
                                  static_cast<std::size_t>(count)) {
                break;
            }
        }
        (void)std::fclose(target);
    }
    (void)::close(source);
}

}  // namespace

void CaptureScreen(const char* aApplicationName) {
    if (aApplicationName == nullptr) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return;
    }
    char path[KCapturePath];
    int written =
        std::snprintf(path, sizeof path, "%s%s/capture", KCardDirectory, aApplicationName);
    if (written < 0 || written >= KCapturePath) {
        return;
    }
    // Only the marker's presence matters; an empty file will do. A FIFO of that name would
    // block the open, and with it the Exit, until some process opened its other end.
    const int marker = OpenRegularFile(DevicePath(path).c_str(), O_RDONLY);
    if (marker < 0) {
        return;
    }
    (void)::close(marker);
    written =
        std::snprintf(path, sizeof path, "%s%s/img%04d%02d%02d%02d%02d%02d.raw", KCardDirectory,
                      aApplicationName, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec);
    if (written < 0 || written >= KCapturePath) {
        return;
    }
    // Copied here rather than by a shell's cat: the same bytes, with no command line to quote
    // when the device root is redirected.
    CopyDisplay(DevicePath(KFrameBufferPath).c_str(), DevicePath(path).c_str());
}
