#include "nmea/SentenceType.h"

#include <cstdint>

namespace {

constexpr std::size_t KAddressLength = 5;  // talker (2) + type (3)

constexpr std::uint32_t Key(char aFirst, char aSecond, char aThird) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(aFirst)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(aSecond)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(aThird));
}

}  // namespace

TSentenceType SentenceTypeOf(const char* aText, std::size_t aLength) {
    if (aLength < KAddressLength || !EndsAddress(aText, aLength)) {
        return TSentenceType::Other;
    }
    // The three letters first: most sentences are told apart by them alone.
    TSentenceType type = TSentenceType::Other;
    switch (Key(aText[2], aText[3], aText[4])) {
        case Key('G', 'G', 'A'):
            type = TSentenceType::Gga;
            break;
        case Key('G', 'L', 'L'):
            type = TSentenceType::Gll;
            break;
        case Key('G', 'S', 'A'):
            type = TSentenceType::Gsa;
            break;
        case Key('G', 'S', 'V'):
            type = TSentenceType::Gsv;
            break;
        case Key('V', 'T', 'G'):
            type = TSentenceType::Vtg;
            break;
        case Key('R', 'M', 'C'):
            type = TSentenceType::Rmc;
            break;
        default:
            return TSentenceType::Other;
    }
    // "P" opens a maker's own sentence (PGRMC is Garmin's, not an RMC).
    return IsTalker(aText) ? type : TSentenceType::Other;
}
