#include "platform/InputReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"
#include "platform/DisplayOwner.h"
#include "platform/FrameBuffer.h"

namespace {

// Remote button code 1 to 10 → toolkit key code.
constexpr int KRemoteKeys[] = {0, 8, 5, 1, 4, 9, 7, 3, 2, 10, 6};

MInputReader* gInputReader = nullptr;

void DestroyInputReader() {
    delete gInputReader;
    gInputReader = nullptr;
}

// One whole record, or false: nothing pending, an error or a short read.
bool ReadRecord(int aDescriptor, std::uint8_t (&aRecord)[KInputRecordSize]) {
    if (aDescriptor < 0) {
        return false;
    }
    ssize_t count;
    do {
        count = ::read(aDescriptor, aRecord, sizeof aRecord);
    } while (count < 0 && errno == EINTR);
    return count == KInputRecordSize;
}

std::int16_t Field16(const std::uint8_t* aRecord, int aOffset) {
    std::int16_t value;  // the driver writes in the processor's byte order
    std::memcpy(&value, aRecord + aOffset, sizeof value);
    return value;
}

}  // namespace

CVXInputReader::CVXInputReader(const char* aTouchPath, const char* aRemotePath)
    : iScreenHeight(GetFrameBuffer()->GetHeight()) {
    iTouchDescriptor = ::open(aTouchPath, O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (iTouchDescriptor < 0) {
        iTouchDescriptor = ::open(aTouchPath, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    }
    // Stays -1 without a remote: never standard input, which would be read and later closed.
    iRemoteDescriptor = ::open(aRemotePath, O_RDONLY | O_NONBLOCK);
}

CVXInputReader::~CVXInputReader() {
    if (iTouchDescriptor >= 0) {
        (void)::close(iTouchDescriptor);
    }
    if (iRemoteDescriptor >= 0) {
        (void)::close(iRemoteDescriptor);
    }
}

bool CVXInputReader::ReadTouch(TouchEvent* aEvent) {
    if (!IsDisplayOwner(true)) {
        return false;
    }
    // Samples the filter drops do not use up the pass: a pen held for seconds queues hundreds,
    // and a tap after it must act at once. Bounded, so that a device that never runs dry
    // cannot hold the loop.
    std::uint8_t record[KInputRecordSize];
    for (int read = 0; read < KTouchReadLimit && ReadRecord(iTouchDescriptor, record); ++read) {
        const std::int16_t pressure = Field16(record, 0);
        const std::int16_t x = Field16(record, 2);
        const std::int16_t y = Field16(record, 4);
        // A pen held still wanders by a few pixels; only a move beyond that, or a change of
        // pressure (pen down, pen up), is an event.
        if (pressure == iLastPressure && std::abs(x - iLastX) <= KJitter &&
            std::abs(y - iLastY) <= KJitter) {
            continue;
        }
        iLastPressure = pressure;
        iLastX = x;
        iLastY = y;
        aEvent->x = x;
        aEvent->y = y;
        aEvent->pressure = pressure;
        return true;
    }
    return false;
}

bool CVXInputReader::ReadKey(int* aKey) {
    *aKey = 0;
    if (!IsDisplayOwner(true)) {
        return false;
    }
    std::uint8_t record[KInputRecordSize];
    if (!ReadRecord(iRemoteDescriptor, record)) {
        return false;
    }
    *aKey = KeyOfRemoteCode(record[KRemoteCodeOffset]);
    return true;
}

int CVXInputReader::KeyOfRemoteCode(int aCode) {
    if (aCode < 1 || aCode > 10) {
        return 0;
    }
    return KRemoteKeys[aCode];
}

MInputReader* GetInputReader() {
    if (gInputReader == nullptr) {
        const TDevicePath touchPath = DevicePath(KTouchPath);
        const TDevicePath remotePath = DevicePath(KRemotePath);
        gInputReader = new CVXInputReader(touchPath.c_str(), remotePath.c_str());
        (void)std::atexit(DestroyInputReader);  // unregistered, it lives until the end
    }
    return gInputReader;
}
