#pragma once

#include <cstddef>

// Every fixed path of the device (/dev/fb, /var/run/gpsfeed, /mnt/sdcard/...) is opened
// through DevicePath(). With FIXTRAIL_ROOT unset or empty the path is used byte for byte, as on
// the device; with FIXTRAIL_ROOT=/tmp/dev1 it lives under that directory instead, so simulated
// devices run side by side and tests never touch the host's /var/run or /dev. Texts that the
// program shows or stores keep the device's path; only the opening is redirected.

constexpr const char* KDeviceRootVariable = "FIXTRAIL_ROOT";
constexpr std::size_t KMaxDevicePath = 4096;

class TDevicePath {
  public:
    const char* c_str() const { return iText; }
    // False when root and path together do not fit: the text is then empty, so that an open
    // fails instead of reaching a cut-off path.
    bool IsValid() const { return iText[0] != '\0'; }

  private:
    friend TDevicePath DevicePath(const char* aPath);
    char iText[KMaxDevicePath] = {};
};

// The place where the fixed path aPath lives on this machine.
TDevicePath DevicePath(const char* aPath);
