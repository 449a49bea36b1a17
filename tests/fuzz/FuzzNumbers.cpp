// The field number conversions against the C library calls whose results they promise.
//
// The input is the field text for ReadDecimal (atof as a float), ReadInteger (atoi, saturated
// as strtol saturates), ScanInteger (sscanf "%d"), ParseTime (sscanf "%2d%2d%2d.%3d") and
// ParseDate (sscanf "%2d%2d%2d", ddmmyy); its first bytes are also taken as a float and an int
// for the "%.1f" and "%0Nd" writers. Any difference aborts.

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "nmea/FieldNumbers.h"
#include "nmea/NmeaParser.h"

namespace {

// Bit for bit, so that -0.0 and 0.0 differ (printf shows the sign); any NaN equals any NaN.
bool SameFloat(float aLeft, float aRight) {
    if (std::isnan(aLeft) || std::isnan(aRight)) {
        return std::isnan(aLeft) && std::isnan(aRight);
    }
    return std::memcmp(&aLeft, &aRight, sizeof aLeft) == 0;
}

void CheckFormats(float aDecimal, int aInteger, int aWidth) {
    char expected[512];
    std::snprintf(expected, sizeof expected, "%.1f", static_cast<double>(aDecimal));
    std::string written;
    AppendOneDecimal(written, aDecimal);
    Check(written == expected);
    std::snprintf(expected, sizeof expected, "%0*d", aWidth, aInteger);
    written.clear();
    AppendInteger(written, aInteger, aWidth);
    Check(written == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    const std::string text(reinterpret_cast<const char*>(aData), aSize);
    const char* c = text.c_str();

    Check(SameFloat(ReadDecimal(text), static_cast<float>(std::atof(c))));

    const long wide = std::strtol(c, nullptr, 10);
    const int saturated = wide > INT_MAX   ? INT_MAX
                          : wide < INT_MIN ? INT_MIN
                                           : static_cast<int>(wide);
    Check(ReadInteger(c) == saturated);

    // sscanf "%d" is undefined past the int range: compared only within it.
    int scanned = 12345;
    int expectedScan = 12345;
    const bool found = ScanInteger(c, scanned);
    const int count = std::sscanf(c, "%d", &expectedScan);
    if (wide == saturated) {
        Check(found == (count == 1) && scanned == expectedScan);
    }

    // Components the scan did not reach are 0; a date has its century only when complete.
    int t[4] = {};
    (void)std::sscanf(c, "%2d%2d%2d.%3d", &t[0], &t[1], &t[2], &t[3]);
    const CFrameTime time = CNmeaParser::ParseTime(text);
    Check(time.iHour == t[0] && time.iMinute == t[1] && time.iSecond == t[2] &&
          time.iFraction == t[3]);
    int d[3] = {};
    const int dateCount = std::sscanf(c, "%2d%2d%2d", &d[0], &d[1], &d[2]);
    const CFrameDate date = CNmeaParser::ParseDate(text);
    Check(date.iDay == d[0] && date.iMonth == d[1] &&
          date.iYear == (dateCount == 3 ? d[2] + 2000 : 0));

    float decimal = 0;
    int integer = 0;
    std::memcpy(&decimal, aData, aSize < sizeof decimal ? aSize : sizeof decimal);
    std::memcpy(&integer, aData, aSize < sizeof integer ? aSize : sizeof integer);
    const int width = aSize > 4 ? aData[4] % 12 : 0;
    CheckFormats(decimal, integer, width);
    CheckFormats(ReadDecimal(text), ReadInteger(c), 2);
    return 0;
}
