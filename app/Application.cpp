#include "app/Application.h"

#include <cstdlib>

#include "app/MainScreen.h"
#include "app/VelmorFileLayer.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DisplayOwner.h"
#include "ui/Colors.h"
#include "ui/Skin.h"

CCaptureState* gCaptureState = nullptr;
CNmeaParser* gNmeaParser = nullptr;
CMainScreen* gMainScreen = nullptr;
MVelmorCommunicationLayerInterface* gClientLayer = nullptr;
CNavigationClient* gNavigationClient = nullptr;

CExampleHandler gExampleHandler;
CIdler gIdler;

namespace {

CApplicationCaptureEvents gCaptureEvents;
CMainScreenRedraw gMainScreenRedraw;

}  // namespace

void CApplicationCaptureEvents::RefreshCounters() {
    if (gMainScreen != nullptr) {
        gMainScreen->RefreshChangedValues();
    }
}

// The screen the widgets draw on: the process's virtual screen unless a test chose another.
void CApplicationCaptureEvents::UpdateDisplay() {
    DefaultWidgetScreen()->Update(true);
}

void CApplicationCaptureEvents::ServeMessages() {
    ::ServeMessages(KApplicationName, &gExampleHandler);
}

void CMainScreenRedraw::RedrawAll() {
    // Hide gave the display up; in the simulator, or on a device where nobody else took it,
    // the program that is called back must take it again or it stays invisible.
    (void)TakeDisplayIfFree();
    if (gMainScreen == nullptr) {
        return;
    }
    gMainScreen->Draw();
    gMainScreen->RefreshControls();
    gMainScreen->RefreshValues();
}

void CIdler::OnIdle(CUIEventLoop* aLoop) {
    // The display may come back without a message: a launcher or another program writes our
    // pid into the owner word. Hidden is only ever "captured but not shown", so the run is then
    // a shown one, exactly as when a message brings it back, and Stop acts on it again. Its
    // full redraw also brings the values up to date. Otherwise the values that changed while
    // another process had the display are drawn now. Both ask whether the display is shown,
    // not whether it just came back: given up and handed back between two passes, it never
    // was seen away.
    if (aLoop->DisplayShown()) {
        if (gCaptureState != nullptr && gCaptureState->RunState == RunningHidden) {
            gExampleHandler.ComeBack();
        } else if (gMainScreen != nullptr && gMainScreen->ValuesBehind()) {
            gMainScreen->RefreshChangedValues();
        }
    }
    if (gCaptureState == nullptr || gNmeaParser == nullptr) {
        gCaptureEvents.ServeMessages();
        return;
    }
    CaptureStep(*gCaptureState, *gNmeaParser, gCaptureEvents);
}

const char* SkinRootArgument(int aArgc, char** aArgv) {
    // A single argument is ignored: launchers pass one of their own.
    return aArgc > 2 ? aArgv[1] : KDefaultSkinRoot;
}

int InitApplication(int, char**) {
    // The configuration is loaded before the screen is built: its radio buttons show the
    // settings from the first drawing on.
    gCaptureState = new CCaptureState(KColorWhite, KColorYellow);
    gNmeaParser = new CNmeaParser;
    gCaptureState->LoadConfig();
    gMainScreen = new CMainScreen;
    (void)ConnectNavigationServer();
    gMainScreen->RefreshControls();
    gMainScreen->RefreshValues();
    gExampleHandler.SetCaptureState(gCaptureState);
    gExampleHandler.SetEvents(&gMainScreenRedraw);
    CUIEventLoop* loop = CUIEventLoop::Instance();
    loop->SetScreen(gMainScreen);
    loop->SetIdleHandler(&gIdler);
    return 0;
}

bool ConnectNavigationServer() {
    if (gClientLayer == nullptr) {
        gClientLayer = CreateFileLayer(KClientName, KServerName, -1);
        if (gClientLayer == nullptr) {
            return false;
        }
    }
    if (gNavigationClient == nullptr) {
        // The messaging layer's records live in malloc'd memory, like the layer itself.
        gNavigationClient =
            static_cast<CNavigationClient*>(std::calloc(1, sizeof(CNavigationClient)));
        if (gNavigationClient != nullptr) {
            gNavigationClient->iLayer = gClientLayer;
        }
    }
    return true;
}

void DisconnectNavigationServer() {
    if (gNavigationClient != nullptr) {
        std::free(gNavigationClient);
        gNavigationClient = nullptr;
    }
    if (gClientLayer != nullptr) {
        SdkDelete(gClientLayer);
        gClientLayer = nullptr;
    }
}
