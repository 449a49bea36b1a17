#include "nmea/ReceiverState.h"

#include <cstddef>
#include <cstdint>

#include "nmea/FieldNumbers.h"
#include "nmea/NmeaParser.h"
#include "nmea/SentenceType.h"

namespace {

// A receiver's sentence opens with an address of upper-case letters and digits ("GPGGA",
// "PGRME", "PUBX"); what a wrong baud rate cuts out of noise between a '$' and a line end
// almost never does.
constexpr std::size_t KMinAddress = 4;

bool LooksLikeSentence(const std::string& aSentence) {
    std::size_t i = 0;
    for (; i < aSentence.size(); ++i) {
        const char c = aSentence[i];
        if (c == ',' || c == '*') {
            break;
        }
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return i >= KMinAddress;
}

// The text of field aIndex of aText (its field 0 being the text up to the first ','), up to
// the end of the sentence; null when the sentence ends or its checksum begins before it. The
// terminating NUL of the text ends the walk (so does a NUL inside it, which no receiver sends).
const char* FieldText(const char* aText, int aIndex) {
    const char* p = aText;
    for (;;) {
        // Digits, letters, '.' and '-' lie above ',', '*' and NUL: one compare for most of them.
        unsigned char c;
        do {
            c = static_cast<unsigned char>(*p++);
        } while (c > ',');
        if (c == ',') {
            if (--aIndex == 0) {
                return p;
            }
        } else if (c == '*' || c == '\0') {
            return nullptr;
        }
    }
}

bool EndsField(char aChar) {
    return aChar == ',' || aChar == '*' || aChar == '\0';
}

// The XOR of the characters before the first '*' against the two upper-case hex digits after
// it; a sentence without '*' has nothing to check.
bool ChecksumRight(const std::string& aSentence) {
    const std::size_t star = aSentence.find('*');
    if (star == std::string::npos) {
        return true;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < star; ++i) {
        sum ^= static_cast<std::uint8_t>(aSentence[i]);
    }
    return CNmeaParser::VerifyChecksum(sum, aSentence.substr(star + 1, 2));
}

// GGA f[6] fix quality, RMC f[2] and GLL f[6] status, of a sentence whose type letters
// MayTellFix has seen.
//   GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*59
//   GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*74
//   GNGLL,4916.45,N,12311.12,W,225444,A*2F
TReceiverStatus FixSaidBy(const std::string& aSentence) {
    const char* text = aSentence.c_str();
    if (!IsTalker(text) || !EndsAddress(text, aSentence.size())) {
        return TReceiverStatus::Unknown;
    }
    // The fields after the address, which ends with ',' or '*' or the sentence.
    const bool gga = text[3] == 'G';
    const char* value = text[5] == ',' ? FieldText(text + 6, text[2] == 'R' ? 1 : 5) : nullptr;
    if (value == nullptr) {
        return TReceiverStatus::Unknown;
    }
    if (gga) {
        return ReadInteger(value) > 0 ? TReceiverStatus::Fix : TReceiverStatus::NoFix;
    }
    if ((value[0] != 'A' && value[0] != 'V') || !EndsField(value[1])) {
        return TReceiverStatus::Unknown;
    }
    return value[0] == 'A' ? TReceiverStatus::Fix : TReceiverStatus::NoFix;
}

}  // namespace

void CReceiverState::Start(std::int64_t aNowMs) {
    iHeardMs = aNowMs;
    iHeard = false;
    iSilent = false;
    iFix = TReceiverStatus::Unknown;
}

void CReceiverState::Hear(const std::string& aSentence) {
    // Once a pass has heard the receiver, the rest of its sentences need not be looked at again.
    if (LooksLikeSentence(aSentence)) {
        iHeard = true;
        iSilent = false;
    }
}

void CReceiverState::ReadFix(const std::string& aSentence) {
    const TReceiverStatus says = FixSaidBy(aSentence);
    // A sentence that repeats what is known changes nothing, whether its checksum is right or
    // not: only a change costs the checksum.
    if (says != TReceiverStatus::Unknown && says != iFix && ChecksumRight(aSentence)) {
        iFix = says;
    }
}

bool CReceiverState::Update(std::int64_t aNowMs, bool aFeedOpen) {
    const TReceiverStatus before = Status();
    if (!aFeedOpen) {
        iFix = TReceiverStatus::Unknown;  // the receiver behind a lost feed may not be the next
    }
    if (iHeard || !aFeedOpen) {
        iHeardMs = aNowMs;
        iHeard = false;
        iSilent = false;
    } else if (!iSilent && aNowMs - iHeardMs >= KSilenceMs) {
        // What a receiver said before it fell silent is no longer what it says.
        iSilent = true;
        iFix = TReceiverStatus::Unknown;
    }
    return Status() != before;
}

const char* CReceiverState::StatusText() const {
    switch (Status()) {
        case TReceiverStatus::NoData:
            return "Running: no data";
        case TReceiverStatus::NoFix:
            return "Running: no fix";
        case TReceiverStatus::Fix:
            return "Running: fix";
        case TReceiverStatus::Unknown:
            break;
    }
    return "Running";
}
