#pragma once

// The receiver recordings bundled in data/, each with its expected logs beside it
// (<name>.decoded, <name>.raw, <name>.counts; scripts/regenerate-golden.sh rebuilds them).

#include <string>

// data/ of the source tree, ending in '/'.
inline const std::string KDataDirectory = std::string(FIXTRAIL_SOURCE_DIR) + "/data/";

// Every recording, each for what it brings that the others do not.
inline const char* const KRecordings[] = {
    "marineapi_Garmin-GPS76.txt",          // CR only, no line feed at all
    "marineapi_Navibe-GM720.txt",          // banner, sentence cut off by the next '$'
    "gpsbabel_track_nmea+ms.txt",          // CR LF, all six types
    "nmeaparser_TrimbleR2SampleData.txt",  // LF, long sentences, GN talkers, invalid GSV
    "pynmeagps_pygpsdata-nmea4.log",       // a 422-character sentence
    "marineapi_Garmin-GPS15H-nofix.txt",   // LF, a receiver before its first fix
};
