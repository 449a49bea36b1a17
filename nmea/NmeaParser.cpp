#include "nmea/NmeaParser.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/DevicePath.h"

namespace {

constexpr const char* KDefaultFeeds[] = {KFeedPath, KGpsDataPath, KGpsPipePath};

// A drain discards what was buffered before the run started. A pipe holds 64 KiB by default;
// stopping there keeps a writer that never pauses from holding the start up for ever.
constexpr int KMaxDrainReads = 64 * 1024 / CNmeaParser::KChunkCapacity + 1;

int OpenNonBlocking(const char* aPath) {
    const TDevicePath path = DevicePath(aPath);
    if (!path.IsValid()) {
        return -1;
    }
    // O_NOCTTY: a program without a controlling terminal (started by a launcher) would get
    // the receiver's line as one, and a 0x03 in its data or a hang-up would kill it.
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
}

ssize_t ReadSome(int aDescriptor, char* aBuffer, int aLimit) {
    if (aDescriptor < 0 || aLimit < 1) {
        return -1;
    }
    ssize_t count;
    do {
        count = ::read(aDescriptor, aBuffer, static_cast<std::size_t>(aLimit));
    } while (count < 0 && errno == EINTR);
    return count;
}

}  // namespace

CNmeaParser::~CNmeaParser() {
    CloseFeed();
}

bool CNmeaParser::OpenFeed(const char* aPath) {
    CloseFeed();
    iFeedDescriptor = OpenNonBlocking(aPath);
    iFeedOpen = iFeedDescriptor >= 0;
    iFeedPath = aPath;
    if (iFeedOpen) {
        // What the request means is the feed driver's business; its answer is of no use here.
        (void)::ioctl(iFeedDescriptor, KFeedIoctl, 1);
    }
    return true;
}

bool CNmeaParser::OpenDefaultFeed() {
    CloseFeed();
    for (const char* path : KDefaultFeeds) {
        iFeedDescriptor = OpenNonBlocking(path);
        if (iFeedDescriptor >= 0) {
            iFeedOpen = true;
            iFeedPath = path;
            (void)::ioctl(iFeedDescriptor, KFeedIoctl, 1);
            return true;
        }
    }
    return false;
}

void CNmeaParser::DrainFeed(int aChunkLimit) {
    if (!iFeedOpen) {
        return;
    }
    char chunk[KChunkCapacity];
    const int limit = std::min(aChunkLimit, KChunkCapacity);
    for (int reads = 0; reads < KMaxDrainReads; ++reads) {
        if (ReadSome(iFeedDescriptor, chunk, limit) <= 0) {
            return;
        }
    }
}

void CNmeaParser::CloseFeed() {
    // Only what is open is closed: the number may by now belong to another file.
    if (iFeedOpen) {
        (void)::close(iFeedDescriptor);
        iFeedOpen = false;
    }
}

bool CNmeaParser::ReadFeed(int aByteLimit) {
    if (!iFeedOpen) {
        return false;
    }
    char chunk[KChunkCapacity + 1];
    const ssize_t count = ReadSome(iFeedDescriptor, chunk, std::min(aByteLimit, KChunkCapacity));
    if (count < 1) {
        const bool noDataYet = count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (!noDataYet && (count < 0 || FeedPathReplaced())) {
            // The lost feed's input ends here: a sentence it cut is kept as it came, never
            // joined to the first bytes of the feed that comes next.
            FinishInput();
            CloseFeed();
        }
        return false;
    }
    Assemble(chunk, static_cast<std::size_t>(count));
    return true;
}

void CNmeaParser::Assemble(const char* aBytes, std::size_t aCount) {
    for (std::size_t i = 0; i < aCount; ++i) {
        const char byte = aBytes[i];
        if (byte == '\0') {
            // Noise on the line: the sentence it fell in is no longer what the receiver sent,
            // but the sentences after it in the same read are whole.
            iPendingLength = 0;
            iState = WaitStart;
            continue;
        }
        if (iState == WaitStart) {
            if (byte == '$') {
                iState = InSentence;
            }
            continue;
        }
        // A '$' inside a sentence means its end was lost: keep what came, and start the next
        // sentence here, so that one truncated sentence does not cost the following one.
        if (byte == '$') {
            EndSentence();
            continue;
        }
        // Receivers and recordings end lines with CR LF, LF alone or CR alone.
        if (byte == '\r' || byte == '\n') {
            EndSentence();
            iState = WaitStart;
            continue;
        }
        iPending[iPendingLength++] = byte;
        if (iPendingLength == KMaxSentence) {
            // Over-long: keep it as a sentence of its own and resynchronise on the next '$'.
            EndSentence();
            iState = WaitStart;
        }
    }
    iPending[iPendingLength] = '\0';
}

bool CNmeaParser::FeedPathReplaced() const {
    const TDevicePath path = DevicePath(iFeedPath.c_str());
    struct stat named {};
    struct stat held {};
    if (::stat(path.c_str(), &named) != 0) {
        return true;
    }
    return ::fstat(iFeedDescriptor, &held) != 0 || named.st_dev != held.st_dev ||
           named.st_ino != held.st_ino;
}

void CNmeaParser::FinishInput() {
    if (iState == InSentence) {
        EndSentence();
        iState = WaitStart;
    }
    iPending[iPendingLength] = '\0';
}

void CNmeaParser::ResetAssembly() {
    iState = WaitStart;
    iPendingLength = 0;
    iPending[0] = '\0';
    iQueue.clear();
}

void CNmeaParser::EndSentence() {
    // An empty sentence carries nothing; queuing it would only stall the capture loop.
    if (iPendingLength > 0) {
        iQueue.emplace_back(iPending, static_cast<std::size_t>(iPendingLength));
    }
    iPendingLength = 0;
}

std::string CNmeaParser::NextSentence() {
    std::string sentence;
    NextSentence(sentence);
    return sentence;
}

bool CNmeaParser::NextSentence(std::string& aSentence) {
    if (iQueue.empty()) {
        aSentence.clear();
        return false;
    }
    aSentence.swap(iQueue.front());
    iQueue.pop_front();
    return true;
}
