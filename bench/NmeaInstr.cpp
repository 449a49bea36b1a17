// Runs one measured loop of the benchmarks a given number of times over all recorded sentences,
// without the benchmark library's timing loop, for instruction counts under callgrind:
//
//   nmea_instr parse|handle|handle-off|assemble <repetitions>
//
// handle-off is loop (b) with decoding off: the log line and the total only, what every
// sentence costs whatever the setting.
//
// The loop is the function SplitAndParse, HandleAll or AssembleAll (--toggle-collect), or the
// difference of the totals of two runs with different repetitions (see bench/README.md).

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchWork.h"
#include "nmea/CaptureCycle.h"

int main(int aArgc, char** aArgv) {
    if (aArgc != 3) {
        std::fprintf(stderr, "usage: %s parse|handle|handle-off|assemble <repetitions>\n",
                     aArgv[0]);
        return 2;
    }
    const char* mode = aArgv[1];
    const int repetitions = std::atoi(aArgv[2]);
    const TBenchData data = LoadBenchData();
    TFieldList fields;
    std::string report;
    unsigned long result = 0;
    if (std::strcmp(mode, "parse") == 0) {
        for (int i = 0; i < repetitions; ++i) {
            result += SplitAndParse(data.iSentences, fields);
        }
    } else if (std::strcmp(mode, "handle") == 0 || std::strcmp(mode, "handle-off") == 0) {
        CCaptureState state;
        state.DecodeMode = std::strcmp(mode, "handle") == 0 ? DecodeOn : DecodeOff;
        state.LogFile = std::fopen("/dev/null", "w");
        for (int i = 0; i < repetitions; ++i) {
            HandleAll(data.iSentences, state, fields, report);
        }
        result = static_cast<unsigned long>(state.TotalCount);
    } else if (std::strcmp(mode, "assemble") == 0) {
        for (int i = 0; i < repetitions; ++i) {
            result += AssembleAll(data.iRecordings, KFeedReadLimit);
        }
    } else {
        std::fprintf(stderr, "unknown mode %s\n", mode);
        return 2;
    }
    std::printf("%s: %zu recordings, %zu bytes, %zu sentences, %d repetitions (result %lu)\n",
                data.iDirectory.c_str(), data.iRecordings.size(), data.iBytes,
                data.iSentences.size(), repetitions, result);
    return data.iSentences.empty() ? 1 : 0;
}
