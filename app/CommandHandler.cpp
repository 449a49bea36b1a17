#include "app/CommandHandler.h"

#include "nmea/CaptureState.h"

void CExampleHandler::HandleCommand(MVelmorCommunicationLayerInterface*, MVelmorSession*) {
    ComeBack();
}

void CExampleHandler::ComeBack() {
    // Hidden means captured but not shown: coming back shows it again. A stopped or visible
    // application only redraws.
    if (iState != nullptr && iState->RunState == RunningHidden) {
        iState->RunState = Running;
    }
    if (iEvents != nullptr) {
        iEvents->RedrawAll();
    }
}
