// One sentence text through field splitting, the checksum, the talker rule, all six parsers
// and their reports, and the receiver state.
//
// Checked: both forms of SplitFields agree; the fields and their separators spell the
// sentence; every report ends with the validity line of its record; a record valid with the
// checksum checked is valid without; appending a report equals building it anew; the field
// list reads as printf would write it. The type of the sentence is that of its first field, and
// a record is named after that field exactly when it is of the record's type. What the
// receiver state reads from a GGA, RMC or GLL is what the record holds.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "nmea/NmeaParser.h"
#include "nmea/ReceiverState.h"
#include "nmea/SentenceType.h"

namespace {

const std::string KValidLine = "Frame Validity       : valid\n";
const std::string KInvalidLine = "Frame Validity       : invalid\n";

bool EndsWith(const std::string& aText, const std::string& aEnd) {
    return aText.size() >= aEnd.size() &&
           aText.compare(aText.size() - aEnd.size(), aEnd.size(), aEnd) == 0;
}

template <typename TFrame>
void CheckReport(const TFrame& aFrame, const std::string& aReport) {
    Check(EndsWith(aReport, aFrame.iValid ? KValidLine : KInvalidLine));
    std::string appended = "x";
    CNmeaParser::AppendReport(appended, aFrame);
    Check(appended.compare(1, std::string::npos, aReport) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    const std::string sentence(reinterpret_cast<const char*>(aData), aSize);
    const TFieldList fields = CNmeaParser::SplitFields(sentence);
    TFieldList reused = {"stale", "fields"};
    CNmeaParser::SplitFields(sentence, reused);
    Check(reused == fields && !fields.empty());
    // The fields and their separators spell the sentence; only a field of the maximum length
    // may leave a rest unsplit.
    std::size_t at = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        Check(field.size() <= CNmeaParser::KMaxField &&
              field.find_first_of(",*") == std::string::npos);
        Check(sentence.compare(at, field.size(), field) == 0);
        at += field.size();
        if (i + 1 < fields.size()) {
            Check(at < sentence.size() && (sentence[at] == ',' || sentence[at] == '*'));
            ++at;
        }
    }
    Check(at == sentence.size() || fields.back().size() == CNmeaParser::KMaxField);
    const std::uint8_t checksum = CNmeaParser::ComputeChecksum(fields);
    Check(CNmeaParser::VerifyChecksum(checksum, fields.back()) ==
          CNmeaParser::VerifyChecksum(checksum, fields.back().substr(0, 2)));

    const TSentenceType type = SentenceTypeOf(sentence);
    Check(type == SentenceTypeOf(fields[0]));
    Check(type == TSentenceType::Other ||
          (fields[0].size() == 5 && fields[0][0] >= 'A' && fields[0][0] <= 'Z' &&
           fields[0][0] != 'P' && fields[0][1] >= 'A' && fields[0][1] <= 'Z'));

    const CGgaFrame ggaChecked = CNmeaParser::ParseGga(fields, true);
    const CGgaFrame gga = CNmeaParser::ParseGga(fields, false);
    const CRmcFrame rmcChecked = CNmeaParser::ParseRmc(fields, true);
    const CRmcFrame rmc = CNmeaParser::ParseRmc(fields, false);
    Check(!ggaChecked.iValid || gga.iValid);
    Check(!rmcChecked.iValid || rmc.iValid);
    CheckReport(ggaChecked, CNmeaParser::DecodeGga(ggaChecked));
    CheckReport(gga, CNmeaParser::DecodeGga(gga));
    CheckReport(rmcChecked, CNmeaParser::DecodeRmc(rmcChecked));
    CheckReport(rmc, CNmeaParser::DecodeRmc(rmc));
    const CGsvFrame gsv = CNmeaParser::ParseGsv(fields);
    CheckReport(gsv, CNmeaParser::DecodeGsv(gsv));
    const CGsaFrame gsa = CNmeaParser::ParseGsa(fields);
    CheckReport(gsa, CNmeaParser::DecodeGsa(gsa));
    const CVtgFrame vtg = CNmeaParser::ParseVtg(fields);
    CheckReport(vtg, CNmeaParser::DecodeVtg(vtg));
    const CGllFrame gll = CNmeaParser::ParseGll(fields);
    CheckReport(gll, CNmeaParser::DecodeGll(gll));

    Check(gga.iName == (type == TSentenceType::Gga ? fields[0] : CGgaFrame().iName));
    Check(gsv.iName == (type == TSentenceType::Gsv ? fields[0] : CGsvFrame().iName));

    // Only GGA, RMC and GLL tell the fix, and they tell what their record holds (where no
    // field was cut short, the record's fields are the receiver's; a NUL, which assembly never
    // lets into a sentence, ends what the receiver state reads).
    CReceiverState receiver;
    receiver.Start(0);
    receiver.OnSentence(sentence);
    const TReceiverStatus status = receiver.Status();
    Check(status == TReceiverStatus::Unknown || type == TSentenceType::Gga ||
          type == TSentenceType::Rmc || type == TSentenceType::Gll);
    const bool fix = status == TReceiverStatus::Fix;
    if (status != TReceiverStatus::Unknown && at == sentence.size() &&
        sentence.find('\0') == std::string::npos) {
        Check(type != TSentenceType::Gga || (gga.iFixQuality > 0) == fix);
        Check(type != TSentenceType::Rmc || rmc.iStatus == (fix ? "A" : "V"));
        Check(type != TSentenceType::Gll || gll.iStatus == (fix ? "A" : "V"));
    }

    // One "Field #%2d : %s\n" line per field, as printf writes it.
    std::string expected;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        char label[32];
        std::snprintf(label, sizeof label, "Field #%2d : ", static_cast<int>(i));
        expected += label + fields[i] + '\n';
    }
    Check(CNmeaParser::DecodeFieldList(fields) == expected);
    return 0;
}
