#include "BenchWork.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "nmea/CaptureCycle.h"
#include "tests/support/HostFiles.h"

namespace {

constexpr std::size_t KFeedRead = 200;  // what the capture cycle asks of one read

// "x.nmea.decoded" beside "x.nmea" is an output kept for comparison, not a recording.
bool IsBesideRecording(const std::string& aName, const std::vector<std::string>& aNames) {
    for (const std::string& other : aNames) {
        if (aName.size() > other.size() + 1 && aName.compare(0, other.size(), other) == 0 &&
            aName[other.size()] == '.') {
            return true;
        }
    }
    return false;
}

// A README.md or SOURCES.md describes the recordings.
bool IsNotes(const std::string& aName) {
    return aName.size() > 3 && aName.compare(aName.size() - 3, 3, ".md") == 0;
}

}  // namespace

TBenchData LoadBenchData() {
    TBenchData data;
    const char* directory = std::getenv("FIXTRAIL_BENCH_DATA");
    data.iDirectory = directory != nullptr && directory[0] != '\0' ? directory : FIXTRAIL_DATA_DIR;
    const std::vector<std::string> names = ListRegularFiles(data.iDirectory);
    for (const std::string& name : names) {
        std::string bytes;
        if (IsNotes(name) || IsBesideRecording(name, names) ||
            !ReadWholeFile(data.iDirectory + "/" + name, bytes)) {
            continue;
        }
        CNmeaParser parser;
        for (std::size_t offset = 0; offset < bytes.size(); offset += KFeedRead) {
            parser.Assemble(bytes.data() + offset, std::min(KFeedRead, bytes.size() - offset));
            std::string sentence;
            while (parser.NextSentence(sentence)) {
                data.iSentences.push_back(sentence);
            }
        }
        data.iBytes += bytes.size();
        data.iRecordings.push_back(std::move(bytes));
    }
    return data;
}

unsigned SplitAndParse(const std::vector<std::string>& aSentences, TFieldList& aFields) {
    unsigned valid = 0;
    for (const std::string& sentence : aSentences) {
        CNmeaParser::SplitFields(sentence, aFields);
        const std::string& type = aFields[0];
        if (type == "GPGGA") {
            valid += CNmeaParser::ParseGga(aFields, true).iValid;
        } else if (type == "GPGLL") {
            valid += CNmeaParser::ParseGll(aFields).iValid;
        } else if (type == "GPGSA") {
            valid += CNmeaParser::ParseGsa(aFields).iValid;
        } else if (type == "GPGSV") {
            valid += CNmeaParser::ParseGsv(aFields).iValid;
        } else if (type == "GPVTG") {
            valid += CNmeaParser::ParseVtg(aFields).iValid;
        } else if (type == "GPRMC") {
            valid += CNmeaParser::ParseRmc(aFields, true).iValid;
        } else {
            valid += static_cast<unsigned>(aFields.size());
        }
    }
    return valid;
}

void HandleAll(const std::vector<std::string>& aSentences, CCaptureState& aState,
               TFieldList& aFields, std::string& aReport) {
    for (const std::string& sentence : aSentences) {
        HandleSentence(aState, sentence, aFields, aReport);
    }
}

std::size_t AssembleAll(const std::vector<std::string>& aRecordings, std::size_t aReadSize) {
    std::size_t sentences = 0;
    std::string sentence;
    for (const std::string& bytes : aRecordings) {
        CNmeaParser parser;  // each recording is a feed of its own
        for (std::size_t offset = 0; offset < bytes.size(); offset += aReadSize) {
            parser.Assemble(bytes.data() + offset, std::min(aReadSize, bytes.size() - offset));
            while (parser.NextSentence(sentence)) {
                ++sentences;
            }
        }
    }
    return sentences;
}
