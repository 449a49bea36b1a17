// fixtrail-sim COMMAND ROOT ...
//
// The simulated device: lays out a device root (frame-buffer file, input and feed FIFOs, model
// number), plays the touch and remote drivers by writing their 8-byte records, drops messages
// as the navigation server does, and shows the frame buffer as a PNG or in a live window. Exit
// status 0 on success, 1 on an error (one line on standard error), 2 on a usage error.

#include <signal.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/VelmorFileLayer.h"
#include "platform/DevicePath.h"
#include "platform/FixedString.h"
#include "platform/Launcher.h"
#include "tools/sim/Launcherd.h"
#include "tools/sim/Png.h"
#include "tools/sim/SimArguments.h"
#include "tools/sim/SimDevice.h"
#include "tools/sim/SimFeed.h"
#include "tools/sim/SimRun.h"
#include "tools/sim/Window.h"
#include "ui/Skin.h"

namespace {

constexpr int KExitError = 1;
constexpr int KWaitMs = 5000;  // how long --wait waits for a reader
constexpr int KMaxScale = 16;
constexpr int KMaxCode = 255;
constexpr int KDefaultBaud = 9600;
constexpr int KMinBaud = 10;
constexpr int KMaxBaud = 4000000;
constexpr int KFeedWaitMs = 10000;  // how long feed waits for the application to read

[[noreturn]] void Fail(const std::string& aMessage) {
    (void)std::fprintf(stderr, "fixtrail-sim: %s\n", aMessage.c_str());
    std::exit(KExitError);
}

// The root is where every device path goes: an empty one would be the host's own /dev.
const std::string& Root(const CSimArguments& aArguments) {
    const std::string& root = aArguments.iOperands[0];
    if (root.empty()) {
        UsageError("ROOT must not be empty");
    }
    return root;
}

// --- init ------------------------------------------------------------------------------------

int RunInit(const CSimArguments& aArguments) {
    const std::string& root = Root(aArguments);
    int width = KDefaultWidth;
    int height = KDefaultHeight;
    if (const std::string* size = aArguments.Find("size")) {
        const std::size_t cross = size->find('x');
        if (cross == std::string::npos) {
            UsageError("--size must be WxH, e.g. 320x240, not '" + *size + "'");
        }
        width = WholeNumber(size->substr(0, cross), "width", 1, KMaxResolution);
        height = WholeNumber(size->substr(cross + 1), "height", 1, KMaxResolution);
    }
    const int model = OptionInt(aArguments, "model", KDefaultModel, 0, INT_MAX);
    if (root.find_first_not_of('/') == std::string::npos) {
        Fail("refusing to lay out a device root over /");
    }
    std::string error;
    if (!MakeDeviceRoot(root, width, height, model, &error)) {
        Fail(error);
    }
    return 0;
}

// --- tap, press, release, key ----------------------------------------------------------------

int WaitMs(const CSimArguments& aArguments) {
    return aArguments.Has("wait") ? KWaitMs : 0;
}

int SendRecords(const CSimArguments& aArguments, const char* aDevice,
                const std::vector<TRecord>& aRecords) {
    std::string error;
    if (!WriteRecords(RootPath(Root(aArguments), aDevice), aRecords, WaitMs(aArguments), &error)) {
        Fail(error);
    }
    return 0;
}

// The driver's coordinates are 16-bit signed; anything else cannot be written.
int Coordinate(const CSimArguments& aArguments, int aIndex, const char* aName) {
    return WholeNumber(aArguments.iOperands[aIndex], aName, INT16_MIN, INT16_MAX);
}

int RunTouch(const CSimArguments& aArguments, const std::vector<int>& aPressures) {
    const int x = Coordinate(aArguments, 1, "X");
    const int y = Coordinate(aArguments, 2, "Y");
    std::vector<TRecord> records;
    records.reserve(aPressures.size());
    for (const int pressure : aPressures) {
        records.push_back(TouchRecord(pressure, x, y));
    }
    return SendRecords(aArguments, KTouchPath, records);
}

int RunTap(const CSimArguments& aArguments) {
    return RunTouch(aArguments, {1, 0});
}

int RunPress(const CSimArguments& aArguments) {
    return RunTouch(aArguments, {1});
}

int RunRelease(const CSimArguments& aArguments) {
    return RunTouch(aArguments, {0});
}

int RunKey(const CSimArguments& aArguments) {
    // Codes outside the remote's 1 to 10 are allowed: the reader must take and ignore them.
    const int code = WholeNumber(aArguments.iOperands[1], "CODE", 0, KMaxCode);
    return SendRecords(aArguments, KRemotePath, {RemoteRecord(code)});
}

// --- shot ------------------------------------------------------------------------------------

int RunShot(const CSimArguments& aArguments) {
    const std::string& root = Root(aArguments);
    const std::string& out = aArguments.iOperands[1];
    TDeviceScreen screen;
    std::string error;
    if (!OpenDeviceScreen(root, &screen, &error)) {
        Fail(error);
    }
    std::vector<std::uint16_t> pixels;
    std::vector<std::uint8_t> rgb;
    ReadLogicalPicture(screen, &pixels);
    ExpandToRgb(pixels, &rgb);
    const int width = screen.iFrameBuffer->GetWidth();
    const int height = screen.iFrameBuffer->GetHeight();
    const bool written = aArguments.Has("ppm") ? WritePpm(out, width, height, rgb, &error)
                                               : WritePng(out, width, height, rgb, &error);
    if (!written) {
        Fail(error);
    }
    return 0;
}

// --- window ----------------------------------------------------------------------------------

int RunWindowCommand(const CSimArguments& aArguments) {
    const std::string& root = Root(aArguments);
    const int scale = OptionInt(aArguments, "scale", 2, 1, KMaxScale);
    const int frames = OptionInt(aArguments, "frames", 0, 0, INT_MAX);
    return RunWindow(root, scale, frames);
}

// --- message ---------------------------------------------------------------------------------

// Through the application's own messaging layer, so the pair is written exactly as a sender
// must: the message complete and synced first, the finished marker last.
int RunMessage(const CSimArguments& aArguments) {
    const std::string& root = Root(aArguments);
    const std::string* to = aArguments.Find("to");
    const std::string* from = aArguments.Find("from");
    const std::string receiver = to != nullptr ? *to : KApplicationName;
    const std::string sender = from != nullptr ? *from : KServerName;
    if (::setenv(KDeviceRootVariable, root.c_str(), 1) != 0) {
        Fail("cannot set " + std::string(KDeviceRootVariable));
    }
    MVelmorCommunicationLayerInterface* layer =
        CreateFileLayer(sender.c_str(), receiver.c_str(), -1);
    if (layer == nullptr) {
        UsageError("--to and --from take names of at most 255 characters without '.' or '/'");
    }
    layer->BeginRequest();
    for (std::size_t i = 1; i < aArguments.iOperands.size(); ++i) {
        layer->AddArgument(aArguments.iOperands[i].c_str());
    }
    MVelmorSession* session = layer->Send();
    const std::uint32_t processId = dynamic_cast<CVelmorFileLayer&>(*layer).ProcessId();
    const std::uint32_t sequence = dynamic_cast<CVelmorFileLayer&>(*layer).Sequence();
    SdkDelete(layer);
    if (session == nullptr) {
        Fail("cannot write the message into " + root + KRunTimeDirectory);
    }
    SdkDelete(session);
    // The name shared by the two files, for scripts that wait for the application to take it.
    std::printf("%s.%s.%u.%u\n", sender.c_str(), receiver.c_str(), processId, sequence);
    return 0;
}

// --- launcherd, launch, wait, kill -----------------------------------------------------------

int RunLauncherd(const CSimArguments& aArguments) {
    std::string error;
    if (!RunLauncherDaemon(Root(aArguments), &error)) {
        Fail(error);
    }
    return 0;
}

// The client commands go through the toolkit's own launcher client, as a program would.
void UseRoot(const CSimArguments& aArguments) {
    if (::setenv(KDeviceRootVariable, Root(aArguments).c_str(), 1) != 0) {
        Fail("cannot set " + std::string(KDeviceRootVariable));
    }
}

int RunLaunch(const CSimArguments& aArguments) {
    UseRoot(aArguments);
    const int pid = LauncherLaunch(aArguments.iOperands[1].c_str());
    std::printf("%d\n", pid);
    return pid > 0 ? 0 : KExitError;
}

int RunWait(const CSimArguments& aArguments) {
    const int pid = WholeNumber(aArguments.iOperands[1], "PID", 1, INT_MAX);
    UseRoot(aArguments);
    int collected = 0;
    int status = 0;
    LauncherWait(pid, collected, status);
    std::printf("%d %d\n", collected, status);
    return 0;
}

int RunKill(const CSimArguments& aArguments) {
    const int pid = WholeNumber(aArguments.iOperands[1], "PID", 1, INT_MAX);
    UseRoot(aArguments);
    const int answer = LauncherKill(pid);
    std::printf("%d\n", answer);
    return answer == 0 ? 0 : KExitError;
}

// --- feed, run -------------------------------------------------------------------------------

int RunFeed(const CSimArguments& aArguments) {
    const int baud = OptionInt(aArguments, "baud", KDefaultBaud, KMinBaud, KMaxBaud);
    std::string error;
    if (!FeedRecording(RootPath(Root(aArguments), KFeedPath), aArguments.iOperands[1], baud,
                       aArguments.Has("loop"), KFeedWaitMs, &error)) {
        Fail(error);
    }
    return 0;
}

int RunRun(const CSimArguments& aArguments) {
    const std::string& root = Root(aArguments);
    (void)RunInit(aArguments);
    std::string error;
    TSimFiles files;
    if (!LocateSimFiles(OwnDirectory(), FIXTRAIL_INSTALLED_PROGRAM, FIXTRAIL_INSTALLED_SKIN, &files,
                        &error)) {
        Fail(error);
    }
    const std::string* skin = aArguments.Find("skin");
    if (!CopySkin(skin != nullptr ? *skin : files.iSkin,
                  RootPath(root, KDefaultSkinRoot) + KSkinDirectory, &error)) {
        Fail(error);
    }
    const std::vector<std::string> words(aArguments.iOperands.begin() + 1,
                                         aArguments.iOperands.end());
    const int status =
        RunApplication(files.iProgram, root, words, aArguments.Has("window"), 2, &error);
    if (status < 0) {
        Fail(error);
    }
    return status;
}

// --- the table -----------------------------------------------------------------------------------

const TSimOption KInitOptions[] = {
    {"size", "WxH", "screen geometry as the driver reports it (default 320x240)"},
    {"model", "N", "device model number in proc/orbelia/modelid (default 7: column layout)"},
};
const TSimOption KInputOptions[] = {
    {"wait", nullptr, "wait up to 5 s for a process to open the device for reading"},
};
const TSimOption KShotOptions[] = {
    {"ppm", nullptr, "write a binary PPM instead of a PNG"},
};
const TSimOption KMessageOptions[] = {
    {"to", "NAME", "receiver (default fixtrail, the application)"},
    {"from", "NAME", "sender (default VelmorNavigationServer)"},
};
const TSimOption KWindowOptions[] = {
    {"scale", "N", "window pixels per screen pixel (default 2)"},
    {"frames", "N", "close after N frames, about 30 a second (default: when closed)"},
};

const TSimOption KFeedOptions[] = {
    {"baud", "N", "line speed, 8N1: N / 10 bytes a second (default 9600)"},
    {"loop", nullptr, "start over at the end of the file instead of stopping"},
};
const TSimOption KRunOptions[] = {
    {"size", "WxH", "screen geometry, as for init (default 320x240)"},
    {"model", "N", "device model number, as for init (default 7)"},
    {"skin", "DIR", "skin files to install as mnt/sdcard/skin (default: the sample skin)"},
    {"window", nullptr, "show the live window; closing it ends the application"},
};

const TSimCommand KCommands[] = {
    {"init", "ROOT", 1, KInitOptions, OptionCount(KInitOptions),
     "Lays out a device root: dev/fb (a zeroed W x H x 2 byte file) with its geometry under\n"
     "sys/class/graphics/fb0, the FIFOs dev/ts, dev/remote and var/run/gpsfeed,\n"
     "proc/orbelia/modelid, var/run/ and mnt/sdcard/fixtrail/. Running it again applies the\n"
     "given (or default) size and model; a frame buffer of unchanged size keeps its picture.",
     RunInit},
    {"tap", "ROOT X Y", 3, KInputOptions, OptionCount(KInputOptions),
     "Touches the screen at X,Y and lifts the pen there (two records into dev/ts).", RunTap},
    {"press", "ROOT X Y", 3, KInputOptions, OptionCount(KInputOptions),
     "Puts the pen down at X,Y, or moves it there (one record with pressure 1 into dev/ts).",
     RunPress},
    {"release", "ROOT X Y", 3, KInputOptions, OptionCount(KInputOptions),
     "Lifts the pen at X,Y (one record with pressure 0 into dev/ts).", RunRelease},
    {"key", "ROOT CODE", 2, KInputOptions, OptionCount(KInputOptions),
     "Presses the remote's button CODE (1-10 are the remote's buttons; 0-255 are sent)\n"
     "(one record into dev/remote).",
     RunKey},
    {"shot", "ROOT OUT.png", 2, KShotOptions, OptionCount(KShotOptions),
     "Writes the picture on the device's panel, in landscape, as an RGB image.", RunShot},
    {"message", "ROOT [ARG ...]", -1, KMessageOptions, OptionCount(KMessageOptions),
     "Drops a message into var/run/ as the navigation server does: the message file\n"
     "SENDER.RECEIVER.PID.1.message with the ARGs as its items, then its finished marker.\n"
     "Prints SENDER.RECEIVER.PID.1. An ARG holding '|' arrives as two items.",
     RunMessage},
    {"window", "ROOT", 1, KWindowOptions, OptionCount(KWindowOptions),
     "Shows the frame buffer live. The left mouse button is the pen; arrow keys Up/Left and\n"
     "Down/Right are the remote's previous (7) and next (4), Return/Space is select (10),\n"
     "digits 1-9 and 0 are codes 1-10; Escape or closing the window ends it.",
     RunWindowCommand},
    {"launcherd", "ROOT", 1, nullptr, 0,
     "Runs the device's launcher daemon on var/run/launchsock until SIGTERM or SIGINT. It\n"
     "starts commands through /bin/sh -c with FIXTRAIL_ROOT=ROOT and reaps them, answering\n"
     "LAUNCH with \"PID n\", WAIT4 with \"pid status\" once the child has ended (\"0 0\"\n"
     "while it runs, \"-1 0\" for none of its own) and KILL with 0 or -1.",
     RunLauncherd},
    {"launch", "ROOT COMMANDLINE", 2, nullptr, 0,
     "Asks the launcher daemon to start COMMANDLINE; prints the new pid, or -1.", RunLaunch},
    {"wait", "ROOT PID", 2, nullptr, 0,
     "Asks the launcher daemon whether PID has ended; prints the collected pid (PID once it\n"
     "has ended, 0 otherwise) and the status.",
     RunWait},
    {"kill", "ROOT PID", 2, nullptr, 0,
     "Asks the launcher daemon to end PID; prints its answer (0, or -1).", RunKill},
    {"feed", "ROOT FILE", 2, KFeedOptions, OptionCount(KFeedOptions),
     "Replays the recording FILE into var/run/gpsfeed as the GPS daemon does, in small chunks\n"
     "at the line's byte rate. Waits up to 10 s for a reader; ends at the end of the file\n"
     "(unless --loop) or when the reader goes away.",
     RunFeed},
    {"run", "ROOT [-- ARG ...]", -1, KRunOptions, OptionCount(KRunOptions),
     "Lays out ROOT as init does, installs the skin under mnt/sdcard/skin/ and runs the\n"
     "application beside this tool with FIXTRAIL_ROOT=ROOT and the ARGs. Exits with the\n"
     "application's status.",
     RunRun},
};

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away must turn a write into an error, not end the process.
    (void)::signal(SIGPIPE, SIG_IGN);
    return RunSimCommandLine(KCommands, sizeof KCommands / sizeof KCommands[0], argc, argv);
}
