#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/DevicePath.h"
#include "platform/FrameBuffer.h"
#include "platform/InputReader.h"
#include "platform/VirtualScreen.h"

// The pieces of the simulated device that the subcommands share: the device root on disk, the
// drivers' input records, and the picture on the panel.

constexpr int KDefaultWidth = 320;
constexpr int KDefaultHeight = 240;
constexpr int KMaxResolution = 8192;  // what the platform maps at most
constexpr int KSimDepth = 16;         // RGB 565, the only depth the toolkit draws

// Where the device path aDevicePath ("/dev/ts") lives under the host directory aRoot.
std::string RootPath(const std::string& aRoot, const char* aDevicePath);

// Lays out a device root: frame-buffer file and its sysfs geometry, the input and feed FIFOs,
// the model number and the directories the application writes to. Running it again is
// harmless: a frame-buffer file of the same size keeps its picture; one of another size is
// replaced by a new, black file, so that a program still mapping the old one draws on into it
// unseen instead of faulting. False with a one-line reason in aError.
bool MakeDeviceRoot(const std::string& aRoot, int aWidth, int aHeight, int aModel,
                    std::string* aError);

// One 8-byte driver record, little-endian like the device.
using TRecord = std::array<std::uint8_t, 8>;

// Touch record: pressure, x, y as 16-bit signed values, then 2 bytes of padding.
TRecord TouchRecord(int aPressure, int aX, int aY);
// Remote record: only the byte at offset 5, the button code, carries anything.
TRecord RemoteRecord(int aCode);

// Writes aRecords into the FIFO at aPath. Opening a FIFO for writing needs a reader: without
// one this fails at once, or after aWaitMs milliseconds of trying. False with a one-line reason.
bool WriteRecords(const std::string& aPath, const std::vector<TRecord>& aRecords, int aWaitMs,
                  std::string* aError);

// A writer that keeps its FIFO open between records and reopens it when the reader goes away,
// for the live window.
class CFifoWriter {
  public:
    explicit CFifoWriter(std::string aPath) : iPath(std::move(aPath)) {}
    ~CFifoWriter();
    CFifoWriter(const CFifoWriter&) = delete;
    CFifoWriter& operator=(const CFifoWriter&) = delete;

    // False when no process reads the FIFO (the record is dropped) or it cannot be written.
    bool Write(const TRecord& aRecord);
    const std::string& Path() const { return iPath; }

  private:
    void Close();

    std::string iPath;
    int iDescriptor = -1;
};

// The device's frame buffer under a root, seen through the platform's own code, and the model
// number that decides how the application lays out its pixels there.
struct TDeviceScreen {
    MFrameBuffer* iFrameBuffer = nullptr;
    int iModel = KDefaultModel;
};

// Opens ROOT/dev/fb as the application would. False with a reason when there is no mapped
// 16-bit frame buffer.
bool OpenDeviceScreen(const std::string& aRoot, TDeviceScreen* aScreen, std::string* aError);

// The logical landscape picture, row by row from the top left, as RGB 565 values: the device
// memory read in the column layout for straight-copy models, row-major for the others.
void ReadLogicalPicture(TDeviceScreen& aScreen, std::vector<std::uint16_t>* aPixels);

// RGB 565 widened to 8 bits per channel by bit replication, so that full scale stays 255.
void ExpandToRgb(const std::vector<std::uint16_t>& aPixels, std::vector<std::uint8_t>* aRgb);
