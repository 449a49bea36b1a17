// The redraws of widget_bench without the benchmark library's timing loop, for instruction
// counts under callgrind:
//
//   widget_instr full|label <repetitions>
//
//   valgrind --tool=callgrind --toggle-collect='*RedrawScreen*' bin/widget_instr full 100
//   valgrind --tool=callgrind --toggle-collect='*RedrawLabel*' bin/widget_instr label 100
//
// and divide "Collected" by the repetitions. The skin root is FIXTRAIL_SKIN_ROOT, else the
// build's skin-root beside bin/.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "WidgetBenchWork.h"

int main(int aArgc, char** aArgv) {
    if (aArgc != 3) {
        std::fprintf(stderr, "usage: %s full|label <repetitions>\n", aArgv[0]);
        return 2;
    }
    const char* mode = aArgv[1];
    const int repetitions = std::atoi(aArgv[2]);
    TBenchUi ui;
    if (const char* problem = ui.Problem()) {
        std::fprintf(stderr, "%s\n", problem);
        return 1;
    }
    if (std::strcmp(mode, "full") == 0) {
        RedrawScreen(ui, repetitions);
    } else if (std::strcmp(mode, "label") == 0) {
        RedrawLabel(ui, repetitions);
    } else {
        std::fprintf(stderr, "unknown mode %s\n", mode);
        return 2;
    }
    std::printf("%s: %d widgets, %d repetitions\n", mode, ui.iUi->ChildCount(), repetitions);
    return 0;
}
