#include <gtest/gtest.h>

#include <string>

#include "nmea/NmeaParser.h"

namespace {

TFieldList Split(const std::string& aSentence) {
    return CNmeaParser::SplitFields(aSentence);
}

// The line of aReport that starts with aLabel, without its line feed; empty when none does.
std::string LineOf(const std::string& aReport, const std::string& aLabel) {
    std::size_t start = 0;
    while (start < aReport.size()) {
        const std::size_t end = aReport.find('\n', start);
        const std::string line = aReport.substr(start, end - start);
        if (line.compare(0, aLabel.size(), aLabel) == 0) {
            return line;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return std::string();
}

// --- One whole report per builder --------------------------------------------------------------

TEST(FrameReports, RmcReportOfTheWorkedExampleIsElevenExactLines) {
    const CRmcFrame frame = CNmeaParser::ParseRmc(
        Split("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"), true);
    EXPECT_EQ(CNmeaParser::DecodeRmc(frame),
              "Frame name           : GPRMC\n"
              "Time                 : 12:35:19 000\n"
              "Navigation Alert     : A\n"
              "Latitude             : 4807.038 N\n"
              "Longitude            : 01131.000 E\n"
              "Speed (Knots)        : 22.4\n"
              "Course               : 84.4\n"
              "Date                 : 23/03/2094\n"
              "Magnetic Declination : 3.1 W\n"
              "Checksum             : 6A\n"
              "Frame Validity       : valid\n");
}

TEST(FrameReports, VtgReportPrintsTheWholeNumbersWithTheirUnitsAndNoChecksum) {
    const CVtgFrame frame =
        CNmeaParser::ParseVtg(Split("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"));
    EXPECT_EQ(CNmeaParser::DecodeVtg(frame),
              "Frame name           : GPVTG\n"
              "True Course          : 54.0 T\n"
              "Magnetic Course      : 34.0 M\n"
              "Ground speed (Knots) : 5.0 N\n"
              "Ground speed (Kmh)   : 10.0 K\n"
              "Frame Validity       : valid\n");
}

TEST(FrameReports, GsvReportOfALastMessagePrintsAllFourSatelliteBlocks) {
    // Message 2 of 7 satellites: three slots, the fourth keeps its zeros.
    const CGsvFrame frame =
        CNmeaParser::ParseGsv(Split("GPGSV,2,2,07,07,,,00,24,,,00,26,30,047,48,,,,*47"));
    EXPECT_EQ(CNmeaParser::DecodeGsv(frame),
              "Frame name           : GPGSV\n"
              "GPGSV Frames Number    : 2\n"
              "Frame Rank           : 2\n"
              "Satellites Number    : 7\n"
              "Satellite Id. #1     : 7\n"
              "  Elevation          : 0\n"
              "  Azimuth            : 0\n"
              "  Signal strength    : 0\n"
              "Satellite Id. #2     : 24\n"
              "  Elevation          : 0\n"
              "  Azimuth            : 0\n"
              "  Signal strength    : 0\n"
              "Satellite Id. #3     : 26\n"
              "  Elevation          : 30\n"
              "  Azimuth            : 47\n"
              "  Signal strength    : 48\n"
              "Satellite Id. #4     : 0\n"
              "  Elevation          : 0\n"
              "  Azimuth            : 0\n"
              "  Signal strength    : 0\n"
              "Checksum             : 47\n"
              "Frame Validity       : valid\n");
}

TEST(FrameReports, GsaReportListsAllTwelveIdsEmptyOnesIncluded) {
    const CGsaFrame frame =
        CNmeaParser::ParseGsa(Split("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39"));
    EXPECT_EQ(CNmeaParser::DecodeGsa(frame),
              "Frame name           : GPGSA\n"
              "Fix Selection        : A\n"
              "Fix 3D               : 3\n"
              "Satellite Id         : 04\n"
              "Satellite Id         : 05\n"
              "Satellite Id         : \n"
              "Satellite Id         : 09\n"
              "Satellite Id         : 12\n"
              "Satellite Id         : \n"
              "Satellite Id         : \n"
              "Satellite Id         : 24\n"
              "Satellite Id         : \n"
              "Satellite Id         : \n"
              "Satellite Id         : \n"
              "Satellite Id         : \n"
              "Dilution Accuracy    : 2.5\n"
              "Horizontal Dilution  : 1.3\n"
              "Vertical Dilution    : 2.1\n"
              "Checksum             : 39\n"
              "Frame Validity       : valid\n");
}

TEST(FrameReports, GllReportPutsTheTimeAfterThePositionAndHasNoChecksum) {
    const CGllFrame frame =
        CNmeaParser::ParseGll(Split("GPGLL,3549.4991,N,08650.8239,W,200642.000,A,A*4C"));
    EXPECT_EQ(CNmeaParser::DecodeGll(frame),
              "Frame name           : GPGLL\n"
              "Latitude             : 3549.4991 N\n"
              "Longitude            : 08650.8239 W\n"
              "Time                 : 20:06:42 000\n"
              "Data Validity        : A\n"
              "Frame Validity       : valid\n");
}

TEST(FrameReports, GgaReportLeavesOutTheDifferentialFields) {
    const CGgaFrame frame = CNmeaParser::ParseGga(
        Split("GPGGA,093156.500,5333.4037,N,00951.9345,E,1,06,1.7,47.8,M,-46.0,M,7,0000*45"),
        false);
    EXPECT_EQ(CNmeaParser::DecodeGga(frame),
              "Frame name           : GPGGA\n"
              "Time                 : 09:31:56 500\n"
              "Latitude             : 5333.4037 N\n"
              "Longitude            : 00951.9345 E\n"
              "Fix Qualification    : 1\n"
              "Satellites number    : 6\n"
              "Horizontal Dilution  : 1.7\n"
              "Altitude             : 47.8 M\n"
              "Geoid Fix            : -46.0 M\n"
              "Checksum             : 45\n"
              "Frame Validity       : valid\n");
}

TEST(FrameReports, IncompleteRecordPrintsItsDefaultsAndInvalid) {
    const CGgaFrame frame = CNmeaParser::ParseGga(Split("GPGGA,123519"), true);
    // Empty coordinates still get their separating space; empty units follow one too.
    EXPECT_EQ(CNmeaParser::DecodeGga(frame),
              "Frame name           : GPGGA\n"
              "Time                 : 12:35:19 000\n"
              "Latitude             :  \n"
              "Longitude            :  \n"
              "Fix Qualification    : 0\n"
              "Satellites number    : 0\n"
              "Horizontal Dilution  : 0.0\n"
              "Altitude             : 0.0 \n"
              "Geoid Fix            : 0.0 \n"
              "Checksum             : \n"
              "Frame Validity       : invalid\n");
}

TEST(FrameReports, EveryDefaultRecordReportStartsWithItsNameAndEndsInvalid) {
    struct TCase {
        const char* iName;
        std::string iReport;
    };
    const TCase cases[] = {
        {"GPRMC", CNmeaParser::DecodeRmc(CRmcFrame())},
        {"GPVTG", CNmeaParser::DecodeVtg(CVtgFrame())},
        {"GPGSV", CNmeaParser::DecodeGsv(CGsvFrame())},
        {"GPGSA", CNmeaParser::DecodeGsa(CGsaFrame())},
        {"GPGLL", CNmeaParser::DecodeGll(CGllFrame())},
        {"GPGGA", CNmeaParser::DecodeGga(CGgaFrame())},
    };
    const std::string invalidLine = "Frame Validity       : invalid\n";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iName);
        EXPECT_EQ(c.iReport.rfind("Frame name           : " + std::string(c.iName) + "\n", 0), 0u);
        ASSERT_GE(c.iReport.size(), invalidLine.size());
        EXPECT_EQ(c.iReport.substr(c.iReport.size() - invalidLine.size()), invalidLine);
        EXPECT_EQ(c.iReport.find("valid\n"), c.iReport.size() - 6) << "one validity line only";
    }
}

TEST(FrameReports, AppendReportAddsToWhatTheBufferHolds) {
    const std::string prefix = "----\n";
    CRmcFrame rmc = CNmeaParser::ParseRmc(
        Split("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"), true);
    CVtgFrame vtg = CNmeaParser::ParseVtg(Split("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"));
    CGsvFrame gsv = CNmeaParser::ParseGsv(Split("GPGSV,3,3,09,30,29,304,00*4F"));
    CGsaFrame gsa = CNmeaParser::ParseGsa(Split("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39"));
    CGllFrame gll = CNmeaParser::ParseGll(Split("GPGLL,4916.45,N,12311.12,W,225444,A*31"));
    CGgaFrame gga = CNmeaParser::ParseGga(
        Split("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"), true);
    const TFieldList fields = Split("GPZDA,201530.00,04,07,2002,00,00*60");

    std::string report = prefix;
    CNmeaParser::AppendReport(report, rmc);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeRmc(rmc));
    report = prefix;
    CNmeaParser::AppendReport(report, vtg);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeVtg(vtg));
    report = prefix;
    CNmeaParser::AppendReport(report, gsv);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeGsv(gsv));
    report = prefix;
    CNmeaParser::AppendReport(report, gsa);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeGsa(gsa));
    report = prefix;
    CNmeaParser::AppendReport(report, gll);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeGll(gll));
    report = prefix;
    CNmeaParser::AppendReport(report, gga);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeGga(gga));
    report = prefix;
    CNmeaParser::AppendFieldList(report, fields);
    EXPECT_EQ(report, prefix + CNmeaParser::DecodeFieldList(fields));
}

// --- Single lines ------------------------------------------------------------------------------

TEST(FrameReports, GsvCountLabelIsTwoColumnsWiderThanTheOthers) {
    const std::string report = CNmeaParser::DecodeGsv(CGsvFrame());
    const std::string line = LineOf(report, "GPGSV Frames Number");
    EXPECT_EQ(line, "GPGSV Frames Number    : 0");
    EXPECT_EQ(line.find(':'), 23u);  // column 24; the others have it in column 22
    EXPECT_EQ(LineOf(report, "Frame Rank").find(':'), 21u);
}

TEST(FrameReports, TimeAndDatePadWithZerosAndKeepSigns) {
    struct TTimeCase {
        CFrameTime iTime;
        const char* iLine;
    };
    const TTimeCase times[] = {
        {{12, 35, 19, 5}, "Time                 : 12:35:19 005"},
        {{1, 2, 3, 50}, "Time                 : 01:02:03 050"},
        {{0, 0, 0, 999}, "Time                 : 00:00:00 999"},
        {{-1, 23, 45, -5}, "Time                 : -1:23:45 -05"},
        {{123, 0, 0, 1000}, "Time                 : 123:00:00 1000"},
    };
    for (const TTimeCase& c : times) {
        SCOPED_TRACE(c.iLine);
        CGgaFrame gga;
        gga.iTime = c.iTime;
        EXPECT_EQ(LineOf(CNmeaParser::DecodeGga(gga), "Time"), c.iLine);
        CGllFrame gll;
        gll.iTime = c.iTime;
        EXPECT_EQ(LineOf(CNmeaParser::DecodeGll(gll), "Time"), c.iLine);
    }

    struct TDateCase {
        CFrameDate iDate;  // year, month, day
        const char* iLine;
    };
    const TDateCase dates[] = {
        {{2094, 3, 23}, "Date                 : 23/03/2094"},
        {{0, 0, 0}, "Date                 : 00/00/0000"},
        {{5, 12, 1}, "Date                 : 01/12/0005"},
        {{-5, -1, 7}, "Date                 : 07/-1/-005"},
    };
    for (const TDateCase& c : dates) {
        SCOPED_TRACE(c.iLine);
        CRmcFrame rmc;
        rmc.iDate = c.iDate;
        EXPECT_EQ(LineOf(CNmeaParser::DecodeRmc(rmc), "Date"), c.iLine);
    }
}

TEST(FrameReports, GgaTimeFractionFivePrintsAsZeroZeroFive) {
    const CGgaFrame frame = CNmeaParser::ParseGga(
        Split("GPGGA,123519.5,4807.038,,01131.000,,1,08,0.9,545.4,M,46.9,M,,*57"), true);
    const std::string report = CNmeaParser::DecodeGga(frame);
    EXPECT_EQ(LineOf(report, "Time"), "Time                 : 12:35:19 005");
    // An empty hemisphere leaves the coordinate followed by one space.
    EXPECT_EQ(LineOf(report, "Latitude"), "Latitude             : 4807.038 ");
    EXPECT_EQ(LineOf(report, "Longitude"), "Longitude            : 01131.000 ");
}

TEST(FrameReports, DecimalsRoundTheFloatToOnePlace) {
    struct TCase {
        float iValue;
        const char* iText;
    };
    // Exact ties go to the even digit; other floats round by their exact binary value.
    const TCase cases[] = {
        {0.25f, "0.2"},    {0.75f, "0.8"},           {1.25f, "1.2"},   {0.35f, "0.3"},
        {0.05f, "0.1"},    {0.95f, "0.9"},           {-0.04f, "-0.0"}, {-34.0f, "-34.0"},
        {545.4f, "545.4"}, {1e10f, "10000000000.0"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iText);
        CGsaFrame frame;
        frame.iPositionDilution = c.iValue;
        EXPECT_EQ(LineOf(CNmeaParser::DecodeGsa(frame), "Dilution Accuracy"),
                  std::string("Dilution Accuracy    : ") + c.iText);
        CRmcFrame rmc;
        rmc.iMagneticVariation = c.iValue;
        rmc.iVariationDirection = "E";
        EXPECT_EQ(LineOf(CNmeaParser::DecodeRmc(rmc), "Magnetic Declination"),
                  std::string("Magnetic Declination : ") + c.iText + " E");
    }
}

TEST(FrameReports, IntegersKeepTheirSign) {
    CGsvFrame frame;
    frame.iMessageCount = -1;
    frame.iMessageNumber = -2147483647 - 1;
    frame.iSatellitesInView = 2147483647;
    frame.iSatellites[3].iSignalStrength = -7;
    const std::string report = CNmeaParser::DecodeGsv(frame);
    EXPECT_EQ(LineOf(report, "GPGSV Frames Number"), "GPGSV Frames Number    : -1");
    EXPECT_EQ(LineOf(report, "Frame Rank"), "Frame Rank           : -2147483648");
    EXPECT_EQ(LineOf(report, "Satellites Number"), "Satellites Number    : 2147483647");
    EXPECT_NE(report.find("  Signal strength    : -7\nChecksum"), std::string::npos);
}

// --- Field lists -------------------------------------------------------------------------------

TEST(FrameReports, FieldListNumbersEveryFieldFromZero) {
    EXPECT_EQ(CNmeaParser::DecodeFieldList(Split("GPZDA,201530.00,04,07,2002,00,00*60")),
              "Field # 0 : GPZDA\n"
              "Field # 1 : 201530.00\n"
              "Field # 2 : 04\n"
              "Field # 3 : 07\n"
              "Field # 4 : 2002\n"
              "Field # 5 : 00\n"
              "Field # 6 : 00\n"
              "Field # 7 : 60\n");
    // From field 10 on, the index fills both places and no pad space is left.
    EXPECT_EQ(CNmeaParser::DecodeFieldList(Split("PGRME,15.0,M,45.0,M,25.0,M,,,,,x*1C")),
              "Field # 0 : PGRME\n"
              "Field # 1 : 15.0\n"
              "Field # 2 : M\n"
              "Field # 3 : 45.0\n"
              "Field # 4 : M\n"
              "Field # 5 : 25.0\n"
              "Field # 6 : M\n"
              "Field # 7 : \n"
              "Field # 8 : \n"
              "Field # 9 : \n"
              "Field #10 : \n"
              "Field #11 : x\n"
              "Field #12 : 1C\n");
    EXPECT_EQ(CNmeaParser::DecodeFieldList({}), "");
    EXPECT_EQ(CNmeaParser::DecodeFieldList({""}), "Field # 0 : \n");

    TFieldList many(101, "f");
    const std::string report = CNmeaParser::DecodeFieldList(many);
    EXPECT_NE(report.find("\nField #99 : f\nField #100 : f\n"), std::string::npos);
}

}  // namespace
