#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/ReceiverState.h"

namespace {

constexpr TReceiverStatus KUnknown = TReceiverStatus::Unknown;
constexpr TReceiverStatus KNoFix = TReceiverStatus::NoFix;
constexpr TReceiverStatus KFix = TReceiverStatus::Fix;

const std::string KGgaFix = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string KGgaNoFix = "GNGGA,123519,,,,,0,00,,,M,,M,,*75";
const std::string KRmcNoFix = "GNRMC,123519,V,,,,,,,230394,,*2D";

// What the receiver says after a run's sentences, checked at every step of each legend.
TEST(ReceiverState, TheLatestGgaRmcOrGllOfAnyTalkerWithARightChecksumTells) {
    const struct {
        const char* iLegend;
        std::vector<std::string> iSentences;
        TReceiverStatus iStatus;
    } cases[] = {
        {"nothing yet", {}, KUnknown},
        {"GGA quality 1", {KGgaFix}, KFix},
        {"GNGGA quality 0", {KGgaNoFix}, KNoFix},
        {"GGA quality 6 (estimated) is above 0", {"GPGGA,1,,,,,6*51"}, KFix},
        {"GGA with an empty quality reads 0", {"GPGGA,1,,,,,*67"}, KNoFix},
        {"GNRMC A", {"GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*74"}, KFix},
        {"GNRMC V", {KRmcNoFix}, KNoFix},
        {"GLL A", {"GNGLL,4916.45,N,12311.12,W,225444,A*2F"}, KFix},
        {"GLL V", {"GPGLL,,,,,225444,V*07"}, KNoFix},
        {"no checksum to check", {"GPGGA,1,,,,,1"}, KFix},
        {"the latest tells", {KGgaFix, KRmcNoFix}, KNoFix},
        {"a wrong checksum changes nothing", {KGgaFix, "GNGGA,123519,,,,,0,00,,,M,,M,,*74"}, KFix},
        {"lower-case checksum digits are wrong", {"GPGGA,x,,,,,1*1f"}, KUnknown},
        {"a maker's sentence ending in RMC", {"PGRMC,1,V*2C"}, KUnknown},
        {"other types say nothing", {KGgaFix, "GPGSA,A,1*32", "GPVTG,,,,,,,,,N*30"}, KFix},
        {"GGA cut before the quality", {"GPGGA,123519,4807.038,N,01131.000,E"}, KUnknown},
        {"the quality only after the checksum", {"GPGGA,1*4B,,,,,1"}, KUnknown},
        {"GLL of NMEA 2.0 has no status", {"GPGLL,4916.45,N,12311.12,W"}, KUnknown},
        {"status neither A nor V", {"GPRMC,1,AV*6D", "GPRMC,1,*7A", "GPRMC,1,X*22"}, KUnknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CReceiverState receiver;
        receiver.Start(0);
        for (const std::string& sentence : c.iSentences) {
            receiver.OnSentence(sentence);
        }
        EXPECT_EQ(receiver.Status(), c.iStatus);
        EXPECT_FALSE(receiver.Update(100, true)) << "a sentence shows at once, not at the pass";
        EXPECT_EQ(receiver.Status(), c.iStatus);
    }
}

// Three seconds of an open feed without a sentence: "no data", until the next one arrives.
TEST(ReceiverState, AnOpenFeedSilentForThreeSecondsIsNoData) {
    CReceiverState receiver;
    receiver.Start(1000);
    EXPECT_FALSE(receiver.Update(3999, true));
    EXPECT_TRUE(receiver.Update(4000, true)) << "silent since Start";
    EXPECT_STREQ(receiver.StatusText(), "Running: no data");
    EXPECT_FALSE(receiver.Update(9000, true)) << "changed once, told once";
    receiver.OnSentence(KGgaFix);
    EXPECT_STREQ(receiver.StatusText(), "Running: fix");
    EXPECT_FALSE(receiver.Update(9050, true));
    EXPECT_TRUE(receiver.Update(12050, true)) << "silent since the last sentence";
    receiver.OnSentence("GPGSV,1,1,00*79");
    EXPECT_STREQ(receiver.StatusText(), "Running") << "a fix from before the silence is old";

    // Noise at a wrong baud rate is cut into "sentences" too; they are not the receiver's.
    EXPECT_FALSE(receiver.Update(12100, true));
    for (const char* noise : {"\x8f\x12,A", "gx", "G,", "\xfe\xfe\xfe\xfe\xfe", "GP1"}) {
        receiver.OnSentence(noise);
    }
    EXPECT_TRUE(receiver.Update(15100, true));

    // The clock runs only while the feed is open: one just reopened has three seconds, and
    // what the receiver behind the lost one said is gone with it.
    receiver.Start(0);
    receiver.OnSentence(KGgaFix);
    EXPECT_TRUE(receiver.Update(5000, false));
    EXPECT_FALSE(receiver.Update(7999, true));
    EXPECT_STREQ(receiver.StatusText(), "Running");
    EXPECT_TRUE(receiver.Update(8000, true));
}

}  // namespace
