#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/HostFiles.h"
#include "support/TempDirectory.h"

extern char** environ;

// The command that runs the target program aProgram (a path) with aArguments: under the
// emulator that runs the tests in a cross build ("qemu-arm -cpu cortex-a8": words and spaces).
inline std::vector<std::string> TargetCommand(const std::string& aProgram,
                                              const std::vector<std::string>& aArguments) {
    std::vector<std::string> words;
#ifdef FIXTRAIL_TOOL_EMULATOR
    const std::string emulator = FIXTRAIL_TOOL_EMULATOR;
    for (std::size_t start = 0; start <= emulator.size();) {
        std::size_t end = emulator.find(' ', start);
        end = end == std::string::npos ? emulator.size() : end;
        words.push_back(emulator.substr(start, end - start));
        start = end + 1;
    }
    // The kernel-floor check reads the application's system calls, a trace for each process.
    const char* traces = std::getenv("FIXTRAIL_SYSCALL_TRACES");
    const std::size_t slash = aProgram.rfind('/');
    const std::string name = slash == std::string::npos ? aProgram : aProgram.substr(slash + 1);
    if (traces != nullptr && *traces != '\0' && name == "fixtrail") {
        words.insert(words.end(), {"-d", "strace", "-D", std::string(traces) + "/fixtrail.%d.log"});
    }
#endif
    words.push_back(aProgram);
    words.insert(words.end(), aArguments.begin(), aArguments.end());
    return words;
}

// The command that runs the program aTool of bin/ with aArguments: under the emulator in a
// cross build, since the programs are target programs too.
inline std::vector<std::string> ToolCommand(const std::string& aTool,
                                            const std::vector<std::string>& aArguments) {
    return TargetCommand(std::string(FIXTRAIL_BIN_DIR) + "/" + aTool, aArguments);
}

// Starts the command aWords (its program looked up in PATH) with aActions on its descriptors:
// its pid, or -1.
inline pid_t SpawnCommand(std::vector<std::string> aWords,
                          const posix_spawn_file_actions_t* aActions) {
    std::vector<char*> argv;
    for (std::string& word : aWords) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], aActions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    return pid;
}

// Starts aTool of bin/ with aActions on its descriptors: its pid, or -1. User-mode emulation
// runs the program in the emulator's own process, so the pid is the program's in a cross build
// too.
inline pid_t SpawnTool(const std::string& aTool, const std::vector<std::string>& aArguments,
                       const posix_spawn_file_actions_t* aActions) {
    return SpawnCommand(ToolCommand(aTool, aArguments), aActions);
}

// Starts the command aWords in the background with its standard output discarded.
inline pid_t SpawnQuietCommand(const std::vector<std::string>& aWords) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const pid_t pid = SpawnCommand(aWords, &actions);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Starts aTool of bin/ in the background with its standard output discarded.
inline pid_t SpawnQuietTool(const std::string& aTool, const std::vector<std::string>& aArguments) {
    return SpawnQuietCommand(ToolCommand(aTool, aArguments));
}

// A program of bin/ run as a user runs it: a real child process, standard input from a file,
// standard output and error collected in files (a pipe could fill up while the test waits).
// In a cross build the emulator that runs the tests runs the program too.
class CToolRun {
  public:
    CToolRun(const std::string& aTool, const std::vector<std::string>& aArguments,
             const std::string& aStdin = "/dev/null")
        : CToolRun(ToolCommand(aTool, aArguments), aStdin) {}
    // Any command: its program is looked up in PATH and run as it is.
    explicit CToolRun(const std::vector<std::string>& aCommand,
                      const std::string& aStdin = "/dev/null") {
        iScratch = MakeTempDirectory("tool");
        if (iScratch.empty()) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, aStdin.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, OutPath().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, ErrPath().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        iPid = SpawnCommand(aCommand, &actions);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CToolRun() {
        Finish();
        RemoveTree(iScratch);
    }
    CToolRun(const CToolRun&) = delete;
    CToolRun& operator=(const CToolRun&) = delete;

    // Waits for the program: its exit status, -1 when it could not run or was killed.
    int Finish() {
        if (iPid > 0) {
            int status = 0;
            while (::waitpid(iPid, &status, 0) < 0 && errno == EINTR) {
            }
            iStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            iPid = -1;
            iOut = ReadWholeFile(OutPath());
            iErr = ReadWholeFile(ErrPath());
        }
        return iStatus;
    }
    const std::string& Out() const { return iOut; }
    const std::string& Err() const { return iErr; }

  private:
    std::string OutPath() const { return iScratch + "/out"; }
    std::string ErrPath() const { return iScratch + "/err"; }

    std::string iScratch;
    pid_t iPid = -1;
    int iStatus = -1;
    std::string iOut;
    std::string iErr;
};

struct TToolRun {
    int iStatus = -1;
    std::string iOut;
    std::string iErr;
};

// Runs the program to its end.
inline TToolRun RunTool(const std::string& aTool, const std::vector<std::string>& aArguments,
                        const std::string& aStdin = "/dev/null") {
    CToolRun run(aTool, aArguments, aStdin);
    TToolRun result;
    result.iStatus = run.Finish();
    result.iOut = run.Out();
    result.iErr = run.Err();
    return result;
}

// Runs the command aCommand (its program looked up in PATH) to its end.
inline TToolRun RunCommand(const std::vector<std::string>& aCommand,
                           const std::string& aStdin = "/dev/null") {
    CToolRun run(aCommand, aStdin);
    TToolRun result;
    result.iStatus = run.Finish();
    result.iOut = run.Out();
    result.iErr = run.Err();
    return result;
}
