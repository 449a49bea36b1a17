#pragma once

#include "app/CommandHandler.h"
#include "nmea/CaptureCycle.h"
#include "ui/UIEventLoop.h"

class CCaptureState;
class CMainScreen;
class CNmeaParser;
class MVelmorCommunicationLayerInterface;

// The messaging layer's client record: the layer it talks through (not owned).
struct CNavigationClient {
    MVelmorCommunicationLayerInterface* iLayer;
};

// The application's name among the processes that exchange messages.
constexpr const char* KApplicationName = "fixtrail";
constexpr const char* KClientName = "client";
constexpr const char* KServerName = "VelmorNavigationServer";

// The process-wide objects, made by InitApplication; null before it.
extern CCaptureState* gCaptureState;
extern CNmeaParser* gNmeaParser;
extern CMainScreen* gMainScreen;
extern MVelmorCommunicationLayerInterface* gClientLayer;
extern CNavigationClient* gNavigationClient;

// The capture cycle as the event loop's idle work. No state of its own.
class CIdler : public CUIEventLoop::MUIEventLoopEvents {
  public:
    void OnIdle(CUIEventLoop* aLoop) override;
};

// What the capture cycle asks of the application: the main screen's values, the display, and
// the messages addressed to "fixtrail".
class CApplicationCaptureEvents : public MCaptureEvents {
  public:
    void RefreshCounters() override;
    void UpdateDisplay() override;
    void ServeMessages() override;
};

// Coming back to the display after a message: takes the display if nobody holds it, then
// repaints the whole main screen.
class CMainScreenRedraw : public CExampleHandler::MExampleHandlerEvents {
  public:
    void RedrawAll() override;
};

extern CExampleHandler gExampleHandler;
extern CIdler gIdler;

// The skin root the command line gives: argv[1] only when at least two arguments follow the
// program name, else the SD card.
const char* SkinRootArgument(int aArgc, char** aArgv);

// Creates state, parser, configuration, main screen and messaging client, draws, and hands the
// screen and the idler to the event loop. Always 0; the arguments are not looked at.
int InitApplication(int aArgc, char** aArgv);

// Creates the client layer and record if missing; false when the layer could not be made.
bool ConnectNavigationServer();
// Destroys the client record and the layer; sends nothing.
void DisconnectNavigationServer();
