// fixtrail-decode [--raw] [--counts] [FILE|-]
//
// Turns a raw NMEA recording (a feed capture, or a log copied off the card) into the log that
// a capture run would have written from it: the engine gets the bytes in reads of at most 200
// bytes, as the capture cycle does, and handles every sentence with decoding on (--raw: off).

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "nmea/CaptureCycle.h"

namespace {

void PrintUsage() {
    (void)std::fprintf(stderr, "usage: fixtrail-decode [--raw] [--counts] [FILE|-]\n");
}

}  // namespace

int main(int argc, char** argv) {
    bool raw = false;
    bool counts = false;
    const char* input = "-";
    bool inputGiven = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0) {
            raw = true;
        } else if (std::strcmp(argv[i], "--counts") == 0) {
            counts = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            PrintUsage();
            return 0;
        } else if (!inputGiven && (argv[i][0] != '-' || std::strcmp(argv[i], "-") == 0)) {
            input = argv[i];
            inputGiven = true;
        } else {
            PrintUsage();
            return 2;
        }
    }

    const bool fromStdin = std::strcmp(input, "-") == 0;
    const int descriptor = fromStdin ? STDIN_FILENO : ::open(input, O_RDONLY);
    if (descriptor < 0) {
        (void)std::fprintf(stderr, "fixtrail-decode: cannot read %s: %s\n", input,
                           std::strerror(errno));
        return 1;
    }

    CCaptureState state;
    CNmeaParser parser;
    state.DecodeMode = raw ? DecodeOff : DecodeOn;
    state.LogFile = stdout;

    char chunk[KFeedReadLimit];
    int status = 0;
    for (;;) {
        const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            (void)std::fprintf(stderr, "fixtrail-decode: cannot read %s: %s\n", input,
                               std::strerror(errno));
            status = 1;
            break;
        }
        if (count == 0) {
            break;
        }
        parser.Assemble(chunk, static_cast<std::size_t>(count));
        HandleQueuedSentences(state, parser, nullptr);
    }
    // Output that could not be written is a failure, not a short decoding.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        (void)std::fprintf(stderr, "fixtrail-decode: cannot write the output: %s\n",
                           std::strerror(errno));
        status = 1;
    }
    state.LogFile = nullptr;  // standard output is not the state's to close
    if (!fromStdin) {
        ::close(descriptor);
    }

    if (counts) {
        (void)std::fprintf(stderr, "total=%d GGA=%d GLL=%d GSA=%d GSV=%d VTG=%d RMC=%d other=%d\n",
                           state.TotalCount, state.GgaCount, state.GllCount, state.GsaCount,
                           state.GsvCount, state.VtgCount, state.RmcCount, state.OtherCount);
    }
    return status;
}
