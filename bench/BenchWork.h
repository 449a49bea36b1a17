#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"

// Recorded feeds and the sentences cut from them, loaded once for the benchmarks and for the
// instruction counter, which share the measured loops below so that both measure the same code.
struct TBenchData {
    std::string iDirectory;
    std::vector<std::string> iRecordings;  // the raw bytes of each recording
    std::vector<std::string> iSentences;   // every sentence of every recording, in feed order
    std::size_t iBytes = 0;
};

// The recordings of $FIXTRAIL_BENCH_DATA, or of the data directory of the source tree: every
// file but hidden ones, notes (*.md) and the outputs kept beside a recording ("x.nmea.raw"
// beside "x.nmea"). Sentences are cut as the capture cycle cuts them, in reads of 200 bytes.
TBenchData LoadBenchData();

// (a) SplitFields into a reused list, then the parser of the six known types; the others are
// only split. Returns a value that depends on every record, so none can be optimised away.
unsigned SplitAndParse(const std::vector<std::string>& aSentences, TFieldList& aFields);

// (b) The capture cycle's handling of each sentence with decoding on: log line, report, counts.
void HandleAll(const std::vector<std::string>& aSentences, CCaptureState& aState,
               TFieldList& aFields, std::string& aReport);

// (c) Assembly of each recording in reads of aReadSize bytes, the queue drained after each
// read. Returns the number of sentences cut.
std::size_t AssembleAll(const std::vector<std::string>& aRecordings, std::size_t aReadSize);
