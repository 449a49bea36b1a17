// CExampleHandler: a message brings a hidden application back and has the screen redrawn,
// whatever the message holds.

#include <gtest/gtest.h>

#include "app/CommandHandler.h"
#include "nmea/CaptureState.h"

namespace {

class CCountingEvents : public CExampleHandler::MExampleHandlerEvents {
  public:
    void RedrawAll() override { ++iRedraws; }
    int iRedraws = 0;
};

TEST(ExampleHandler, ShowsAHiddenRunAgainAndRedrawsInEveryState) {
    struct TCase {
        const char* iLegend;
        TRunState iBefore;
        TRunState iAfter;
    };
    const TCase cases[] = {
        {"hidden comes back", RunningHidden, Running},
        {"running stays running", Running, Running},
        {"stopped stays stopped", Stopped, Stopped},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CCaptureState state;
        state.RunState = test.iBefore;
        CCountingEvents events;
        CExampleHandler handler;
        handler.SetCaptureState(&state);
        handler.SetEvents(&events);
        MCommandHandlerInterface& asInterface = handler;
        asInterface.HandleCommand(nullptr, nullptr);
        EXPECT_EQ(state.RunState, test.iAfter);
        EXPECT_EQ(events.iRedraws, 1);
    }
}

TEST(ExampleHandler, ChangesNothingBeforeItIsWired) {
    CExampleHandler handler;
    handler.HandleCommand(nullptr, nullptr);  // must not crash

    CCaptureState state;
    state.RunState = RunningHidden;
    handler.SetCaptureState(&state);
    handler.HandleCommand(nullptr, nullptr);
    EXPECT_EQ(state.RunState, Running);
}

}  // namespace
