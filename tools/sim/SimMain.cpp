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
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Version.h"
#include "app/Application.h"
#include "app/VelmorFileLayer.h"
#include "platform/DevicePath.h"
#include "platform/FixedString.h"
#include "platform/Launcher.h"
#include "tools/sim/Launcherd.h"
#include "tools/sim/Png.h"
#include "tools/sim/SimDevice.h"
#include "tools/sim/SimRun.h"
#include "tools/sim/Window.h"
#include "ui/Skin.h"

namespace {

constexpr int KExitError = 1;
constexpr int KExitUsage = 2;
constexpr int KWaitMs = 5000;  // how long --wait waits for a reader
constexpr int KMaxScale = 16;
constexpr int KMaxCode = 255;
constexpr int KDefaultBaud = 9600;
constexpr int KMinBaud = 10;
constexpr int KMaxBaud = 4000000;
constexpr int KFeedWaitMs = 10000;  // how long feed waits for the application to read

struct TOption {
    const char* iName;   // without the leading "--"
    const char* iValue;  // the value's name in the usage line; null for a flag
    const char* iHelp;
};

class CArguments;
using TRun = int (*)(const CArguments&);

// Fields in the order of the table's columns; 8 bytes of padding in a table of a few commands.
struct TCommand {  // NOLINT(clang-analyzer-optin.performance.Padding)
    const char* iName;
    const char* iOperands;  // as shown in the usage line, e.g. "ROOT X Y"
    int iOperandCount;      // negative: at least -iOperandCount
    const TOption* iOptions;
    int iOptionCount;
    const char* iHelp;
    TRun iRun;
};

// What the one parser made of a subcommand's words.
class CArguments {
  public:
    std::vector<std::string> iOperands;
    std::vector<std::pair<std::string, std::string>> iGiven;  // option name, value ("" for flags)

    bool Has(const char* aName) const { return Find(aName) != nullptr; }
    const std::string* Find(const char* aName) const {
        for (const auto& option : iGiven) {
            if (option.first == aName) {
                return &option.second;
            }
        }
        return nullptr;
    }
};

[[noreturn]] void Fail(const std::string& aMessage) {
    (void)std::fprintf(stderr, "fixtrail-sim: %s\n", aMessage.c_str());
    std::exit(KExitError);
}

// The command being run: a usage error found while converting a value shows its usage line.
const TCommand* gCommand = nullptr;

void PrintUsageLine(std::FILE* aStream, const TCommand& aCommand) {
    (void)std::fprintf(aStream, "usage: fixtrail-sim %s %s", aCommand.iName, aCommand.iOperands);
    for (int i = 0; i < aCommand.iOptionCount; ++i) {
        const TOption& option = aCommand.iOptions[i];
        if (option.iValue != nullptr) {
            (void)std::fprintf(aStream, " [--%s %s]", option.iName, option.iValue);
        } else {
            (void)std::fprintf(aStream, " [--%s]", option.iName);
        }
    }
    (void)std::fputc('\n', aStream);
}

[[noreturn]] void UsageError(const std::string& aMessage) {
    (void)std::fprintf(stderr, "fixtrail-sim: %s\n", aMessage.c_str());
    if (gCommand != nullptr) {
        PrintUsageLine(stderr, *gCommand);
    } else {
        (void)std::fprintf(stderr, "usage: fixtrail-sim COMMAND ROOT ... (fixtrail-sim --help)\n");
    }
    std::exit(KExitUsage);
}

int WholeNumber(const std::string& aText, const char* aWhat, int aMin, int aMax) {
    const char* text = aText.c_str();
    int value = 0;
    if (!ParseInt(text, value) || *text != '\0' || value < aMin || value > aMax) {
        UsageError(std::string(aWhat) + " must be a whole number from " + std::to_string(aMin) +
                   " to " + std::to_string(aMax) + ", not '" + aText + "'");
    }
    return value;
}

int OptionInt(const CArguments& aArguments, const char* aName, int aDefault, int aMin, int aMax) {
    const std::string* value = aArguments.Find(aName);
    return value == nullptr ? aDefault : WholeNumber(*value, aName, aMin, aMax);
}

// The root is where every device path goes: an empty one would be the host's own /dev.
const std::string& Root(const CArguments& aArguments) {
    const std::string& root = aArguments.iOperands[0];
    if (root.empty()) {
        UsageError("ROOT must not be empty");
    }
    return root;
}

// --- init ------------------------------------------------------------------------------------

int RunInit(const CArguments& aArguments) {
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

int WaitMs(const CArguments& aArguments) {
    return aArguments.Has("wait") ? KWaitMs : 0;
}

int SendRecords(const CArguments& aArguments, const char* aDevice,
                const std::vector<TRecord>& aRecords) {
    std::string error;
    if (!WriteRecords(RootPath(Root(aArguments), aDevice), aRecords, WaitMs(aArguments), &error)) {
        Fail(error);
    }
    return 0;
}

// The driver's coordinates are 16-bit signed; anything else cannot be written.
int Coordinate(const CArguments& aArguments, int aIndex, const char* aName) {
    return WholeNumber(aArguments.iOperands[aIndex], aName, INT16_MIN, INT16_MAX);
}

int RunTouch(const CArguments& aArguments, const std::vector<int>& aPressures) {
    const int x = Coordinate(aArguments, 1, "X");
    const int y = Coordinate(aArguments, 2, "Y");
    std::vector<TRecord> records;
    records.reserve(aPressures.size());
    for (const int pressure : aPressures) {
        records.push_back(TouchRecord(pressure, x, y));
    }
    return SendRecords(aArguments, KTouchPath, records);
}

int RunTap(const CArguments& aArguments) {
    return RunTouch(aArguments, {1, 0});
}

int RunPress(const CArguments& aArguments) {
    return RunTouch(aArguments, {1});
}

int RunRelease(const CArguments& aArguments) {
    return RunTouch(aArguments, {0});
}

int RunKey(const CArguments& aArguments) {
    // Codes outside the remote's 1 to 10 are allowed: the reader must take and ignore them.
    const int code = WholeNumber(aArguments.iOperands[1], "CODE", 0, KMaxCode);
    return SendRecords(aArguments, KRemotePath, {RemoteRecord(code)});
}

// --- shot ------------------------------------------------------------------------------------

int RunShot(const CArguments& aArguments) {
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

int RunWindowCommand(const CArguments& aArguments) {
    const std::string& root = Root(aArguments);
    const int scale = OptionInt(aArguments, "scale", 2, 1, KMaxScale);
    const int frames = OptionInt(aArguments, "frames", 0, 0, INT_MAX);
    return RunWindow(root, scale, frames);
}

// --- message ---------------------------------------------------------------------------------

// Through the application's own messaging layer, so the pair is written exactly as a sender
// must: the message complete and synced first, the finished marker last.
int RunMessage(const CArguments& aArguments) {
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

int RunLauncherd(const CArguments& aArguments) {
    std::string error;
    if (!RunLauncherDaemon(Root(aArguments), &error)) {
        Fail(error);
    }
    return 0;
}

// The client commands go through the toolkit's own launcher client, as a program would.
void UseRoot(const CArguments& aArguments) {
    if (::setenv(KDeviceRootVariable, Root(aArguments).c_str(), 1) != 0) {
        Fail("cannot set " + std::string(KDeviceRootVariable));
    }
}

int RunLaunch(const CArguments& aArguments) {
    UseRoot(aArguments);
    const int pid = LauncherLaunch(aArguments.iOperands[1].c_str());
    std::printf("%d\n", pid);
    return pid > 0 ? 0 : KExitError;
}

int RunWait(const CArguments& aArguments) {
    const int pid = WholeNumber(aArguments.iOperands[1], "PID", 1, INT_MAX);
    UseRoot(aArguments);
    int collected = 0;
    int status = 0;
    LauncherWait(pid, collected, status);
    std::printf("%d %d\n", collected, status);
    return 0;
}

int RunKill(const CArguments& aArguments) {
    const int pid = WholeNumber(aArguments.iOperands[1], "PID", 1, INT_MAX);
    UseRoot(aArguments);
    const int answer = LauncherKill(pid);
    std::printf("%d\n", answer);
    return answer == 0 ? 0 : KExitError;
}

// --- feed, run -------------------------------------------------------------------------------

int RunFeed(const CArguments& aArguments) {
    const int baud = OptionInt(aArguments, "baud", KDefaultBaud, KMinBaud, KMaxBaud);
    std::string error;
    if (!FeedRecording(RootPath(Root(aArguments), KFeedPath), aArguments.iOperands[1], baud,
                       aArguments.Has("loop"), KFeedWaitMs, &error)) {
        Fail(error);
    }
    return 0;
}

int RunRun(const CArguments& aArguments) {
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

// --- the table and the parser ----------------------------------------------------------------

const TOption KInitOptions[] = {
    {"size", "WxH", "screen geometry as the driver reports it (default 320x240)"},
    {"model", "N", "device model number in proc/orbelia/modelid (default 7: column layout)"},
};
const TOption KInputOptions[] = {
    {"wait", nullptr, "wait up to 5 s for a process to open the device for reading"},
};
const TOption KShotOptions[] = {
    {"ppm", nullptr, "write a binary PPM instead of a PNG"},
};
const TOption KMessageOptions[] = {
    {"to", "NAME", "receiver (default fixtrail, the application)"},
    {"from", "NAME", "sender (default VelmorNavigationServer)"},
};
const TOption KWindowOptions[] = {
    {"scale", "N", "window pixels per screen pixel (default 2)"},
    {"frames", "N", "close after N frames, about 30 a second (default: when closed)"},
};

const TOption KFeedOptions[] = {
    {"baud", "N", "line speed, 8N1: N / 10 bytes a second (default 9600)"},
    {"loop", nullptr, "start over at the end of the file instead of stopping"},
};
const TOption KRunOptions[] = {
    {"size", "WxH", "screen geometry, as for init (default 320x240)"},
    {"model", "N", "device model number, as for init (default 7)"},
    {"skin", "DIR", "skin files to install as mnt/sdcard/skin (default: the sample skin)"},
    {"window", nullptr, "show the live window; closing it ends the application"},
};

template <std::size_t N>
constexpr int Count(const TOption (&)[N]) {
    return static_cast<int>(N);
}

const TCommand KCommands[] = {
    {"init", "ROOT", 1, KInitOptions, Count(KInitOptions),
     "Lays out a device root: dev/fb (a zeroed W x H x 2 byte file) with its geometry under\n"
     "sys/class/graphics/fb0, the FIFOs dev/ts, dev/remote and var/run/gpsfeed,\n"
     "proc/orbelia/modelid, var/run/ and mnt/sdcard/fixtrail/. Running it again applies the\n"
     "given (or default) size and model; a frame buffer of unchanged size keeps its picture.",
     RunInit},
    {"tap", "ROOT X Y", 3, KInputOptions, Count(KInputOptions),
     "Touches the screen at X,Y and lifts the pen there (two records into dev/ts).", RunTap},
    {"press", "ROOT X Y", 3, KInputOptions, Count(KInputOptions),
     "Puts the pen down at X,Y, or moves it there (one record with pressure 1 into dev/ts).",
     RunPress},
    {"release", "ROOT X Y", 3, KInputOptions, Count(KInputOptions),
     "Lifts the pen at X,Y (one record with pressure 0 into dev/ts).", RunRelease},
    {"key", "ROOT CODE", 2, KInputOptions, Count(KInputOptions),
     "Presses the remote's button CODE (1-10 are the remote's buttons; 0-255 are sent)\n"
     "(one record into dev/remote).",
     RunKey},
    {"shot", "ROOT OUT.png", 2, KShotOptions, Count(KShotOptions),
     "Writes the picture on the device's panel, in landscape, as an RGB image.", RunShot},
    {"message", "ROOT [ARG ...]", -1, KMessageOptions, Count(KMessageOptions),
     "Drops a message into var/run/ as the navigation server does: the message file\n"
     "SENDER.RECEIVER.PID.1.message with the ARGs as its items, then its finished marker.\n"
     "Prints SENDER.RECEIVER.PID.1. An ARG holding '|' arrives as two items.",
     RunMessage},
    {"window", "ROOT", 1, KWindowOptions, Count(KWindowOptions),
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
    {"feed", "ROOT FILE", 2, KFeedOptions, Count(KFeedOptions),
     "Replays the recording FILE into var/run/gpsfeed as the GPS daemon does, in small chunks\n"
     "at the line's byte rate. Waits up to 10 s for a reader; ends at the end of the file\n"
     "(unless --loop) or when the reader goes away.",
     RunFeed},
    {"run", "ROOT [-- ARG ...]", -1, KRunOptions, Count(KRunOptions),
     "Lays out ROOT as init does, installs the skin under mnt/sdcard/skin/ and runs the\n"
     "application beside this tool with FIXTRAIL_ROOT=ROOT and the ARGs. Exits with the\n"
     "application's status.",
     RunRun},
};

void PrintCommandHelp(const TCommand& aCommand) {
    PrintUsageLine(stdout, aCommand);
    std::printf("\n%s\n", aCommand.iHelp);
    if (aCommand.iOptionCount > 0) {
        std::printf("\noptions:\n");
    }
    for (int i = 0; i < aCommand.iOptionCount; ++i) {
        const TOption& option = aCommand.iOptions[i];
        const std::string name = std::string("--") + option.iName +
                                 (option.iValue ? std::string(" ") + option.iValue : "");
        std::printf("  %-14s %s\n", name.c_str(), option.iHelp);
    }
}

// Also the source of the manual page (help2man): a line ending in ':' starts a section there.
void PrintToolHelp() {
    std::printf(
        "usage: fixtrail-sim COMMAND ROOT ...\n\n"
        "The simulated device under the directory ROOT (run the application with\n"
        "FIXTRAIL_ROOT=ROOT). fixtrail-sim COMMAND --help describes one command,\n"
        "fixtrail-sim --version shows the version.\n\n"
        "Commands:\n");
    for (const TCommand& command : KCommands) {
        std::printf("  %-9s  %s\n", command.iName, command.iOperands);
    }
    std::printf("\nCommand reference:\n");
    for (const TCommand& command : KCommands) {
        std::printf("\n");
        PrintCommandHelp(command);
    }
    std::printf(
        "\nExit status:\n"
        "0 on success (run: the application's status), 1 on an error, 2 on a usage error.\n");
}

const TOption* FindOption(const TCommand& aCommand, const std::string& aName) {
    for (int i = 0; i < aCommand.iOptionCount; ++i) {
        if (aName == aCommand.iOptions[i].iName) {
            return &aCommand.iOptions[i];
        }
    }
    return nullptr;
}

// "--name value", "--name=value" and "--flag"; "--" ends the options, so that a ROOT may start
// with a dash. A single dash starts an operand: negative coordinates are operands.
CArguments Parse(const TCommand& aCommand, int aCount, char** aWords) {
    CArguments arguments;
    bool optionsEnded = false;
    for (int i = 0; i < aCount; ++i) {
        const std::string word = aWords[i];
        if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            arguments.iOperands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
        const TOption* option = FindOption(aCommand, name);
        if (option == nullptr) {
            UsageError("unknown option --" + name);
        }
        std::string value;
        if (option->iValue == nullptr) {
            if (equals != std::string::npos) {
                UsageError("--" + name + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < aCount) {
            value = aWords[++i];
        } else {
            UsageError("--" + name + " needs a value");
        }
        arguments.iGiven.emplace_back(name, value);
    }
    const int count = static_cast<int>(arguments.iOperands.size());
    if (aCommand.iOperandCount >= 0 ? count != aCommand.iOperandCount
                                    : count < -aCommand.iOperandCount) {
        UsageError(std::string("expected ") + aCommand.iOperands);
    }
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away must turn a write into an error, not end the process.
    (void)::signal(SIGPIPE, SIG_IGN);

    if (argc < 2) {
        UsageError("no command given");
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintToolHelp();
        return 0;
    }
    if (name == "--version") {
        std::printf("fixtrail-sim " FIXTRAIL_VERSION "\n");
        return 0;
    }
    for (const TCommand& command : KCommands) {
        if (name == command.iName) {
            gCommand = &command;
        }
    }
    if (gCommand == nullptr) {
        UsageError("unknown command '" + name + "'");
    }
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            break;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintCommandHelp(*gCommand);
            return 0;
        }
    }
    const CArguments arguments = Parse(*gCommand, argc - 2, argv + 2);
    return gCommand->iRun(arguments);
}
