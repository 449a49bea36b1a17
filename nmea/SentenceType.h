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

// The two parts of that rule besides the type's letters, for callers that look at the letters
// themselves. IsTalker: aText[0] and aText[1] are upper-case letters, the first not 'P'.
// EndsAddress: the address ends after its fifth character (aText holds aLength >= 5).
inline bool IsTalker(const char* aText) {
    return aText[0] >= 'A' && aText[0] <= 'Z' && aText[0] != 'P' && aText[1] >= 'A' &&
           aText[1] <= 'Z';
}
inline bool EndsAddress(const char* aText, std::size_t aLength) {
    return aLength == 5 || aText[5] == ',' || aText[5] == '*';
}

inline TSentenceType SentenceTypeOf(const std::string& aText) {
    return SentenceTypeOf(aText.data(), aText.size());
}
