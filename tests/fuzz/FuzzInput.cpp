// CVXInputReader over the touch and remote FIFOs of a private FIXTRAIL_ROOT made on the first
// run. The first input byte splits the rest between the two devices: its low 7 bits give the
// touch share in 127ths, the remote gets the remainder; with its top bit set, the records are
// first offered while this process does not own the display. The input is cut at 4 KiB, which one
// pipe page holds, so that a nonblocking write always takes it whole. A new reader per run, so
// that its jitter memory starts at zero and a run depends on its input alone.
//
// Checked: while the display is not this process's nothing is read and no key is reported; as
// owner, every whole touch record is handed on exactly when its pressure differs from the last
// one handed on or it moved more than KJitter in x or y, with its fields untransformed, one a
// read, the records in between read past; every
// whole remote record gives one key, KeyOfRemoteCode of its code byte (0 or a code 1 to 10);
// a partial record at the end gives nothing and is consumed; the reads then report nothing,
// without blocking, and both FIFOs are empty.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "platform/DevicePath.h"
#include "platform/DisplayOwner.h"
#include "platform/InputReader.h"

namespace {

constexpr std::size_t KMaxInput = 4096;

// The driver's end of each FIFO, open for the whole process: it keeps the FIFOs alive between
// readers, and its FIONREAD tells what is still queued.
int gTouchWriter = -1;
int gRemoteWriter = -1;

std::string Path(const char* aDevicePath) {
    return std::string(gFuzzRoot) + aDevicePath;
}

void CloseWriters() {
    for (int descriptor : {gTouchWriter, gRemoteWriter}) {
        if (descriptor >= 0) {
            (void)close(descriptor);
        }
    }
}

bool MakeRoot() {
    if (!MakeFuzzRoot("input", {"/dev", "/var", "/var/run"}, true)) {
        return false;
    }
    if (mkfifo(Path(KTouchPath).c_str(), 0600) != 0 ||
        mkfifo(Path(KRemotePath).c_str(), 0600) != 0) {
        return false;
    }
    // Read-write so that the open neither blocks nor needs a reader yet.
    gTouchWriter = open(Path(KTouchPath).c_str(), O_RDWR | O_NONBLOCK);
    gRemoteWriter = open(Path(KRemotePath).c_str(), O_RDWR | O_NONBLOCK);
    (void)std::atexit(CloseWriters);  // run before the root's removal, registered earlier
    return gTouchWriter >= 0 && gRemoteWriter >= 0;
}

int Pending(int aDescriptor) {
    int count = -1;
    return ioctl(aDescriptor, FIONREAD, &count) == 0 ? count : -1;
}

std::int16_t Field16(const std::uint8_t* aRecord, int aOffset) {
    std::int16_t value;
    std::memcpy(&value, aRecord + aOffset, sizeof value);
    return value;
}

int Distance(int aFrom, int aTo) {
    return aFrom > aTo ? aFrom - aTo : aTo - aFrom;
}

void CheckTouch(CVXInputReader& aReader, const std::uint8_t* aBytes, std::size_t aSize) {
    int lastPressure = 0;
    int lastX = 0;
    int lastY = 0;
    for (std::size_t offset = 0; offset + KInputRecordSize <= aSize; offset += KInputRecordSize) {
        const std::uint8_t* record = aBytes + offset;
        const int pressure = Field16(record, 0);
        const int x = Field16(record, 2);
        const int y = Field16(record, 4);
        // Samples the filter drops are read past: each read hands on the next that passes.
        if (pressure == lastPressure && Distance(x, lastX) <= KJitter &&
            Distance(y, lastY) <= KJitter) {
            continue;
        }
        TouchEvent event;
        Check(aReader.ReadTouch(&event));
        Check(event.pressure == pressure && event.x == x && event.y == y);
        lastPressure = pressure;
        lastX = x;
        lastY = y;
    }
    // The partial record, if any, then nothing at all.
    TouchEvent event;
    Check(!aReader.ReadTouch(&event));
    Check(!aReader.ReadTouch(&event));
    Check(Pending(gTouchWriter) == 0);
}

void CheckRemote(CVXInputReader& aReader, const std::uint8_t* aBytes, std::size_t aSize) {
    for (std::size_t offset = 0; offset + KInputRecordSize <= aSize; offset += KInputRecordSize) {
        const int code = aBytes[offset + KRemoteCodeOffset];
        int key = -1;
        Check(aReader.ReadKey(&key));
        Check(key == CVXInputReader::KeyOfRemoteCode(code));
        Check((code >= 1 && code <= 10) ? key >= 1 && key <= 10 : key == 0);
    }
    int key = -1;
    Check(!aReader.ReadKey(&key) && key == 0);
    key = -1;
    Check(!aReader.ReadKey(&key) && key == 0);
    Check(Pending(gRemoteWriter) == 0);
}

bool WriteAll(int aDescriptor, const std::uint8_t* aBytes, std::size_t aSize) {
    return aSize == 0 || write(aDescriptor, aBytes, aSize) == static_cast<ssize_t>(aSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    static const bool KRootMade = MakeRoot();
    Check(KRootMade);
    if (aSize == 0) {
        return 0;
    }
    const std::uint8_t control = aData[0];
    const std::uint8_t* streams = aData + 1;
    const std::size_t size = (aSize > KMaxInput ? KMaxInput : aSize) - 1;
    const std::size_t touchSize = size * (control & 0x7F) / 0x7F;
    const std::uint8_t* remote = streams + touchSize;
    const std::size_t remoteSize = size - touchSize;

    CVXInputReader reader(Path(KTouchPath).c_str(), Path(KRemotePath).c_str());
    Check(Pending(gTouchWriter) == 0 && Pending(gRemoteWriter) == 0);
    Check(WriteAll(gTouchWriter, streams, touchSize) &&
          WriteAll(gRemoteWriter, remote, remoteSize));

    if ((control & 0x80) != 0) {
        SetActivePid(0);
        TouchEvent event;
        int key = -1;
        Check(!reader.ReadTouch(&event));
        Check(!reader.ReadKey(&key) && key == 0);
        Check(Pending(gTouchWriter) == static_cast<int>(touchSize) &&
              Pending(gRemoteWriter) == static_cast<int>(remoteSize));
    }
    SetActivePid(static_cast<int>(getpid()));
    CheckTouch(reader, streams, touchSize);
    CheckRemote(reader, remote, remoteSize);
    return 0;
}
