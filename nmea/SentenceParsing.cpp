// Splitting sentences into fields, checksums, and the six frame parsers of CNmeaParser.

#include <cstdint>

#include "nmea/FieldNumbers.h"
#include "nmea/NmeaParser.h"
#include "nmea/SentenceType.h"

namespace {

// Reads the fields of one sentence in the order a record is filled. The first field asked for
// beyond the end marks the record incomplete, and nothing after it is filled: the record keeps
// what came before it and its defaults for the rest, and comes out invalid.
class CFieldReader {
  public:
    explicit CFieldReader(const TFieldList& aFields) : iFields(aFields) {}

    bool Complete() const { return iComplete; }
    std::size_t Last() const { return iFields.size() - 1; }  // wraps to far beyond when empty

    const std::string* At(std::size_t aIndex) {
        if (iComplete && aIndex < iFields.size()) {
            return &iFields[aIndex];
        }
        iComplete = false;
        return nullptr;
    }

    void Text(std::size_t aIndex, std::string& aOut) {
        if (const std::string* field = At(aIndex)) {
            aOut = *field;
        }
    }
    // Empty text gives 0, as the conversions below do anyway.
    void Integer(std::size_t aIndex, int& aOut) {
        if (const std::string* field = At(aIndex)) {
            aOut = ReadInteger(field->c_str());
        }
    }
    void IntegerAsFloat(std::size_t aIndex, float& aOut) {
        if (const std::string* field = At(aIndex)) {
            aOut = static_cast<float>(ReadInteger(field->c_str()));
        }
    }
    void Decimal(std::size_t aIndex, float& aOut) {
        if (const std::string* field = At(aIndex)) {
            aOut = field->empty() ? 0.0f : ReadDecimal(*field);
        }
    }
    void Time(std::size_t aIndex, CFrameTime& aOut) {
        if (const std::string* field = At(aIndex)) {
            aOut = CNmeaParser::ParseTime(*field);
        }
    }
    void Date(std::size_t aIndex, CFrameDate& aOut) {
        if (const std::string* field = At(aIndex)) {
            aOut = CNmeaParser::ParseDate(*field);
        }
    }

  private:
    const TFieldList& iFields;
    bool iComplete = true;
};

int HexDigit(char aChar) {
    if (aChar >= '0' && aChar <= '9') {
        return aChar - '0';
    }
    if (aChar >= 'A' && aChar <= 'F') {
        return aChar - 'A' + 10;
    }
    return -1;  // lower case included: the checksum is written in upper case
}

// A record is named after its sentence's own first field ("GNGGA" for a GGA of the combined
// talker); a list that is not of the record's type leaves it the type's default name, whose
// letters after the talker are the type's. The rule is SentenceTypeOf's for a five-letter
// field.
void TakeName(const TFieldList& aFields, std::string& aName) {
    if (aFields.empty()) {
        return;
    }
    const std::string& first = aFields[0];
    if (first.size() == 5 && IsTalker(first.data()) && first[2] == aName[2] &&
        first[3] == aName[3] && first[4] == aName[4] &&
        (first[0] != aName[0] || first[1] != aName[1])) {
        aName = first;  // another talker: a GP sentence already has its name
    }
}

bool ChecksumMatches(const TFieldList& aFields, const std::string& aChecksum) {
    return CNmeaParser::VerifyChecksum(CNmeaParser::ComputeChecksum(aFields), aChecksum);
}

}  // namespace

TFieldList CNmeaParser::SplitFields(const std::string& aSentence) {
    TFieldList fields;
    SplitFields(aSentence, fields);
    return fields;
}

void CNmeaParser::SplitFields(const std::string& aSentence, TFieldList& aFields) {
    aFields.clear();
    const char* const end = aSentence.data() + aSentence.size();
    const char* fieldStart = aSentence.data();
    const char* p = fieldStart;
    // A field that reaches KMaxField characters ends the walk: it is the last field.
    while (p < end && static_cast<std::size_t>(p - fieldStart) < KMaxField) {
        if (*p == ',' || *p == '*') {
            aFields.emplace_back(fieldStart, p);
            fieldStart = p + 1;
        }
        ++p;
    }
    aFields.emplace_back(fieldStart, p);
}

std::uint8_t CNmeaParser::ComputeChecksum(const TFieldList& aFields) {
    // The XOR of "f[0],f[1],...,f[n-2]": the characters between '$' and '*' of the sentence.
    std::uint8_t sum = 0;
    const std::size_t summed = aFields.size() > 1 ? aFields.size() - 1 : aFields.size();
    for (std::size_t i = 0; i < summed; ++i) {
        if (i > 0) {
            sum ^= ',';
        }
        for (const char c : aFields[i]) {
            sum ^= static_cast<std::uint8_t>(c);
        }
    }
    return sum;
}

bool CNmeaParser::VerifyChecksum(std::uint8_t aComputed, const std::string& aText) {
    if (aText.size() < 2) {
        return false;
    }
    const int high = HexDigit(aText[0]);
    const int low = HexDigit(aText[1]);
    return high >= 0 && low >= 0 && ((high * 16 + low) & 0xFF) == aComputed;
}

CFrameTime CNmeaParser::ParseTime(const std::string& aText) {
    // sscanf "%2d%2d%2d.%3d": 123519.50 is 12:35:19 with fraction 50.
    static constexpr int KWidths[] = {2, 2, 2, 3};
    static constexpr char KSeparators[] = {'\0', '\0', '.', '\0'};
    int values[4] = {};
    ScanIntegers(aText.c_str(), KWidths, KSeparators, 4, values);
    CFrameTime time;
    time.iHour = values[0];
    time.iMinute = values[1];
    time.iSecond = values[2];
    time.iFraction = values[3];
    return time;
}

CFrameDate CNmeaParser::ParseDate(const std::string& aText) {
    // sscanf "%2d%2d%2d" of ddmmyy; only a complete date gets its century.
    static constexpr int KWidths[] = {2, 2, 2};
    static constexpr char KSeparators[] = {'\0', '\0', '\0'};
    int values[3] = {};
    const int converted = ScanIntegers(aText.c_str(), KWidths, KSeparators, 3, values);
    CFrameDate date;
    date.iDay = values[0];
    date.iMonth = values[1];
    date.iYear = converted == 3 ? values[2] + 2000 : 0;
    return date;
}

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
//  f[1] time  f[2..5] position  f[6] fix quality  f[7] satellites  f[8] HDOP
//  f[9,10] altitude  f[11,12] geoid separation  f[13] DGPS age  f[14] DGPS station
CGgaFrame CNmeaParser::ParseGga(const TFieldList& aFields, bool aCheckChecksum) {
    CGgaFrame frame;
    TakeName(aFields, frame.iName);
    CFieldReader fields(aFields);
    fields.Time(1, frame.iTime);
    fields.Text(2, frame.iLatitude);
    fields.Text(3, frame.iLatitudeHemisphere);
    fields.Text(4, frame.iLongitude);
    fields.Text(5, frame.iLongitudeHemisphere);
    fields.Integer(6, frame.iFixQuality);
    fields.Integer(7, frame.iSatellitesUsed);
    fields.Decimal(8, frame.iHorizontalDilution);
    fields.Decimal(9, frame.iAltitude);
    fields.Text(10, frame.iAltitudeUnit);
    fields.Decimal(11, frame.iGeoidSeparation);
    fields.Text(12, frame.iGeoidSeparationUnit);
    fields.Text(13, frame.iDifferentialAge);
    fields.Text(14, frame.iDifferentialStation);
    fields.Text(fields.Last(), frame.iChecksum);
    frame.iValid =
        fields.Complete() && (!aCheckChecksum || ChecksumMatches(aFields, frame.iChecksum));
    return frame;
}

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
//  f[1] time  f[2] status  f[3..6] position  f[7] knots  f[8] course  f[9] date
//  f[10,11] magnetic variation
CRmcFrame CNmeaParser::ParseRmc(const TFieldList& aFields, bool aCheckChecksum) {
    CRmcFrame frame;
    TakeName(aFields, frame.iName);
    CFieldReader fields(aFields);
    fields.Time(1, frame.iTime);
    fields.Text(2, frame.iStatus);
    fields.Text(3, frame.iLatitude);
    fields.Text(4, frame.iLatitudeHemisphere);
    fields.Text(5, frame.iLongitude);
    fields.Text(6, frame.iLongitudeHemisphere);
    fields.Decimal(7, frame.iSpeedKnots);
    fields.Decimal(8, frame.iCourse);
    fields.Date(9, frame.iDate);
    fields.Decimal(10, frame.iMagneticVariation);
    fields.Text(11, frame.iVariationDirection);
    fields.Text(fields.Last(), frame.iChecksum);
    frame.iValid =
        fields.Complete() && (!aCheckChecksum || ChecksumMatches(aFields, frame.iChecksum));
    return frame;
}

// $GPGSV,3,1,12,02,71,317,00,04,50,056,00,05,43,263,00,06,02,307,00*7E
//  f[1] messages  f[2] this message  f[3] satellites in view
//  then per satellite: id, elevation, azimuth, signal strength
CGsvFrame CNmeaParser::ParseGsv(const TFieldList& aFields) {
    CGsvFrame frame;
    TakeName(aFields, frame.iName);
    CFieldReader fields(aFields);
    fields.Integer(1, frame.iMessageCount);
    fields.Integer(2, frame.iMessageNumber);
    fields.Integer(3, frame.iSatellitesInView);
    // Message m lists satellites 4(m-1) to 4(m-1)+3 of those in view; the last message of a
    // group lists fewer. Computed wide: the numbers come from outside.
    const std::int64_t first = (static_cast<std::int64_t>(frame.iMessageNumber) - 1) * 4;
    for (int k = 0; k < KSatellitesPerGsv && first + k < frame.iSatellitesInView; ++k) {
        CSatelliteInfo& satellite = frame.iSatellites[k];
        const std::size_t base = 4 + 4 * static_cast<std::size_t>(k);
        fields.Integer(base, satellite.iId);
        fields.Integer(base + 1, satellite.iElevation);
        fields.Integer(base + 2, satellite.iAzimuth);
        fields.Integer(base + 3, satellite.iSignalStrength);
    }
    fields.Text(fields.Last(), frame.iChecksum);
    frame.iValid = fields.Complete() && ChecksumMatches(aFields, frame.iChecksum);
    return frame;
}

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
//  f[1] selection mode  f[2] fix mode  f[3..14] satellite ids  f[15..17] PDOP HDOP VDOP
CGsaFrame CNmeaParser::ParseGsa(const TFieldList& aFields) {
    CGsaFrame frame;
    TakeName(aFields, frame.iName);
    CFieldReader fields(aFields);
    fields.Text(1, frame.iSelectionMode);
    fields.Integer(2, frame.iFixMode);
    for (std::size_t i = 0; i < KGsaSatelliteIds; ++i) {
        fields.Text(3 + i, frame.iSatelliteIds[i]);
    }
    fields.Decimal(15, frame.iPositionDilution);
    fields.Decimal(16, frame.iHorizontalDilution);
    fields.Decimal(17, frame.iVerticalDilution);
    fields.Text(fields.Last(), frame.iChecksum);
    frame.iValid = fields.Complete() && ChecksumMatches(aFields, frame.iChecksum);
    return frame;
}

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48
//  courses and speeds are read as integers: 054.7 is 54
CVtgFrame CNmeaParser::ParseVtg(const TFieldList& aFields) {
    CVtgFrame frame;
    TakeName(aFields, frame.iName);
    CFieldReader fields(aFields);
    fields.IntegerAsFloat(1, frame.iTrueCourse);
    fields.Text(2, frame.iTrueCourseUnit);
    fields.IntegerAsFloat(3, frame.iMagneticCourse);
    fields.Text(4, frame.iMagneticCourseUnit);
    fields.IntegerAsFloat(5, frame.iSpeedKnots);
    fields.Text(6, frame.iKnotsUnit);
    fields.IntegerAsFloat(7, frame.iSpeedKmh);
    fields.Text(8, frame.iKmhUnit);
    frame.iValid = fields.Complete();
    return frame;
}

// $GPGLL,4916.45,N,12311.12,W,225444,A*31
//  f[1..4] position  f[5] time  f[6] status
CGllFrame CNmeaParser::ParseGll(const TFieldList& aFields) {
    CGllFrame frame;
    TakeName(aFields, frame.iName);
    CFieldReader fields(aFields);
    fields.Text(1, frame.iLatitude);
    fields.Text(2, frame.iLatitudeHemisphere);
    fields.Text(3, frame.iLongitude);
    fields.Text(4, frame.iLongitudeHemisphere);
    fields.Time(5, frame.iTime);
    fields.Text(6, frame.iStatus);
    frame.iValid = fields.Complete();
    return frame;
}
