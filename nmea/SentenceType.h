#pragma once

#include <cstddef>
#include <string>

// The six sentence types the engine parses, and every other sentence.
enum class TSentenceType { Gga, Gll, Gsa, Gsv, Vtg, Rmc, Other };

// The type of a sentence from its address field, which ends at the first ',' or '*' or at the
// end of aText (aText may be the whole sentence text or its first field): two upper-case
// letters naming the talker ("GP", "GN", "GL", ...), not beginning with 'P' (proprietary
// sentences such as PGRMC), then GGA, GLL, GSA, GSV, VTG or RMC. Anything else is Other.
TSentenceType SentenceTypeOf(const char* aText, std::size_t aLength);

inline TSentenceType SentenceTypeOf(const std::string& aText) {
    return SentenceTypeOf(aText.data(), aText.size());
}
