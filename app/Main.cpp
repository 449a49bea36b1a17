#include <csignal>

#include "app/Application.h"
#include "app/MainScreen.h"
#include "platform/DisplayOwner.h"
#include "platform/VirtualScreen.h"
#include "ui/Skin.h"
#include "ui/UIEventLoop.h"

namespace {

// The display is opened before main, as in every program of the toolkit.
[[maybe_unused]] MVirtualScreen* const gVirtualScreen = GetVirtualScreen();

}  // namespace

int main(int argc, char** argv) {
    // A log at the file-size limit fails its write with EFBIG, and the capture goes on in the
    // next file; the signal would end the program with the log cut and the settings unsaved.
    (void)std::signal(SIGXFSZ, SIG_IGN);
    SetSkinRoot(SkinRootArgument(argc, argv));
    // Alone on a device, or in the simulator, nobody hands the display over: take it when free.
    (void)TakeDisplayIfFree();
    InitApplication(argc, argv);
    GetSkin()->SetSchemeIndex(KMainScreenScheme);
    CUIEventLoop::Instance()->Run();
    return 0;
}
