// Runs ServeMessages over a run directory that holds nothing addressed to the application, the
// case of nearly every idle pass, for instruction counts under callgrind:
//
//   messages_instr <unrelated files> <passes>
//
//   valgrind --tool=callgrind --toggle-collect='*ServePasses*' bin/messages_instr 100 1000
//
// and divide "Collected" by the passes.
//
// The directory is made under /dev/shm (else $TMPDIR or /tmp) as a private FIXTRAIL_ROOT and
// removed at the end. Its files are a mix of what other processes leave there: plain files, and
// message pairs between two other processes, whose markers get as far as the receiver comparison.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Application.h"
#include "app/CommandHandler.h"
#include "app/VelmorFileLayer.h"
#include "platform/DevicePath.h"
#include "tests/support/TempDirectory.h"

namespace {

class CCountingHandler : public MCommandHandlerInterface {
  public:
    void HandleCommand(MVelmorCommunicationLayerInterface*, MVelmorSession*) override { ++iCalls; }
    int iCalls = 0;
};

// The measured loop, kept out of line so that callgrind can collect exactly it.
__attribute__((noinline)) int ServePasses(int aPasses) {
    CCountingHandler handler;
    for (int i = 0; i < aPasses; ++i) {
        ServeMessages(KApplicationName, &handler);
    }
    return handler.iCalls;
}

std::string UnrelatedName(int aIndex) {
    const std::string number = std::to_string(aIndex);
    switch (aIndex % 3) {
        case 0:
            return "daemon" + number + ".pid";
        case 1:
            return "client.VelmorNavigationServer.812." + number + ".message";
        default:
            return "client.VelmorNavigationServer.812." + number + ".finished";
    }
}

}  // namespace

int main(int aArgc, char** aArgv) {
    if (aArgc != 3) {
        std::fprintf(stderr, "usage: %s <unrelated files> <passes>\n", aArgv[0]);
        return 2;
    }
    const int files = std::atoi(aArgv[1]);
    const int passes = std::atoi(aArgv[2]);
    const std::string root = MakeTempDirectory("bench-messages", true);
    if (root.empty()) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string run = root + KRunTimeDirectory;
    (void)mkdir((root + "/var").c_str(), 0700);
    (void)mkdir(run.c_str(), 0700);
    for (int i = 0; i < files; ++i) {
        if (std::FILE* file = std::fopen((run + UnrelatedName(i)).c_str(), "wb")) {
            std::fputs("x|", file);
            std::fclose(file);
        }
    }
    setenv(KDeviceRootVariable, root.c_str(), 1);
    const int handled = ServePasses(passes);
    std::printf("%d unrelated files, %d passes, %d messages handled\n", files, passes, handled);
    RemoveTree(root);
    return handled == 0 ? 0 : 1;
}
