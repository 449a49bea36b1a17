#pragma once

#include <cstddef>

// Every fixed path of the device (/dev/fb, /var/run/gpsfeed, /mnt/sdcard/...) is opened
// through DevicePath(). With FIXTRAIL_ROOT unset or empty the path is used byte for byte, as on
// the device; with FIXTRAIL_ROOT=/tmp/dev1 it lives under that directory instead, so simulated
// devices run side by side and tests never touch the host's /var/run or /dev. Texts that the
// program shows or stores keep the device's path; only the opening is redirected.

constexpr const char* KDeviceRootVariable = "FIXTRAIL_ROOT";

// The fixed paths of the device, each written once. A directory ends in '/' so that a file
// name can follow it directly.

// Display and input.
constexpr const char* KDeviceDirectory = "/dev/";
constexpr const char* KFrameBufferPath = "/dev/fb";
constexpr const char* KFrameBufferInfoDirectory = "/sys/class/graphics/fb0/";
constexpr const char* KFrameBufferSizePath = "/sys/class/graphics/fb0/virtual_size";
constexpr const char* KFrameBufferDepthPath = "/sys/class/graphics/fb0/bits_per_pixel";
constexpr const char* KTouchPath = "/dev/ts";
constexpr const char* KRemotePath = "/dev/remote";
// The numbers the device publishes about itself, one decimal value per file.
constexpr const char* KModelInfoDirectory = "/proc/orbelia/";
constexpr const char* KModelIdPath = "/proc/orbelia/modelid";

// GPS feeds: the daemon's FIFO first, then the receiver's own devices.
constexpr const char* KFeedPath = "/var/run/gpsfeed";
constexpr const char* KGpsDataPath = "/dev/gpsdata";
constexpr const char* KGpsPipePath = "/dev/gpspipe";

// Run time: messages, the display-owner word and the launcher daemon's socket.
constexpr const char* KRunTimeDirectory = "/var/run/";
constexpr const char* KOwnerFilePath = "/var/run/uipidshm";
constexpr const char* KLauncherSocketPath = "/var/run/launchsock";

// Storage: the mounted volumes, the SD card and the folders on it.
constexpr const char* KVolumesDirectory = "/mnt/";
constexpr const char* KCardDirectory = "/mnt/sdcard/";
constexpr const char* KFlashDirectory = "/mnt/flash/";
constexpr const char* KMediaPlayerDirectory = "/mnt/sdcard/mediaplayer/";
constexpr const char* KPhotoViewerDirectory = "/mnt/sdcard/photoviewer/";
// The application directory on the SD card: config.txt and the numbered log files. It does
// not follow the skin root given on the command line. No trailing '/': log paths are composed
// as "%s/%s".
constexpr const char* KAppDirectory = "/mnt/sdcard/fixtrail";
constexpr const char* KConfigPath = "/mnt/sdcard/fixtrail/config.txt";
constexpr const char* KConfigTempPath = "/mnt/sdcard/fixtrail/config.txt.tmp";
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
