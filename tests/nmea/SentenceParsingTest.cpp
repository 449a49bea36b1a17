#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "nmea/NmeaParser.h"
#include "support/FrameEquality.h"

namespace {

TFieldList Split(const std::string& aSentence) {
    return CNmeaParser::SplitFields(aSentence);
}

// --- Fields and checksums ---------------------------------------------------------------------

struct TSplitCase {
    const char* iLegend;
    std::string iSentence;
    TFieldList iFields;
};

const std::string K23(23, 'a');
const std::string K24(24, 'b');
const std::string K25(25, 'c');

TEST(SentenceParsing, SplitFieldsCutsAtEveryCommaAndAsterisk) {
    const TSplitCase cases[] = {
        {"empty field between commas, checksum last", "A,,B*7F", {"A", "", "B", "7F"}},
        {"no separator: one field", "GPZDA", {"GPZDA"}},
        {"empty sentence: one empty field", "", {""}},
        {"trailing comma gives an empty last field", "A,B,", {"A", "B", ""}},
        {"trailing asterisk gives an empty last field", "A*", {"A", ""}},
        {"separators only", ",*", {"", "", ""}},
        {"no asterisk: the last data field is last", "GPGLL,1,N", {"GPGLL", "1", "N"}},
        {"text after a second asterisk is a field too", "A*1*2", {"A", "1", "2"}},
        {"23 characters still end at the comma", K23 + ",X*00", {K23, "X", "00"}},
        {"24 characters cut the list there", K24 + ",X*00", {K24}},
        {"25 characters: the 25th and the rest are dropped", K25 + ",X*00", {K25.substr(0, 24)}},
        {"24 characters at the very end", "A," + K24, {"A", K24}},
        {"23 characters at the very end", "A," + K23, {"A", K23}},
        {"a long field in the middle drops the fields after it",
         "GPRMC,1," + K24 + ",N*00",
         {"GPRMC", "1", K24}},
        {"field limit counts per field, not per sentence",
         "GPGGA," + K23 + "," + K23 + "*00",
         {"GPGGA", K23, K23, "00"}},
        {"real GGA with two empty differential fields",
         "GPGGA,183453,4124.6743,N,08152.2490,W,2,04,2.5,232.9,M,-34.0,M,,*7C",
         {"GPGGA", "183453", "4124.6743", "N", "08152.2490", "W", "2", "04", "2.5", "232.9", "M",
          "-34.0", "M", "", "", "7C"}},
    };
    for (const TSplitCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(Split(c.iSentence), c.iFields) << c.iSentence;
        TFieldList reused = {"stale", "fields", "from", "before"};
        CNmeaParser::SplitFields(c.iSentence, reused);
        EXPECT_EQ(reused, c.iFields) << c.iSentence;
    }
}

TEST(SentenceParsing, ComputeChecksumIsXorOfEverythingBetweenDollarAndAsterisk) {
    // Real sentences with the checksum their receiver sent.
    const char* const sentences[] = {
        "GPRMC,183453,A,4124.6743,N,08152.2490,W,000.0,000.0,010305,007.9,W*73",
        "GPGGA,183453,4124.6743,N,08152.2490,W,2,04,2.5,232.9,M,-34.0,M,,*7C",
        "GPGSA,A,1,,,,,,,,,,,,,,,*1E",
        "GPGSV,3,1,12,02,71,317,00,04,50,056,00,05,43,263,00,06,02,307,00*7E",
        "PGRMM,WGS 84*06",
        "GNGGA,235647.00,3403.47162394,N,11711.80927093,W,5,10,1.2,403.600,M,-32.133,M,1.0,0000*61",
        "GPVTG,134.63,T,,M,0.18,N,0.3,K*69",
        "GPZDA,201530.00,04,07,2002,00,00*60",
    };
    for (const char* sentence : sentences) {
        SCOPED_TRACE(sentence);
        const std::string text(sentence);
        const unsigned long sent =
            std::strtoul(text.substr(text.find('*') + 1).c_str(), nullptr, 16);
        EXPECT_EQ(static_cast<unsigned long>(CNmeaParser::ComputeChecksum(Split(text))), sent);
    }
    // A list of one field: the XOR of that field alone.
    EXPECT_EQ(CNmeaParser::ComputeChecksum({"AB"}), 'A' ^ 'B');
    // The last field of a longer list is never summed, whatever it holds.
    EXPECT_EQ(CNmeaParser::ComputeChecksum({"AB", "zz"}), 'A' ^ 'B');
    EXPECT_EQ(CNmeaParser::ComputeChecksum({"A", "", "zz"}), 'A' ^ ',');
}

TEST(SentenceParsing, VerifyChecksumAcceptsOnlyTwoUpperCaseHexDigits) {
    struct TCase {
        const char* iLegend;
        unsigned iComputed;
        const char* iText;
        bool iValid;
    };
    const TCase cases[] = {
        {"upper-case match", 0x6A, "6A", true},
        {"digits only", 0x47, "47", true},
        {"zero", 0x00, "00", true},
        {"all bits", 0xFF, "FF", true},
        {"mismatch", 0x6B, "6A", false},
        {"lower-case hex", 0x6A, "6a", false},
        {"lower-case first digit", 0xAF, "aF", false},
        {"empty", 0x00, "", false},
        {"one character", 0x06, "6", false},
        {"characters after the second are ignored", 0x6A, "6AZZ", true},
        {"line end after the checksum", 0x6A, "6A\r\n", true},
        {"non-hex first", 0x00, "G0", false},
        {"non-hex second", 0x00, "0G", false},
        {"leading space", 0x6A, " 6A", false},
        {"sign", 0x01, "+1", false},
        {"0x prefix", 0x00, "0x", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::VerifyChecksum(static_cast<std::uint8_t>(c.iComputed), c.iText),
                  c.iValid)
            << c.iText;
    }
}

// --- Time and date ----------------------------------------------------------------------------

TEST(SentenceParsing, ParseTimeKeepsWhatTheScanConverted) {
    struct TCase {
        const char* iText;
        CFrameTime iTime;
    };
    const TCase cases[] = {
        {"123519", {12, 35, 19, 0}},
        {"123519.5", {12, 35, 19, 5}},
        {"123519.50", {12, 35, 19, 50}},
        {"123519.500", {12, 35, 19, 500}},
        {"123519.5009", {12, 35, 19, 500}},  // three digits at most
        {"093156.000", {9, 31, 56, 0}},
        {"235647.05", {23, 56, 47, 5}},
        {"123519.", {12, 35, 19, 0}},   // point without digits: fraction not converted
        {"123519,5", {12, 35, 19, 0}},  // not a point
        {"12351", {12, 35, 1, 0}},
        {"1235", {12, 35, 0, 0}},
        {"12", {12, 0, 0, 0}},
        {"1", {1, 0, 0, 0}},
        {"", {0, 0, 0, 0}},
        {"A12345", {0, 0, 0, 0}},
        {"1a3519", {1, 0, 0, 0}},
        {" 123519", {12, 35, 19, 0}},      // white space before a number is skipped
        {"12 35 19. 5", {12, 35, 19, 5}},  // and before every number
        {"-12345", {-1, 23, 45, 0}},       // a sign takes one place of the width
        {"12-3519.5", {12, -3, 51, 0}},    // 9 is not the point
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iText);
        EXPECT_EQ(CNmeaParser::ParseTime(c.iText), c.iTime);
    }
}

TEST(SentenceParsing, ParseDateAddsTheCenturyOnlyToACompleteDate) {
    struct TCase {
        const char* iText;
        CFrameDate iDate;  // year, month, day
    };
    const TCase cases[] = {
        {"230394", {2094, 3, 23}},  {"010305", {2005, 3, 1}},
        {"280510", {2010, 5, 28}},  {"23039", {2009, 3, 23}},
        {"2303", {0, 3, 23}},       {"230", {0, 0, 23}},
        {"23", {0, 0, 23}},         {"", {0, 0, 0}},
        {"xx0394", {0, 0, 0}},      {"23x394", {0, 0, 23}},
        {"2303941", {2094, 3, 23}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iText);
        EXPECT_EQ(CNmeaParser::ParseDate(c.iText), c.iDate);
    }
}

// --- RMC --------------------------------------------------------------------------------------

const char* const KRmcExample =
    "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";

CRmcFrame ExampleRmc() {
    CRmcFrame frame;
    frame.iTime = {12, 35, 19, 0};
    frame.iStatus = "A";
    frame.iLatitude = "4807.038";
    frame.iLatitudeHemisphere = "N";
    frame.iLongitude = "01131.000";
    frame.iLongitudeHemisphere = "E";
    frame.iSpeedKnots = 22.4f;
    frame.iCourse = 84.4f;
    frame.iDate = {2094, 3, 23};
    frame.iMagneticVariation = 3.1f;
    frame.iVariationDirection = "W";
    frame.iChecksum = "6A";
    frame.iValid = true;
    return frame;
}

struct TRmcCase {
    const char* iLegend;
    std::string iSentence;
    bool iCheck;
    CRmcFrame iFrame;
};

std::vector<TRmcCase> RmcCases() {
    std::vector<TRmcCase> cases;
    cases.push_back({"the worked example", KRmcExample, true, ExampleRmc()});

    CRmcFrame lowerCase = ExampleRmc();
    lowerCase.iChecksum = "6a";
    lowerCase.iValid = false;
    cases.push_back({"lower-case checksum: filled, invalid",
                     "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a", true,
                     lowerCase});

    CRmcFrame unchecked = ExampleRmc();
    unchecked.iChecksum = "00";
    cases.push_back({"wrong checksum but checking off: valid",
                     "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*00", false,
                     unchecked});

    CRmcFrame garmin;
    garmin.iTime = {18, 34, 53, 0};
    garmin.iStatus = "A";
    garmin.iLatitude = "4124.6743";
    garmin.iLatitudeHemisphere = "N";
    garmin.iLongitude = "08152.2490";
    garmin.iLongitudeHemisphere = "W";
    garmin.iDate = {2005, 3, 1};
    garmin.iMagneticVariation = 7.9f;
    garmin.iVariationDirection = "W";
    garmin.iChecksum = "73";
    garmin.iValid = true;
    cases.push_back({"GPS15H with a fix",
                     "GPRMC,183453,A,4124.6743,N,08152.2490,W,000.0,000.0,010305,007.9,W*73", true,
                     garmin});

    CRmcFrame noFix = garmin;
    noFix.iTime = {18, 34, 8, 0};
    noFix.iStatus = "V";
    noFix.iLatitude = "4124.7502";
    noFix.iLongitude = "08152.2393";
    noFix.iChecksum = "68";
    cases.push_back({"receiver status V is data, not validity; empty speed and course are 0",
                     "GPRMC,183408,V,4124.7502,N,08152.2393,W,,,010305,007.9,W*68", true, noFix});

    CRmcFrame modeField;
    modeField.iTime = {13, 15, 50, 0};
    modeField.iStatus = "A";
    modeField.iLatitude = "6003.9425";
    modeField.iLatitudeHemisphere = "N";
    modeField.iLongitude = "01940.2853";
    modeField.iLongitudeHemisphere = "E";
    modeField.iSpeedKnots = 2.3f;
    modeField.iCourse = 76.6f;
    modeField.iDate = {2010, 5, 28};
    modeField.iMagneticVariation = 4.8f;
    modeField.iVariationDirection = "E";
    modeField.iChecksum = "23";
    modeField.iValid = true;
    cases.push_back({"GPS76 with a mode field: the checksum is the last field, not f[12]",
                     "GPRMC,131550,A,6003.9425,N,01940.2853,E,2.3,76.6,280510,4.8,E,A*23", true,
                     modeField});

    CRmcFrame cut;
    cut.iTime = {12, 35, 19, 0};
    cut.iStatus = "A";
    cases.push_back({"three fields: filled up to the status", "GPRMC,123519,A", true, cut});
    cases.push_back({"too short is invalid even unchecked", "GPRMC,123519,A", false, cut});

    CRmcFrame longField = cut;
    longField.iLatitude = K24;
    cases.push_back({"a 24-character latitude ends the field list",
                     "GPRMC,123519,A," + K24 + "0,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
                     false, longField});

    CRmcFrame noChecksum = ExampleRmc();
    noChecksum.iChecksum = "W";
    noChecksum.iValid = false;
    cases.push_back({"no asterisk: the direction stands in for the checksum",
                     "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", true,
                     noChecksum});
    return cases;
}

TEST(SentenceParsing, ParseRmcFillsTheWholeRecord) {
    for (const TRmcCase& c : RmcCases()) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::ParseRmc(Split(c.iSentence), c.iCheck), c.iFrame) << c.iSentence;
    }
}

// --- GGA --------------------------------------------------------------------------------------

CGgaFrame ExampleGga() {
    CGgaFrame frame;
    frame.iTime = {12, 35, 19, 0};
    frame.iLatitude = "4807.038";
    frame.iLatitudeHemisphere = "N";
    frame.iLongitude = "01131.000";
    frame.iLongitudeHemisphere = "E";
    frame.iFixQuality = 1;
    frame.iSatellitesUsed = 8;
    frame.iHorizontalDilution = 0.9f;
    frame.iAltitude = 545.4f;
    frame.iAltitudeUnit = "M";
    frame.iGeoidSeparation = 46.9f;
    frame.iGeoidSeparationUnit = "M";
    frame.iChecksum = "47";
    frame.iValid = true;
    return frame;
}

struct TGgaCase {
    const char* iLegend;
    std::string iSentence;
    bool iCheck;
    CGgaFrame iFrame;
};

std::vector<TGgaCase> GgaCases() {
    const std::string example = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    std::vector<TGgaCase> cases;
    cases.push_back({"the classic example", example, true, ExampleGga()});

    CGgaFrame mismatch = ExampleGga();
    mismatch.iChecksum = "48";
    mismatch.iValid = false;
    cases.push_back({"checksum mismatch: every member filled, invalid",
                     "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48", true,
                     mismatch});
    CGgaFrame unchecked = mismatch;
    unchecked.iValid = true;
    cases.push_back({"checksum mismatch with checking off: valid",
                     "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48", false,
                     unchecked});

    CGgaFrame timeOnly;
    timeOnly.iTime = {12, 35, 19, 0};
    cases.push_back({"two fields: the time, the rest default", "GPGGA,123519", true, timeOnly});
    cases.push_back({"two fields unchecked: still invalid", "GPGGA,123519", false, timeOnly});

    CGgaFrame garmin;
    garmin.iTime = {18, 34, 53, 0};
    garmin.iLatitude = "4124.6743";
    garmin.iLatitudeHemisphere = "N";
    garmin.iLongitude = "08152.2490";
    garmin.iLongitudeHemisphere = "W";
    garmin.iFixQuality = 2;
    garmin.iSatellitesUsed = 4;
    garmin.iHorizontalDilution = 2.5f;
    garmin.iAltitude = 232.9f;
    garmin.iAltitudeUnit = "M";
    garmin.iGeoidSeparation = -34.0f;
    garmin.iGeoidSeparationUnit = "M";
    garmin.iChecksum = "7C";
    garmin.iValid = true;
    cases.push_back({"GPS15H differential fix, negative geoid separation",
                     "GPGGA,183453,4124.6743,N,08152.2490,W,2,04,2.5,232.9,M,-34.0,M,,*7C", true,
                     garmin});

    CGgaFrame cutOff;
    cutOff.iTime = {18, 46, 17, 0};
    cutOff.iLatitude = "4124.7471";
    cutOff.iLatitudeHemisphere = "N";
    cutOff.iLongitude = "08152.2610";
    cutOff.iLongitudeHemisphere = "W";
    cutOff.iFixQuality = 2;
    cases.push_back({"the GPS15H log's cut-off last sentence",
                     "GPGGA,184617,4124.7471,N,08152.2610,W,2", true, cutOff});

    CGgaFrame milliseconds;
    milliseconds.iTime = {9, 31, 56, 500};
    milliseconds.iLatitude = "5333.4037";
    milliseconds.iLatitudeHemisphere = "N";
    milliseconds.iLongitude = "00951.9345";
    milliseconds.iLongitudeHemisphere = "E";
    milliseconds.iFixQuality = 1;
    milliseconds.iSatellitesUsed = 6;
    milliseconds.iHorizontalDilution = 1.7f;
    milliseconds.iAltitude = 47.8f;
    milliseconds.iAltitudeUnit = "M";
    milliseconds.iGeoidSeparation = 46.0f;
    milliseconds.iGeoidSeparationUnit = "M";
    milliseconds.iDifferentialStation = "0000";
    milliseconds.iChecksum = "68";
    milliseconds.iValid = true;
    cases.push_back({"2 Hz receiver: fraction 500 and a station id",
                     "GPGGA,093156.500,5333.4037,N,00951.9345,E,1,06,1.7,47.8,M,46.0,M,,0000*68",
                     true, milliseconds});

    CGgaFrame longStation = ExampleGga();
    longStation.iDifferentialStation = K25.substr(0, 24);
    longStation.iChecksum = K25.substr(0, 24);
    longStation.iValid = false;
    cases.push_back({"a cut last field is the station and the checksum",
                     "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,," + K25 + "*47",
                     true, longStation});
    return cases;
}

TEST(SentenceParsing, ParseGgaFillsTheWholeRecord) {
    for (const TGgaCase& c : GgaCases()) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::ParseGga(Split(c.iSentence), c.iCheck), c.iFrame) << c.iSentence;
    }
}

// --- GSV --------------------------------------------------------------------------------------

CGsvFrame Gsv(int aCount, int aNumber, int aInView, std::vector<CSatelliteInfo> aSatellites,
              const char* aChecksum, bool aValid) {
    CGsvFrame frame;
    frame.iMessageCount = aCount;
    frame.iMessageNumber = aNumber;
    frame.iSatellitesInView = aInView;
    for (std::size_t k = 0; k < aSatellites.size(); ++k) {
        frame.iSatellites[k] = aSatellites[k];
    }
    frame.iChecksum = aChecksum;
    frame.iValid = aValid;
    return frame;
}

TEST(SentenceParsing, ParseGsvFillsOnlyTheSlotsOfSatellitesInView) {
    struct TCase {
        const char* iLegend;
        const char* iSentence;
        CGsvFrame iFrame;
    };
    const TCase cases[] = {
        {"GPS15H first message, four satellites",
         "GPGSV,3,1,12,02,71,317,00,04,50,056,00,05,43,263,00,06,02,307,00*7E",
         Gsv(3, 1, 12, {{2, 71, 317, 0}, {4, 50, 56, 0}, {5, 43, 263, 0}, {6, 2, 307, 0}}, "7E",
             true)},
        {"message 3 of 9 satellites fills slot 0 only", "GPGSV,3,3,09,30,29,304,00*4F",
         Gsv(3, 3, 9, {{30, 29, 304, 0}}, "4F", true)},
        {"last message with three satellites and empty signal strengths",
         "GPGSV,3,3,11,21,14,320,,03,07,025,,19,09,054,*4D",
         Gsv(3, 3, 11, {{21, 14, 320, 0}, {3, 7, 25, 0}, {19, 9, 54, 0}}, "4D", true)},
        {"no satellites in view", "GPGSV,1,1,00*79", Gsv(1, 1, 0, {}, "79", true)},
        {"checksum mismatch: filled, invalid",
         "GPGSV,3,1,12,02,71,317,00,04,50,056,00,05,43,263,00,06,02,307,00*7F",
         Gsv(3, 1, 12, {{2, 71, 317, 0}, {4, 50, 56, 0}, {5, 43, 263, 0}, {6, 2, 307, 0}}, "7F",
             false)},
        {"lower-case checksum after a signal id: filled, invalid",
         "GPGSV,3,1,11,01,06,014,08,12,43,207,28,14,06,049,,15,44,171,23,1*6b",
         Gsv(3, 1, 11, {{1, 6, 14, 8}, {12, 43, 207, 28}, {14, 6, 49, 0}, {15, 44, 171, 23}}, "6b",
             false)},
        // Satellites counted over several systems: the slot rule asks for four slots, the
        // sentence has two; slot 2 takes the checksum text as its id before the fields end.
        {"Trimble message holding two of 13 satellites", "GPGSV,4,2,13,16,56,082,48,7,28,256,43*44",
         Gsv(4, 2, 13, {{16, 56, 82, 48}, {7, 28, 256, 43}, {44, 0, 0, 0}}, "", false)},
        {"header cut short", "GPGSV,3,1", Gsv(3, 1, 0, {}, "", false)},
        {"lowest message number asks for all four slots",
         "GPGSV,1,-2147483648,4,01,02,003,04,05,06,007,08,09,10,011,12,13,14,015,16*53",
         Gsv(1, -2147483647 - 1, 4, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}},
             "53", true)},
        {"lowest message number, most satellites in view",
         "GPGSV,-1,-2147483648,2147483647,01,02,003,04,05,06,007,08,09,10,011,12,13,14,015,16*40",
         Gsv(-1, -2147483647 - 1, 2147483647,
             {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}, "40", true)},
        {"highest message number asks for none", "GPGSV,1,2147483647,4*76",
         Gsv(1, 2147483647, 4, {}, "76", true)},
        {"a message number beyond int saturates", "GPGSV,1,99999999999,4*45",
         Gsv(1, 2147483647, 4, {}, "45", true)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::ParseGsv(Split(c.iSentence)), c.iFrame) << c.iSentence;
    }
}

// --- GSA --------------------------------------------------------------------------------------

CGsaFrame Gsa(const char* aMode, int aFix, std::vector<std::string> aIds, float aPdop, float aHdop,
              float aVdop, const char* aChecksum, bool aValid) {
    CGsaFrame frame;
    frame.iSelectionMode = aMode;
    frame.iFixMode = aFix;
    for (std::size_t i = 0; i < aIds.size(); ++i) {
        frame.iSatelliteIds[i] = aIds[i];
    }
    frame.iPositionDilution = aPdop;
    frame.iHorizontalDilution = aHdop;
    frame.iVerticalDilution = aVdop;
    frame.iChecksum = aChecksum;
    frame.iValid = aValid;
    return frame;
}

TEST(SentenceParsing, ParseGsaAlwaysVerifiesTheChecksum) {
    struct TCase {
        const char* iLegend;
        const char* iSentence;
        CGsaFrame iFrame;
    };
    const TCase cases[] = {
        {"the classic example, ids kept as text with their zeros",
         "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
         Gsa("A", 3, {"04", "05", "", "09", "12", "", "", "24"}, 2.5f, 1.3f, 2.1f, "39", true)},
        {"GPS15H 2D fix", "GPGSA,A,2,,04,,,07,10,,,,,,35,2.7,2.5,1.0*34",
         Gsa("A", 2, {"", "04", "", "", "07", "10", "", "", "", "", "", "35"}, 2.7f, 2.5f, 1.0f,
             "34", true)},
        {"GPS15H without a fix: every id and dilution empty", "GPGSA,A,1,,,,,,,,,,,,,,,*1E",
         Gsa("A", 1, {}, 0, 0, 0, "1E", true)},
        {"checksum mismatch", "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*3A",
         Gsa("A", 3, {"04", "05", "", "09", "12", "", "", "24"}, 2.5f, 1.3f, 2.1f, "3A", false)},
        {"cut after two ids", "GPGSA,A,3,04,05", Gsa("A", 3, {"04", "05"}, 0, 0, 0, "", false)},
        {"cut before the vertical dilution", "GPGSA,A,3,,,,,,,,,,,,,2.5,1.3",
         Gsa("A", 3, {}, 2.5f, 1.3f, 0, "", false)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::ParseGsa(Split(c.iSentence)), c.iFrame) << c.iSentence;
    }
}

// --- VTG and GLL ------------------------------------------------------------------------------

CVtgFrame Vtg(float aTrue, const char* aTrueUnit, float aMagnetic, const char* aMagneticUnit,
              float aKnots, const char* aKnotsUnit, float aKmh, const char* aKmhUnit, bool aValid) {
    CVtgFrame frame;
    frame.iTrueCourse = aTrue;
    frame.iTrueCourseUnit = aTrueUnit;
    frame.iMagneticCourse = aMagnetic;
    frame.iMagneticCourseUnit = aMagneticUnit;
    frame.iSpeedKnots = aKnots;
    frame.iKnotsUnit = aKnotsUnit;
    frame.iSpeedKmh = aKmh;
    frame.iKmhUnit = aKmhUnit;
    frame.iValid = aValid;
    return frame;
}

TEST(SentenceParsing, ParseVtgReadsWholeNumbersAndNeverVerifies) {
    struct TCase {
        const char* iLegend;
        const char* iSentence;
        CVtgFrame iFrame;
    };
    const TCase cases[] = {
        {"054.7 is read as 54", "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48",
         Vtg(54, "T", 34, "M", 5, "N", 10, "K", true)},
        {"a wrong checksum does not matter", "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*00",
         Vtg(54, "T", 34, "M", 5, "N", 10, "K", true)},
        {"no checksum at all", "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K",
         Vtg(54, "T", 34, "M", 5, "N", 10, "K", true)},
        {"real sentence with an empty magnetic course and a mode field",
         "GPVTG,224.45,T,,M,0.00,N,0.0,K,A*08", Vtg(224, "T", 0, "M", 0, "N", 0, "K", true)},
        {"negative course", "GPVTG,-12.9,T,,M,,N,,K*00",
         Vtg(-12, "T", 0, "M", 0, "N", 0, "K", true)},
        {"cut after the true course", "GPVTG,054.7,T", Vtg(54, "T", 0, "", 0, "", 0, "", false)},
        {"cut before the km/h unit", "GPVTG,054.7,T,034.4,M,005.5,N,010.2",
         Vtg(54, "T", 34, "M", 5, "N", 10, "", false)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::ParseVtg(Split(c.iSentence)), c.iFrame) << c.iSentence;
    }
}

CGllFrame Gll(const char* aLatitude, const char* aNorth, const char* aLongitude, const char* aEast,
              CFrameTime aTime, const char* aStatus, bool aValid) {
    CGllFrame frame;
    frame.iLatitude = aLatitude;
    frame.iLatitudeHemisphere = aNorth;
    frame.iLongitude = aLongitude;
    frame.iLongitudeHemisphere = aEast;
    frame.iTime = aTime;
    frame.iStatus = aStatus;
    frame.iValid = aValid;
    return frame;
}

TEST(SentenceParsing, ParseGllNeedsSevenFieldsAndNeverVerifies) {
    struct TCase {
        const char* iLegend;
        const char* iSentence;
        CGllFrame iFrame;
    };
    const TCase cases[] = {
        {"the classic example", "GPGLL,4916.45,N,12311.12,W,225444,A*31",
         Gll("4916.45", "N", "12311.12", "W", {22, 54, 44, 0}, "A", true)},
        {"wrong checksum still valid", "GPGLL,4916.45,N,12311.12,W,225444,A*00",
         Gll("4916.45", "N", "12311.12", "W", {22, 54, 44, 0}, "A", true)},
        {"seven fields without checksum", "GPGLL,4916.45,N,12311.12,W,225444,A",
         Gll("4916.45", "N", "12311.12", "W", {22, 54, 44, 0}, "A", true)},
        {"real sentence with milliseconds and a mode field",
         "GPGLL,3549.4991,N,08650.8239,W,200642.000,A,A*4C",
         Gll("3549.4991", "N", "08650.8239", "W", {20, 6, 42, 0}, "A", true)},
        {"status V is data, not validity", "GPGLL,,,,,225444,V*00",
         Gll("", "", "", "", {22, 54, 44, 0}, "V", true)},
        {"cut before the status", "GPGLL,4916.45,N,12311.12,W,225444",
         Gll("4916.45", "N", "12311.12", "W", {22, 54, 44, 0}, "", false)},
        {"cut after the latitude", "GPGLL,4916.45,N",
         Gll("4916.45", "N", "", "", {0, 0, 0, 0}, "", false)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(CNmeaParser::ParseGll(Split(c.iSentence)), c.iFrame) << c.iSentence;
    }
}

// --- Every parser ------------------------------------------------------------------------------

TEST(SentenceParsing, EveryParserTurnsAnEmptyOrOneFieldListIntoTheInvalidDefault) {
    const TFieldList lists[] = {{}, {""}, {"GPXXX"}};
    for (const TFieldList& fields : lists) {
        SCOPED_TRACE(fields.size());
        for (const bool check : {true, false}) {
            EXPECT_EQ(CNmeaParser::ParseGga(fields, check), CGgaFrame());
            EXPECT_EQ(CNmeaParser::ParseRmc(fields, check), CRmcFrame());
        }
        EXPECT_EQ(CNmeaParser::ParseGsv(fields), CGsvFrame());
        EXPECT_EQ(CNmeaParser::ParseGsa(fields), CGsaFrame());
        EXPECT_EQ(CNmeaParser::ParseVtg(fields), CVtgFrame());
        EXPECT_EQ(CNmeaParser::ParseGll(fields), CGllFrame());
    }
}

}  // namespace
