#pragma once

// Device files of the simulated root for the platform tests: the raw frame buffer with its
// sysfs geometry, the touch and remote FIFOs, the driver's model number.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/DevicePath.h"
#include "platform/RawFrameBuffer.h"
#include "support/TempRoot.h"

// Creates every missing directory of aDevicePath ("/sys/class/graphics/fb0") in the root.
inline void MakeDeviceDirectories(const CTempRoot& aRoot, const std::string& aDevicePath) {
    for (std::size_t slash = aDevicePath.find('/', 1);; slash = aDevicePath.find('/', slash + 1)) {
        (void)::mkdir(aRoot.Path(aDevicePath.substr(0, slash)).c_str(), 0755);
        if (slash == std::string::npos) {
            return;
        }
    }
}

// Writes aBytes to aDevicePath, creating its directories.
inline void WriteDeviceFile(const CTempRoot& aRoot, const std::string& aDevicePath,
                            const std::string& aBytes) {
    MakeDeviceDirectories(aRoot, aDevicePath.substr(0, aDevicePath.rfind('/')));
    aRoot.Write(aDevicePath, aBytes);
}

// The simulator's frame buffer: the sysfs texts as given and a zeroed file of aFileBytes.
inline void MakeRawFrameBuffer(const CTempRoot& aRoot, const std::string& aSizeText,
                               const std::string& aDepthText, std::size_t aFileBytes) {
    WriteDeviceFile(aRoot, KFrameBufferSizePath, aSizeText);
    WriteDeviceFile(aRoot, KFrameBufferDepthPath, aDepthText);
    WriteDeviceFile(aRoot, KFrameBufferPath, std::string(aFileBytes, '\0'));
}

// A 320 × 240 × 16 frame buffer, as the simulator makes by default.
inline void MakeRawFrameBuffer(const CTempRoot& aRoot) {
    MakeRawFrameBuffer(aRoot, "320,240\n", "16\n", 320 * 240 * 2);
}

inline bool MakeDeviceFifo(const CTempRoot& aRoot, const std::string& aDevicePath) {
    MakeDeviceDirectories(aRoot, aDevicePath.substr(0, aDevicePath.rfind('/')));
    return ::mkfifo(aRoot.Path(aDevicePath).c_str(), 0600) == 0;
}

inline void WriteModelId(const CTempRoot& aRoot, const std::string& aText) {
    WriteDeviceFile(aRoot, KModelIdPath, aText);
}

// The owner file as a process left it: one 32-bit pid in the processor's byte order.
inline void WriteOwnerWord(const CTempRoot& aRoot, std::int32_t aPid) {
    std::string bytes(sizeof aPid, '\0');
    std::memcpy(&bytes[0], &aPid, sizeof aPid);
    aRoot.Write(KOwnerFilePath, bytes);
}

// The owner word read back from the file.
inline std::int32_t ReadOwnerWord(const CTempRoot& aRoot) {
    const std::string bytes = aRoot.Read(KOwnerFilePath);
    std::int32_t pid = 0;
    std::memcpy(&pid, bytes.data(), bytes.size() < sizeof pid ? bytes.size() : sizeof pid);
    return pid;
}
