#include "tools/sim/Window.h"

#include <cstdio>

#ifdef FIXTRAIL_SIM_WINDOW

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdint>
#include <vector>

#include "tools/sim/SimDevice.h"

namespace {

constexpr Uint32 KFrameMs = 33;  // the frame buffer is polled about 30 times a second

// Keyboard → the remote's button codes. The remote's 7, 4 and 10 reach the toolkit as its keys
// 3 (previous), 4 (next) and 6 (select); the digits send the ten codes in order.
int RemoteCodeOfKey(SDL_Keycode aKey) {
    switch (aKey) {
        case SDLK_UP:
        case SDLK_LEFT:
            return 7;
        case SDLK_DOWN:
        case SDLK_RIGHT:
            return 4;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE:
        case SDLK_0:  // the tenth code, as the digits run 1 to 9, then 0
            return 10;
        default:
            break;
    }
    if (aKey >= SDLK_1 && aKey <= SDLK_9) {
        return static_cast<int>(aKey - SDLK_1) + 1;
    }
    return 0;
}

class CSimWindow {
  public:
    CSimWindow(const std::string& aRoot, int aScale)
        : iRoot(aRoot),
          iScale(aScale),
          iTouch(RootPath(aRoot, KTouchPath)),
          iRemote(RootPath(aRoot, KRemotePath)) {}
    ~CSimWindow();
    CSimWindow(const CSimWindow&) = delete;
    CSimWindow& operator=(const CSimWindow&) = delete;

    bool Open(std::string* aError);
    void Run(int aFrames);

  private:
    void Draw();
    // False when the window was closed.
    bool Handle(const SDL_Event& aEvent);
    void Touch(int aPressure, int aWindowX, int aWindowY);
    void Send(CFifoWriter& aWriter, const TRecord& aRecord, bool* aDropping);

    std::string iRoot;
    int iScale;
    TDeviceScreen iScreen;
    std::vector<std::uint16_t> iPixels;
    CFifoWriter iTouch;
    CFifoWriter iRemote;
    bool iTouchDropping = false;
    bool iRemoteDropping = false;
    bool iPenDown = false;
    int iPenX = -1;
    int iPenY = -1;
    bool iSdlStarted = false;
    SDL_Window* iWindow = nullptr;
    SDL_Renderer* iRenderer = nullptr;
    SDL_Texture* iTexture = nullptr;
};

CSimWindow::~CSimWindow() {
    if (iTexture != nullptr) {
        SDL_DestroyTexture(iTexture);
    }
    if (iRenderer != nullptr) {
        SDL_DestroyRenderer(iRenderer);
    }
    if (iWindow != nullptr) {
        SDL_DestroyWindow(iWindow);
    }
    if (iSdlStarted) {
        SDL_Quit();
    }
}

bool CSimWindow::Open(std::string* aError) {
    if (!OpenDeviceScreen(iRoot, &iScreen, aError)) {
        return false;
    }
    const int width = iScreen.iFrameBuffer->GetWidth();
    const int height = iScreen.iFrameBuffer->GetHeight();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        *aError = std::string("cannot start the window system: ") + SDL_GetError();
        return false;
    }
    iSdlStarted = true;
    const std::string title = "fixtrail-sim " + iRoot;
    iWindow = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                               width * iScale, height * iScale, 0);
    if (iWindow == nullptr) {
        *aError = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    iRenderer = SDL_CreateRenderer(iWindow, -1, 0);
    if (iRenderer == nullptr) {
        // Headless displays (Xvfb, the dummy driver) may offer no accelerated renderer.
        iRenderer = SDL_CreateRenderer(iWindow, -1, SDL_RENDERER_SOFTWARE);
    }
    if (iRenderer != nullptr) {
        iTexture = SDL_CreateTexture(iRenderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                     width, height);
    }
    if (iTexture == nullptr) {
        *aError = std::string("cannot draw in the window: ") + SDL_GetError();
        return false;
    }
    return true;
}

void CSimWindow::Run(int aFrames) {
    Uint32 nextFrame = SDL_GetTicks();
    for (int frames = 0; aFrames <= 0 || frames < aFrames; ++frames) {
        Draw();
        nextFrame += KFrameMs;
        const Uint32 now = SDL_GetTicks();
        if (static_cast<Sint32>(nextFrame - now) < 0) {
            nextFrame = now;  // fell behind (a slow display): do not try to catch up
        }
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            if (!Handle(event)) {
                return;
            }
        }
        for (;;) {
            const auto remaining = static_cast<Sint32>(nextFrame - SDL_GetTicks());
            if (remaining <= 0) {
                break;
            }
            if (SDL_WaitEventTimeout(&event, remaining) != 0 && !Handle(event)) {
                return;
            }
        }
    }
}

void CSimWindow::Draw() {
    ReadLogicalPicture(iScreen, &iPixels);
    const int pitch = iScreen.iFrameBuffer->GetWidth() * static_cast<int>(sizeof(std::uint16_t));
    SDL_UpdateTexture(iTexture, nullptr, iPixels.data(), pitch);
    SDL_RenderClear(iRenderer);
    SDL_RenderCopy(iRenderer, iTexture, nullptr, nullptr);
    SDL_RenderPresent(iRenderer);
}

bool CSimWindow::Handle(const SDL_Event& aEvent) {
    switch (aEvent.type) {
        case SDL_QUIT:
            return false;
        case SDL_WINDOWEVENT:
            return aEvent.window.event != SDL_WINDOWEVENT_CLOSE;
        case SDL_MOUSEBUTTONDOWN:
            if (aEvent.button.button == SDL_BUTTON_LEFT) {
                iPenDown = true;
                Touch(1, aEvent.button.x, aEvent.button.y);
            }
            break;
        case SDL_MOUSEMOTION:
            if (iPenDown) {
                Touch(1, aEvent.motion.x, aEvent.motion.y);
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (aEvent.button.button == SDL_BUTTON_LEFT && iPenDown) {
                iPenDown = false;
                Touch(0, aEvent.button.x, aEvent.button.y);
            }
            break;
        case SDL_KEYDOWN:
            if (aEvent.key.keysym.sym == SDLK_ESCAPE) {
                return false;
            }
            if (const int code = RemoteCodeOfKey(aEvent.key.keysym.sym); code != 0) {
                Send(iRemote, RemoteRecord(code), &iRemoteDropping);
            }
            break;
        default:
            break;
    }
    return true;
}

void CSimWindow::Touch(int aPressure, int aWindowX, int aWindowY) {
    // Window pixels → screen pixels, whatever size the window manager gave the window.
    const int width = iScreen.iFrameBuffer->GetWidth();
    const int height = iScreen.iFrameBuffer->GetHeight();
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(iWindow, &windowWidth, &windowHeight);
    int x = windowWidth > 0 ? aWindowX * width / windowWidth : 0;
    int y = windowHeight > 0 ? aWindowY * height / windowHeight : 0;
    x = x < 0 ? 0 : (x >= width ? width - 1 : x);
    y = y < 0 ? 0 : (y >= height ? height - 1 : y);
    // A drag that stays on one screen pixel is no new sample.
    if (aPressure != 0 && x == iPenX && y == iPenY) {
        return;
    }
    iPenX = aPressure != 0 ? x : -1;
    iPenY = aPressure != 0 ? y : -1;
    Send(iTouch, TouchRecord(aPressure, x, y), &iTouchDropping);
}

void CSimWindow::Send(CFifoWriter& aWriter, const TRecord& aRecord, bool* aDropping) {
    const bool sent = aWriter.Write(aRecord);
    // One line when input starts being lost, not one per mouse move.
    if (!sent && !*aDropping) {
        (void)std::fprintf(stderr, "fixtrail-sim: no process is reading %s; input is dropped\n",
                           aWriter.Path().c_str());
    }
    *aDropping = !sent;
}

}  // namespace

int RunWindow(const std::string& aRoot, int aScale, int aFrames) {
    CSimWindow window(aRoot, aScale);
    std::string error;
    if (!window.Open(&error)) {
        (void)std::fprintf(stderr, "fixtrail-sim: %s\n", error.c_str());
        return 1;
    }
    window.Run(aFrames);
    return 0;
}

#else

int RunWindow(const std::string&, int, int) {
    std::fprintf(stderr, "fixtrail-sim: built without a window (SDL2 was not found)\n");
    return 1;
}

#endif
