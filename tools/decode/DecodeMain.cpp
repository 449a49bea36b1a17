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

#include "Version.h"
#include "nmea/CaptureCycle.h"

namespace {

void PrintUsage() {
    (void)std::fprintf(stderr, "usage: fixtrail-decode [--raw] [--counts] [FILE|-]\n");
}

// Also the source of the manual page (help2man), hence the sections.
void PrintHelp() {
    std::printf(
        "usage: fixtrail-decode [--raw] [--counts] [FILE|-]\n"
        "\n"
        "Turns a raw NMEA recording (a GPS feed capture, or a log copied off the card) into the\n"
        "log a fixtrail capture run would have written from it, on standard output: every\n"
        "sentence, each followed by its decoded report. FILE defaults to standard input.\n"
        "\n"
        "Options:\n"
        "  --raw        decoding off: the sentences only\n"
        "  --counts     print the frame counters as one line on standard error\n"
        "  --help       show this help and exit\n"
        "  --version    show the version and exit\n"
        "\n"
        "Exit status: 0 on success, 1 when FILE cannot be read, 2 on a usage error.\n");
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
            PrintHelp();
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("fixtrail-decode " FIXTRAIL_VERSION "\n");
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
    bool writeFailed = false;
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
        state.FlushLog(false);
        writeFailed = writeFailed || state.LogWriteFailed();
    }
    // A recording may end on a complete sentence without its line end.
    parser.FinishInput();
    HandleQueuedSentences(state, parser, nullptr);
    state.FlushLog(false);
    writeFailed = writeFailed || state.LogWriteFailed();
    // Output that could not be written is a failure, not a short decoding.
    if (writeFailed || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        (void)std::fprintf(stderr, "fixtrail-decode: cannot write the output\n");
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
