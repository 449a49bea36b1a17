#pragma once

#include <cstdint>

#include "platform/InputReader.h"
#include "platform/VirtualScreen.h"

class CUIScreen;

// How the event loop waits between passes; usleep by default.
class MUISleeper {
  public:
    virtual void Sleep(std::uint32_t aMicroseconds) = 0;
    virtual ~MUISleeper() = default;
};

// Who owns the display; the shared owner word and getpid() by default.
class MDisplayOwnerSource {
  public:
    virtual int ActivePid() = 0;
    virtual int OwnPid() = 0;
    virtual ~MDisplayOwnerSource() = default;
};

// The program's single polling loop, and the one reader of whose the display is. Each pass:
// notice the display coming back (and tell the screen), let the idle handler work, hand at most one
// touch and one key event to the current screen, redraw when asked, and update the display when
// something changed. Passes are 50 ms apart. Modal screens run the same loop recursively, so a stop
// request ends only the innermost run.
class CUIEventLoop {
  public:
    // Called once per pass.
    class MUIEventLoopEvents {
      public:
        virtual void OnIdle(CUIEventLoop* aLoop) = 0;

      protected:
        ~MUIEventLoopEvents() = default;
    };

    static constexpr std::uint32_t KPassInterval = 50000;  // microseconds
    // Passes shown between two copies of the whole screen: once a second.
    static constexpr int KWholeCopyPasses = 20;

    // The process's loop, made on first use and destroyed at exit.
    static CUIEventLoop* Instance();
    // The process's loop if it exists now, else null (never creates it).
    static CUIEventLoop* ExistingInstance();

    // Null collaborators stand for the process's: GetInputReader(), DefaultWidgetScreen(),
    // usleep, the shared owner word, looked up whenever needed (so none is opened before use).
    CUIEventLoop();
    virtual ~CUIEventLoop();
    CUIEventLoop(const CUIEventLoop&) = delete;
    CUIEventLoop& operator=(const CUIEventLoop&) = delete;

    void SetScreen(CUIScreen* aScreen) { iScreen = aScreen; }
    CUIScreen* GetScreen() const { return iScreen; }
    // Forgets aScreen if it is the current screen (it is being destroyed).
    void ForgetScreen(CUIScreen* aScreen);
    void SetIdleHandler(MUIEventLoopEvents* aHandler) { iIdleHandler = aHandler; }
    MUIEventLoopEvents* IdleHandler() const { return iIdleHandler; }

    // Clears both requests, draws the current screen and shows it, then runs passes 50 ms apart
    // until a stop is requested.
    void Run();
    // One pass.
    void Step();

    // The display was this process's at the start of this pass.
    bool DisplayShown() const { return iDisplayShown; }

    void RequestStop() { iStopRequested = true; }
    void ClearStopRequest() { iStopRequested = false; }
    bool IsStopRequested() const { return iStopRequested; }
    void RequestRedraw() { iRedrawRequested = true; }
    bool IsRedrawRequested() const { return iRedrawRequested; }

    void SetInputReader(MInputReader* aReader) { iInputReader = aReader; }
    MInputReader* InputReader();
    void SetFrameBuffer(MVirtualScreen* aFrameBuffer) { iFrameBuffer = aFrameBuffer; }
    MVirtualScreen* FrameBuffer();
    void SetSleeper(MUISleeper* aSleeper) { iSleeper = aSleeper; }
    // Waits through the loop's sleeper: widgets that pause (a button's flash) use it too.
    void Sleep(std::uint32_t aMicroseconds);
    void SetOwnerSource(MDisplayOwnerSource* aSource) { iOwnerSource = aSource; }
    MDisplayOwnerSource* OwnerSource();

  private:
    // Reads the owner word, tells the screen; true when the whole screen is to be copied.
    bool NoticeDisplay();

    MUIEventLoopEvents* iIdleHandler = nullptr;
    bool iStopRequested = false;
    bool iRedrawRequested = false;
    CUIScreen* iScreen = nullptr;
    MInputReader* iInputReader = nullptr;
    MVirtualScreen* iFrameBuffer = nullptr;
    MUISleeper* iSleeper = nullptr;
    MDisplayOwnerSource* iOwnerSource = nullptr;
    // The display owner at the previous pass.
    std::int32_t iPreviousOwner = 0;
    // Passes shown since the whole screen was last copied.
    int iPassesSinceWholeCopy = 0;
    bool iDisplayShown = false;
};
