#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/NmeaParser.h"

namespace {

struct TAssemblyCase {
    const char* iLegend;
    std::vector<std::string> iReads;  // the bytes of each read, in order
    std::vector<std::string> iQueued;
    std::string iPending;  // what the unfinished sentence holds afterwards
};

std::vector<std::string> Drain(CNmeaParser& aParser) {
    std::vector<std::string> sentences;
    std::string sentence;
    while (aParser.NextSentence(sentence)) {
        sentences.push_back(sentence);
    }
    return sentences;
}

const std::string K255(255, 'x');

const TAssemblyCase KAssemblyCases[] = {
    {"sentence, CR LF, start of the next in one read",
     {"$GPGSA,A,3*30\r\n$GPVTG"},
     {"GPGSA,A,3*30"},
     "GPVTG"},
    {"sentence completed by a later read",
     {"$GPGLL,49", "16.45,N*31\r\n"},
     {"GPGLL,4916.45,N*31"},
     ""},
    {"a '$' inside a sentence ends it and opens the next", {"$AB$CD\r"}, {"AB", "CD"}, ""},
    {"the cut-off sentence of a real log does not cost the next one",
     {"$GPGSV,2,1,07,19,25,189,51,09,,,00,22$GPGGA,1*61\r\n"},
     {"GPGSV,2,1,07,19,25,189,51,09,,,00,22", "GPGGA,1*61"},
     ""},
    {"'$' then CR queues nothing", {"$\r$GPZDA*00\r"}, {"GPZDA*00"}, ""},
    {"'$$' queues nothing and opens one sentence", {"$$GPGGA,1*00\r\n"}, {"GPGGA,1*00"}, ""},
    {"bytes before the first '$' and a CR while waiting are ignored",
     {"noise\r\n2,14,52*71\r\n$GPRMC*00\r\n"},
     {"GPRMC*00"},
     ""},
    {"LF alone ends a sentence", {"$A*01\n$B*02\n"}, {"A*01", "B*02"}, ""},
    {"CR alone ends a sentence", {"$A*01\r$B*02\r"}, {"A*01", "B*02"}, ""},
    {"a NUL drops only its sentence; the rest of the read is examined",
     {std::string("$GPGLL,4916.45,N,123\0"
                  "11.12,W,225444,A*31\r\n$A\r\n$B\r\n$C\r\n$D",
                  56),
      "EF\r"},
     {"A", "B", "C", "DEF"},
     ""},
    {"a NUL while waiting for '$' changes nothing", {std::string("\0$A\r\0", 5)}, {"A"}, ""},
    {"over-long sentence is cut at 255 and the rest of the read still examined",
     {"$" + K255 + "yyy\r\n$GPGGA*00\r\n"},
     {K255, "GPGGA*00"},
     ""},
    {"exactly 255 characters then CR", {"$" + K255 + "\r\n"}, {K255}, ""},
    {"sentences come out in the order their ends arrived",
     {"$1\r\n$2\r\n", "$3\r\n"},
     {"1", "2", "3"},
     ""},
};

TEST(NmeaParserFeed, AssemblesSentencesFromReads) {
    for (const TAssemblyCase& test : KAssemblyCases) {
        SCOPED_TRACE(test.iLegend);
        CNmeaParser parser;
        for (const std::string& read : test.iReads) {
            parser.Assemble(read.data(), read.size());
        }
        EXPECT_EQ(Drain(parser), test.iQueued);
        EXPECT_EQ(parser.PendingSentence(), test.iPending);
    }
}

TEST(NmeaParserFeed, NextSentenceOnEmptyQueueIsEmpty) {
    CNmeaParser parser;
    EXPECT_EQ(parser.NextSentence(), "");
    std::string sentence = "old";
    EXPECT_FALSE(parser.NextSentence(sentence));
    EXPECT_EQ(sentence, "");
}

}  // namespace
