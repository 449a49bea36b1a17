#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/sim/SimFeed.h"

namespace {

constexpr long KTickNs = 20L * 1000 * 1000;  // a chunk every 20 ms, as a daemon's serial read
constexpr long KNsPerMs = 1000L * 1000;
constexpr std::int64_t KNsPerSecond = std::int64_t{1000} * 1000 * 1000;
constexpr int KBitsPerByte = 10;  // 8N1: start bit, 8 data bits, stop bit

std::int64_t NowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * KNsPerSecond + now.tv_nsec;
}

void SleepUntil(std::int64_t aNs) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(aNs / KNsPerSecond);
    until.tv_nsec = static_cast<long>(aNs % KNsPerSecond);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// Opening a FIFO for writing without blocking fails with ENXIO until a reader has it open.
int OpenForReader(const std::string& aFifo, int aWaitMs, std::string* aError) {
    const std::int64_t deadline = NowNs() + static_cast<std::int64_t>(aWaitMs) * KNsPerMs;
    for (;;) {
        const int descriptor = ::open(aFifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor >= 0) {
            // From here on the replay paces itself; a full pipe just makes it wait.
            const int flags = ::fcntl(descriptor, F_GETFL);
            (void)::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
            return descriptor;
        }
        if (errno != ENXIO && errno != EINTR) {
            *aError = "cannot open " + aFifo + ": " + std::strerror(errno);
            return -1;
        }
        if (NowNs() >= deadline) {
            *aError = "nothing reads " + aFifo + " (waited " + std::to_string(aWaitMs) + " ms)";
            return -1;
        }
        SleepUntil(NowNs() + 10 * KNsPerMs);
    }
}

}  // namespace

bool FeedRecording(const std::string& aFifo, const std::string& aFile, int aBaud, bool aLoop,
                   int aWaitMs, std::string* aError) {
    std::ifstream in(aFile, std::ios::binary);
    if (!in) {
        *aError = "cannot read " + aFile;
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int descriptor = OpenForReader(aFifo, aWaitMs, aError);
    if (descriptor < 0) {
        return false;
    }
    const std::int64_t bytesPerSecond = aBaud / KBitsPerByte;
    const std::int64_t start = NowNs();
    std::int64_t sent = 0;  // over all the rounds, so a loop keeps the rate
    std::size_t offset = 0;
    bool ok = true;
    while (!bytes.empty()) {
        if (offset == bytes.size()) {
            if (!aLoop) {
                break;
            }
            offset = 0;
        }
        // What the line would have carried by now, so rounding never drifts the rate.
        const std::int64_t due = (NowNs() - start) * bytesPerSecond / KNsPerSecond;
        std::size_t count = due > sent ? static_cast<std::size_t>(due - sent) : 0;
        if (count > bytes.size() - offset) {
            count = bytes.size() - offset;
        }
        if (count > 0) {
            const ssize_t written = ::write(descriptor, bytes.data() + offset, count);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                if (errno != EPIPE) {  // the reader went away: the replay is over
                    *aError = "cannot write " + aFifo + ": " + std::strerror(errno);
                    ok = false;
                }
                break;
            }
            offset += static_cast<std::size_t>(written);
            sent += written;
            continue;
        }
        SleepUntil(NowNs() + KTickNs);
    }
    (void)::close(descriptor);
    return ok;
}
