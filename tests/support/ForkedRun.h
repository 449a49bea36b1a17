#pragma once

// Runs test code in a forked child process. The display-owner word, the frame-buffer,
// virtual-screen and input-reader accessors and the model number are each set up once per
// process and take FIXTRAIL_ROOT at first use, so a test that needs them fresh (or needs two
// processes) runs its body in a child of its own.
//
// In the child, gtest expectations are collected rather than reported; any failure is printed
// to standard error and ends the child with KChildFailed. Its standard output is captured for
// the parent, so tests can compare the exact lines the code under test prints.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

constexpr int KChildFailed = 99;               // a gtest expectation failed in the child
constexpr unsigned KChildTimeoutSeconds = 20;  // a hung child is ended by SIGALRM

// Exit status of the child (0 to 255), 128 + signal number when a signal ended it, -1 when it
// could not be started.
class CChildProcess {
  public:
    explicit CChildProcess(std::function<int()> aBody,
                           unsigned aTimeoutSeconds = KChildTimeoutSeconds) {
        int output[2];
        if (::pipe(output) != 0) {
            return;
        }
        // Whatever the parent has buffered must not be written a second time by the child.
        std::fflush(nullptr);
        iPid = ::fork();
        if (iPid == 0) {
            ::close(output[0]);
            (void)::dup2(output[1], STDOUT_FILENO);
            ::close(output[1]);
            ::alarm(aTimeoutSeconds);
            const int status = RunBody(aBody);
            std::fflush(nullptr);
            ::_exit(status);  // no exit handlers: the parent's objects are not the child's
        }
        ::close(output[1]);
        if (iPid < 0) {
            ::close(output[0]);
            return;
        }
        iOutputDescriptor = output[0];
    }
    ~CChildProcess() { (void)Wait(); }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    pid_t Pid() const { return iPid; }

    // Reads the child's output to its end and waits for it; later calls return the same status.
    int Wait() {
        if (iPid <= 0) {
            return iStatus;
        }
        char chunk[512];
        ssize_t count;
        while ((count = ::read(iOutputDescriptor, chunk, sizeof chunk)) != 0) {
            if (count > 0) {
                iOutput.append(chunk, static_cast<std::size_t>(count));
            } else if (errno != EINTR) {
                break;
            }
        }
        ::close(iOutputDescriptor);
        int raw = 0;
        while (::waitpid(iPid, &raw, 0) < 0 && errno == EINTR) {
        }
        iPid = 0;
        if (WIFEXITED(raw)) {
            iStatus = WEXITSTATUS(raw);
        } else if (WIFSIGNALED(raw)) {
            iStatus = 128 + WTERMSIG(raw);
        }
        return iStatus;
    }

    // Everything the child wrote to standard output; complete once Wait has returned.
    const std::string& Output() const { return iOutput; }

  private:
    static int RunBody(const std::function<int()>& aBody) {
        ::testing::TestPartResultArray results;
        int status;
        {
            ::testing::ScopedFakeTestPartResultReporter reporter(&results);
            status = aBody();
        }
        int failures = 0;
        for (int i = 0; i < results.size(); ++i) {
            const ::testing::TestPartResult& result = results.GetTestPartResult(i);
            if (result.failed()) {
                ++failures;
                std::fprintf(stderr, "%s:%d: failure in child process %d\n%s\n",
                             result.file_name() != nullptr ? result.file_name() : "?",
                             result.line_number(), static_cast<int>(::getpid()), result.message());
            }
        }
        return failures > 0 ? KChildFailed : status;
    }

    pid_t iPid = -1;
    int iOutputDescriptor = -1;
    int iStatus = -1;
    std::string iOutput;
};

// Runs aBody in a child and returns its exit status (see CChildProcess); output is dropped.
inline int RunInChild(std::function<int()> aBody, unsigned aTimeoutSeconds = KChildTimeoutSeconds) {
    CChildProcess child(std::move(aBody), aTimeoutSeconds);
    return child.Wait();
}

// Holds children back until the parent opens it, so that they start their work at one moment.
// Create it before forking; each child calls Wait, the parent calls Open.
class CStartGate {
  public:
    CStartGate() {
        if (::pipe(iPipe) != 0) {
            iPipe[0] = iPipe[1] = -1;
        }
    }
    ~CStartGate() {
        Close(iPipe[0]);
        Close(iPipe[1]);
    }
    CStartGate(const CStartGate&) = delete;
    CStartGate& operator=(const CStartGate&) = delete;

    // In a child: blocks until the parent opens the gate (every writer gone: end of file).
    void Wait() {
        Close(iPipe[1]);
        char byte;
        while (::read(iPipe[0], &byte, 1) < 0 && errno == EINTR) {
        }
    }
    // In the parent: releases every waiting child at once.
    void Open() { Close(iPipe[1]); }

  private:
    static void Close(int& aDescriptor) {
        if (aDescriptor >= 0) {
            ::close(aDescriptor);
            aDescriptor = -1;
        }
    }
    int iPipe[2];
};
