#include "AppBenchWork.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "SampleSkin.h"
#include "app/Application.h"
#include "app/MainScreen.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DevicePath.h"
#include "platform/DisplayOwner.h"
#include "platform/FrameBuffer.h"
#include "platform/VirtualScreen.h"
#include "tests/support/TempDirectory.h"
#include "tools/sim/SimDevice.h"
#include "ui/Colors.h"
#include "ui/Skin.h"

CBenchDevice::CBenchDevice(int aWidth, int aHeight, int aModel) : iWidth(aWidth), iHeight(aHeight) {
    iRoot = MakeTempDirectory("bench-app", true);
    if (iRoot.empty()) {
        return;
    }
    std::string error;
    iLaidOut = MakeDeviceRoot(iRoot, aWidth, aHeight, aModel, &error) &&
               ::setenv(KDeviceRootVariable, iRoot.c_str(), 1) == 0;
}

CBenchDevice::~CBenchDevice() {
    RemoveTree(iRoot);
}

bool CBenchDevice::IsReady(std::string* aReason) const {
    if (!iLaidOut) {
        *aReason = "cannot lay out a device root (" + iRoot + ")";
        return false;
    }
    MFrameBuffer* device = GetFrameBuffer();
    if (device->GetBuffer() == nullptr || GetVirtualScreen()->GetBuffer() == nullptr ||
        device->GetWidth() != iWidth || device->GetHeight() != iHeight) {
        *aReason = "cannot map the frame buffer of " + iRoot;
        return false;
    }
    return true;
}

CRunningApplication::CRunningApplication(bool aSampleSkin, bool aShown) : iSampleSkin(aSampleSkin) {
    SetSkinRoot(aSampleSkin ? SampleSkinRoot().c_str() : KDefaultSkinRoot);
    // Not shown: the display belongs to another process that is alive (the parent).
    SetActivePid(static_cast<int>(aShown ? ::getpid() : ::getppid()));
    gCaptureState = new CCaptureState(KColorWhite, KColorYellow);
    gNmeaParser = new CNmeaParser;
    gCaptureState->DecodeMode = DecodeOn;
    gCaptureState->ComposeLogFileName();
    gCaptureState->LogFile = std::fopen("/dev/null", "w");
    gCaptureState->RunState = Running;
    // What the event loop tells the screen at every pass.
    GetVirtualScreen()->SetShown(aShown);
    gMainScreen = new CMainScreen;
    GetSkin()->SetSchemeIndex(KMainScreenScheme);
    gMainScreen->Draw();
    gMainScreen->RefreshControls();
    gMainScreen->RefreshValues();
}

CRunningApplication::~CRunningApplication() {
    delete gMainScreen;
    gMainScreen = nullptr;
    delete gNmeaParser;
    gNmeaParser = nullptr;
    delete gCaptureState;  // closes the log
    gCaptureState = nullptr;
}

const char* CRunningApplication::SkinProblem() const {
    auto* skin = dynamic_cast<CDefaultSkin*>(GetSkin());
    if (skin == nullptr) {
        return "the skin is not a file skin";
    }
    const bool fixedFonts =
        skin->IsFontShared(ESkinFontControl) && skin->IsFontShared(ESkinFontButton);
    if (iSampleSkin && (skin->GetImage(ESkinImageBack) == nullptr || fixedFonts)) {
        return "no sample skin with TrueType fonts (build fixtrail-skin, or set "
               "FIXTRAIL_SKIN_ROOT)";
    }
    return !iSampleSkin && !fixedFonts ? "the device root holds a skin" : nullptr;
}

std::vector<std::string> MakeBatches(const std::vector<std::string>& aSentences,
                                     std::size_t aBatch) {
    std::vector<std::string> batches;
    for (std::size_t first = 0; first < aSentences.size(); first += aBatch) {
        const std::size_t last = std::min(aSentences.size(), first + aBatch);
        std::string bytes;
        for (std::size_t i = first; i < last; ++i) {
            bytes += '$';
            bytes += aSentences[i];
            bytes += "\r\n";
        }
        batches.push_back(std::move(bytes));
    }
    return batches;
}

long LitDevicePixels() {
    MFrameBuffer* device = GetFrameBuffer();
    const std::uint8_t* memory = device->GetBuffer();
    if (memory == nullptr) {
        return 0;
    }
    const std::size_t pixels = static_cast<std::size_t>(device->GetWidth()) *
                               static_cast<std::size_t>(device->GetHeight());
    long lit = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        lit += (memory[2 * i] | memory[2 * i + 1]) != 0 ? 1 : 0;
    }
    return lit;
}
