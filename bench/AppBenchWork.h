#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The set-up shared by app_instr and app_bench: the running application as it runs in the
// simulated device, with its real main screen, capture events and virtual screen.

// A private device root under /dev/shm (else /tmp), laid out as `fixtrail-sim init` lays it
// out. It is FIXTRAIL_ROOT from construction on,
// so it must be made before anything opens the display; it is removed at destruction (the
// mappings stay valid until exit).
class CBenchDevice {
  public:
    CBenchDevice(int aWidth, int aHeight, int aModel);
    ~CBenchDevice();
    CBenchDevice(const CBenchDevice&) = delete;
    CBenchDevice& operator=(const CBenchDevice&) = delete;

    // False with a reason when the root could not be laid out or its frame buffer not mapped.
    bool IsReady(std::string* aReason) const;
    const std::string& Root() const { return iRoot; }

  private:
    std::string iRoot;
    int iWidth;
    int iHeight;
    bool iLaidOut = false;
};

// What InitApplication makes, without the messaging client, and a run started by hand with
// decoding on and the log on /dev/null. Shown: this process owns the display; not shown:
// another process (the parent) owns it, as while another program has the display. Without the
// sample skin the skin root is the card's, which holds none: the fixed font and built-in images.
class CRunningApplication {
  public:
    CRunningApplication(bool aSampleSkin, bool aShown);
    ~CRunningApplication();
    CRunningApplication(const CRunningApplication&) = delete;
    CRunningApplication& operator=(const CRunningApplication&) = delete;

    // Null when the skin asked for is not the one loaded: the figures would be another skin's.
    const char* SkinProblem() const;

  private:
    bool iSampleSkin;
};

// The feed bytes of each run of aBatch sentences, as a receiver sends them.
std::vector<std::string> MakeBatches(const std::vector<std::string>& aSentences,
                                     std::size_t aBatch);

// Pixels of the device's frame buffer that are not black: what Update left there.
long LitDevicePixels();
