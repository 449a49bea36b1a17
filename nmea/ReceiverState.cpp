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

// The text of field aIndex (f[0] is the address), up to the end of the sentence; null when the
// sentence ends or its checksum begins before it.
const char* FieldText(const std::string& aSentence, int aIndex) {
    int commas = 0;
    for (std::size_t i = 0; i < aSentence.size(); ++i) {
        const char c = aSentence[i];
        if (c == '*') {
            return nullptr;
        }
        if (c == ',' && ++commas == aIndex) {
            return aSentence.c_str() + i + 1;
        }
    }
    return nullptr;
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

// GGA f[6] fix quality, RMC f[2] and GLL f[6] status.
//   GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*59
//   GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*74
//   GNGLL,4916.45,N,12311.12,W,225444,A*2F
TReceiverStatus FixSaidBy(const std::string& aSentence) {
    const TSentenceType type = SentenceTypeOf(aSentence);
    if (type == TSentenceType::Gga) {
        const char* quality = FieldText(aSentence, 6);
        if (quality == nullptr) {
            return TReceiverStatus::Unknown;
        }
        return ReadInteger(quality) > 0 ? TReceiverStatus::Fix : TReceiverStatus::NoFix;
    }
    if (type != TSentenceType::Rmc && type != TSentenceType::Gll) {
        return TReceiverStatus::Unknown;
    }
    const char* status = FieldText(aSentence, type == TSentenceType::Rmc ? 2 : 6);
    if (status == nullptr || (status[0] != 'A' && status[0] != 'V') || !EndsField(status[1])) {
        return TReceiverStatus::Unknown;
    }
    return status[0] == 'A' ? TReceiverStatus::Fix : TReceiverStatus::NoFix;
}

}  // namespace

void CReceiverState::Start(std::int64_t aNowMs) {
    iHeardMs = aNowMs;
    iHeard = false;
    iSilent = false;
    iFix = TReceiverStatus::Unknown;
}

void CReceiverState::OnSentence(const std::string& aSentence) {
    // Once a pass has heard the receiver, the rest of its sentences need not be looked at again.
    if (!iHeard && LooksLikeSentence(aSentence)) {
        iHeard = true;
        iSilent = false;
    }
    const TReceiverStatus says = FixSaidBy(aSentence);
    // A sentence that repeats what is known changes nothing, whether its checksum is right or
    // not: only a change costs the checksum.
    if (says != TReceiverStatus::Unknown && says != iFix && ChecksumRight(aSentence)) {
        iFix = says;
    }
}

bool CReceiverState::Update(std::int64_t aNowMs, bool aFeedOpen) {
    const TReceiverStatus before = Status();
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
