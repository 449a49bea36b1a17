// The running application's cost per handled sentence, with its screen shown (this process
// owns the display: each pass's refresh draws the values that changed and Update copies what
// was drawn to the frame buffer) or owned-elsewhere (the owner word names another process, as
// while another program has the display: nothing is drawn or copied until it comes back), for
// instruction counts under callgrind:
//
//   app_instr shown|owned-elsewhere [--skin none|sample] [--size WxH] [--model N] [--batch N]
//             [--decode on|off] <repetitions>
//
//   valgrind --tool=callgrind --toggle-collect='*HandleBatch*' bin/app_instr shown 3
//
// and divide "Collected" by repetitions x sentences. The measured function is the capture
// cycle's HandleQueuedSentences with the application's own capture events, decoding on (unless
// --decode off) and the log on /dev/null, over the real main screen on the process's virtual
// screen.
//
// The program runs as on the simulated device: a private device root under /dev/shm (else
// /tmp), laid out like the simulator's init, is FIXTRAIL_ROOT before anything opens the
// display, and is removed at the end. The recordings are those of BenchWork (data/, or
// FIXTRAIL_BENCH_DATA); they are queued in the parser in batches of --batch sentences (default
// 10, about one second of a receiver's output), outside the measured function.
//
// --skin none (the default) gives the device without a skin on its card: the fixed font and
// built-in images. --skin sample takes FIXTRAIL_SKIN_ROOT, else the build's skin-root beside
// bin/. --model picks the copy Update makes (7, the default: straight; 8: row-major).

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AppBenchWork.h"
#include "BenchWork.h"
#include "app/Application.h"
#include "nmea/CaptureCycle.h"
#include "platform/DisplayOwner.h"
#include "platform/VirtualScreen.h"
#include "ui/Skin.h"

namespace {

constexpr int KMaxSide = 8192;  // what the platform maps at most

struct TOptions {
    bool iShown = true;
    bool iSampleSkin = false;
    int iWidth = 320;
    int iHeight = 240;
    int iModel = KDefaultModel;
    int iBatch = 10;
    bool iDecodeOff = false;
    int iRepetitions = -1;
};

void Usage(const char* aProgram) {
    std::fprintf(stderr,
                 "usage: %s shown|owned-elsewhere [--skin none|sample] [--size WxH] [--model N] "
                 "[--batch N] [--decode on|off] <repetitions>\n",
                 aProgram);
}

bool ReadInt(const char* aText, int aMin, int aMax, int* aValue) {
    char* end = nullptr;
    const long value = std::strtol(aText, &end, 10);
    if (end == aText || *end != '\0' || value < aMin || value > aMax) {
        return false;
    }
    *aValue = static_cast<int>(value);
    return true;
}

bool ParseOptions(int aArgc, char** aArgv, TOptions* aOptions) {
    if (aArgc < 3) {
        return false;
    }
    if (std::strcmp(aArgv[1], "shown") == 0) {
        aOptions->iShown = true;
    } else if (std::strcmp(aArgv[1], "owned-elsewhere") == 0) {
        aOptions->iShown = false;
    } else {
        return false;
    }
    for (int i = 2; i < aArgc; ++i) {
        const char* argument = aArgv[i];
        const bool hasValue = i + 1 < aArgc;
        if (std::strcmp(argument, "--skin") == 0 && hasValue) {
            const char* skin = aArgv[++i];
            if (std::strcmp(skin, "sample") != 0 && std::strcmp(skin, "none") != 0) {
                return false;
            }
            aOptions->iSampleSkin = std::strcmp(skin, "sample") == 0;
        } else if (std::strcmp(argument, "--size") == 0 && hasValue) {
            if (std::sscanf(aArgv[++i], "%dx%d", &aOptions->iWidth, &aOptions->iHeight) != 2 ||
                aOptions->iWidth < 1 || aOptions->iWidth > KMaxSide || aOptions->iHeight < 1 ||
                aOptions->iHeight > KMaxSide) {
                return false;
            }
        } else if (std::strcmp(argument, "--model") == 0 && hasValue) {
            if (!ReadInt(aArgv[++i], 0, INT_MAX, &aOptions->iModel)) {
                return false;
            }
        } else if (std::strcmp(argument, "--decode") == 0 && hasValue) {
            const char* decode = aArgv[++i];
            if (std::strcmp(decode, "on") != 0 && std::strcmp(decode, "off") != 0) {
                return false;
            }
            aOptions->iDecodeOff = std::strcmp(decode, "off") == 0;
        } else if (std::strcmp(argument, "--batch") == 0 && hasValue) {
            if (!ReadInt(aArgv[++i], 1, INT_MAX, &aOptions->iBatch)) {
                return false;
            }
        } else if (aOptions->iRepetitions >= 0 ||
                   !ReadInt(argument, 0, INT_MAX, &aOptions->iRepetitions)) {
            return false;
        }
    }
    return aOptions->iRepetitions >= 0;
}

// The measured function, out of line so that callgrind can collect exactly it.
__attribute__((noinline)) int HandleBatch(CCaptureState& aState, CNmeaParser& aParser,
                                          MCaptureEvents& aEvents) {
    return HandleQueuedSentences(aState, aParser, &aEvents);
}

int Run(const TOptions& aOptions) {
    const CBenchDevice device(aOptions.iWidth, aOptions.iHeight, aOptions.iModel);
    std::string reason;
    if (!device.IsReady(&reason)) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return 1;
    }
    const TBenchData data = LoadBenchData();
    if (data.iSentences.empty()) {
        std::fprintf(stderr, "no sentences in %s\n", data.iDirectory.c_str());
        return 1;
    }
    const std::vector<std::string> batches =
        MakeBatches(data.iSentences, static_cast<std::size_t>(aOptions.iBatch));

    const CRunningApplication application(aOptions.iSampleSkin, aOptions.iShown);
    if (const char* problem = application.SkinProblem()) {
        std::fprintf(stderr, "%s: %s\n", SkinRoot(), problem);
        return 1;
    }
    if (aOptions.iDecodeOff) {
        gCaptureState->DecodeMode = DecodeOff;
    }
    CApplicationCaptureEvents events;
    long handled = 0;
    for (int repetition = 0; repetition < aOptions.iRepetitions; ++repetition) {
        for (const std::string& bytes : batches) {
            gNmeaParser->Assemble(bytes.data(), bytes.size());
            handled += HandleBatch(*gCaptureState, *gNmeaParser, events);
        }
    }
    const long expected =
        static_cast<long>(aOptions.iRepetitions) * static_cast<long>(data.iSentences.size());

    std::printf(
        "%s, decoding %s, %s skin (%s), %dx%d model %d, owner %d (this process %d), "
        "root %s\n",
        aOptions.iShown ? "shown" : "owned elsewhere", aOptions.iDecodeOff ? "off" : "on",
        aOptions.iSampleSkin ? "sample" : "no", SkinRoot(), aOptions.iWidth, aOptions.iHeight,
        GetModelId(), GetActivePid(), static_cast<int>(::getpid()), device.Root().c_str());
    std::printf(
        "%s: %zu recordings, %zu bytes, %zu sentences in %zu batches of up to %d; "
        "%d repetitions, %ld sentences handled (total count %d), %ld lit device pixels\n",
        data.iDirectory.c_str(), data.iRecordings.size(), data.iBytes, data.iSentences.size(),
        batches.size(), aOptions.iBatch, aOptions.iRepetitions, handled, gCaptureState->TotalCount,
        LitDevicePixels());
    return handled == expected ? 0 : 1;
}

}  // namespace

int main(int aArgc, char** aArgv) {
    TOptions options;
    if (!ParseOptions(aArgc, aArgv, &options)) {
        Usage(aArgv[0]);
        return 2;
    }
    return Run(options);
}
