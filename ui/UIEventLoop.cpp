#include "ui/UIEventLoop.h"

#include <unistd.h>

#include "platform/DisplayOwner.h"
#include "ui/UIScreen.h"
#include "ui/UIWidget.h"

namespace {

class CSystemSleeper : public MUISleeper {
  public:
    void Sleep(std::uint32_t aMicroseconds) override { (void)::usleep(aMicroseconds); }
};

class CSharedOwnerSource : public MDisplayOwnerSource {
  public:
    int ActivePid() override { return GetActivePid(); }
    int OwnPid() override { return static_cast<int>(::getpid()); }
};

CSystemSleeper gSystemSleeper;
CSharedOwnerSource gSharedOwnerSource;

// The process's loop while it exists: screens destroyed at exit after it must not reach it.
CUIEventLoop* gInstance = nullptr;

}  // namespace

CUIEventLoop* CUIEventLoop::Instance() {
    static CUIEventLoop* const instance = [] {
        static CUIEventLoop loop;
        gInstance = &loop;
        return &loop;
    }();
    return instance;
}

CUIEventLoop* CUIEventLoop::ExistingInstance() {
    return gInstance;
}

CUIEventLoop::CUIEventLoop() = default;

CUIEventLoop::~CUIEventLoop() {
    if (gInstance == this) {
        gInstance = nullptr;
    }
}

void CUIEventLoop::ForgetScreen(CUIScreen* aScreen) {
    if (iScreen == aScreen) {
        iScreen = nullptr;
    }
}

MInputReader* CUIEventLoop::InputReader() {
    return iInputReader != nullptr ? iInputReader : GetInputReader();
}

MVirtualScreen* CUIEventLoop::FrameBuffer() {
    return iFrameBuffer != nullptr ? iFrameBuffer : DefaultWidgetScreen();
}

void CUIEventLoop::Sleep(std::uint32_t aMicroseconds) {
    (iSleeper != nullptr ? iSleeper : &gSystemSleeper)->Sleep(aMicroseconds);
}

MDisplayOwnerSource* CUIEventLoop::OwnerSource() {
    return iOwnerSource != nullptr ? iOwnerSource : &gSharedOwnerSource;
}

void CUIEventLoop::Run() {
    iStopRequested = false;
    iRedrawRequested = false;
    if (iScreen != nullptr) {
        iScreen->Draw();
        // A screen of its own now: the whole of it goes to the display.
        (void)NoticeDisplay();
        FrameBuffer()->Invalidate();
        FrameBuffer()->Update(true);
    }
    while (!iStopRequested) {
        Step();
        Sleep(KPassInterval);
    }
}

bool CUIEventLoop::NoticeDisplay() {
    // The only reader of the owner word for the display: the screen and the idle handler are
    // told. A display taken and given back between two passes is not seen coming back, so
    // while shown the whole picture goes again once a second.
    MDisplayOwnerSource* owner = OwnerSource();
    const std::int32_t active = owner->ActivePid();
    iDisplayShown = active == owner->OwnPid();
    const bool cameBack = iDisplayShown && active != iPreviousOwner;
    iPreviousOwner = active;
    iPassesSinceWholeCopy = iDisplayShown && !cameBack ? iPassesSinceWholeCopy + 1 : 0;
    // Shown again, the screen copies itself whole at its next Update.
    FrameBuffer()->SetShown(iDisplayShown);
    if (iPassesSinceWholeCopy < KWholeCopyPasses) {
        return cameBack;
    }
    iPassesSinceWholeCopy = 0;
    FrameBuffer()->Invalidate();
    return true;
}

void CUIEventLoop::Step() {
    // The display has just come back (or is due its copy a second): the back buffer still
    // holds this process's picture, so showing it is enough. An input handler's answer below
    // must not cancel this, or the other program's picture would stay on the screen while
    // this one takes the input. The first Update of the pass copies it whole, once.
    const bool wholeCopy = NoticeDisplay();
    bool update = false;
    if (iIdleHandler != nullptr) {
        iIdleHandler->OnIdle(this);
    }
    // The idle handler may have switched screens; input goes to the one current now.
    if (iScreen != nullptr) {
        MInputReader* reader = InputReader();
        TouchEvent touch;
        if (reader->ReadTouch(&touch)) {
            update = iScreen->HandleTouch(touch);
        }
        int key = 0;
        // A touch handler may have closed the screen and destroyed it.
        if (iScreen != nullptr && reader->ReadKey(&key)) {
            update = iScreen->HandleKey(key);
        }
    }
    if (iRedrawRequested && !iStopRequested && iScreen != nullptr) {
        iScreen->Draw();
        update = true;
        iRedrawRequested = false;
    }
    if (update || wholeCopy) {
        FrameBuffer()->Update(true);
    }
}
