// The readable reports of CNmeaParser: one "Label : value" line per item, labels padded so
// that the colons line up in the log file.

#include "nmea/FieldNumbers.h"
#include "nmea/NmeaParser.h"

namespace {

constexpr const char* KFrameName = "Frame name           : ";
constexpr const char* KTime = "Time                 : ";
constexpr const char* KNavigationAlert = "Navigation Alert     : ";
constexpr const char* KLatitude = "Latitude             : ";
constexpr const char* KLongitude = "Longitude            : ";
constexpr const char* KSpeedKnots = "Speed (Knots)        : ";
constexpr const char* KCourse = "Course               : ";
constexpr const char* KDate = "Date                 : ";
constexpr const char* KMagneticDeclination = "Magnetic Declination : ";
constexpr const char* KTrueCourse = "True Course          : ";
constexpr const char* KMagneticCourse = "Magnetic Course      : ";
constexpr const char* KGroundSpeedKnots = "Ground speed (Knots) : ";
constexpr const char* KGroundSpeedKmh = "Ground speed (Kmh)   : ";
constexpr const char* KGsvFramesNumber =
    "GPGSV Frames Number    : ";  // one column wider, as issued
constexpr const char* KFrameRank = "Frame Rank           : ";
constexpr const char* KSatellitesNumber = "Satellites Number    : ";
constexpr const char* KFixSelection = "Fix Selection        : ";
constexpr const char* KFix3D = "Fix 3D               : ";
constexpr const char* KSatelliteId = "Satellite Id         : ";
constexpr const char* KDilutionAccuracy = "Dilution Accuracy    : ";
constexpr const char* KHorizontalDilution = "Horizontal Dilution  : ";
constexpr const char* KVerticalDilution = "Vertical Dilution    : ";
constexpr const char* KDataValidity = "Data Validity        : ";
constexpr const char* KFixQualification = "Fix Qualification    : ";
constexpr const char* KGgaSatellitesNumber = "Satellites number    : ";
constexpr const char* KAltitude = "Altitude             : ";
constexpr const char* KGeoidFix = "Geoid Fix            : ";
constexpr const char* KChecksum = "Checksum             : ";
constexpr const char* KValidLine = "Frame Validity       : valid\n";
constexpr const char* KInvalidLine = "Frame Validity       : invalid\n";

// Lines in the formats of the report; each ends with a line feed.
class CReportWriter {
  public:
    explicit CReportWriter(std::string& aOut) : iOut(aOut) {}

    void Text(const char* aLabel, const std::string& aValue) {
        iOut += aLabel;
        iOut += aValue;
        iOut += '\n';
    }
    void Integer(const char* aLabel, int aValue) {
        iOut += aLabel;
        AppendInteger(iOut, aValue);
        iOut += '\n';
    }
    void Decimal(const char* aLabel, float aValue)  // "%.1f"
    {
        iOut += aLabel;
        AppendOneDecimal(iOut, aValue);
        iOut += '\n';
    }
    void DecimalWithUnit(const char* aLabel, float aValue, const std::string& aUnit)  // "%.1f %s"
    {
        iOut += aLabel;
        AppendOneDecimal(iOut, aValue);
        iOut += ' ';
        iOut += aUnit;
        iOut += '\n';
    }
    void Position(const char* aLabel, const std::string& aCoordinate,
                  const std::string& aHemisphere) {
        iOut += aLabel;
        iOut += aCoordinate;
        iOut += ' ';
        iOut += aHemisphere;
        iOut += '\n';
    }
    void Time(const CFrameTime& aTime)  // "%02d:%02d:%02d %03d"
    {
        iOut += KTime;
        AppendInteger(iOut, aTime.iHour, 2);
        iOut += ':';
        AppendInteger(iOut, aTime.iMinute, 2);
        iOut += ':';
        AppendInteger(iOut, aTime.iSecond, 2);
        iOut += ' ';
        AppendInteger(iOut, aTime.iFraction, 3);
        iOut += '\n';
    }
    void Date(const CFrameDate& aDate)  // "%02d/%02d/%04d"
    {
        iOut += KDate;
        AppendInteger(iOut, aDate.iDay, 2);
        iOut += '/';
        AppendInteger(iOut, aDate.iMonth, 2);
        iOut += '/';
        AppendInteger(iOut, aDate.iYear, 4);
        iOut += '\n';
    }
    void Start(const std::string& aFrameName) { Text(KFrameName, aFrameName); }
    void End(bool aValid) { iOut += aValid ? KValidLine : KInvalidLine; }

  private:
    std::string& iOut;
};

template <typename TFrame>
std::string Report(const TFrame& aFrame) {
    std::string report;
    report.reserve(512);
    CNmeaParser::AppendReport(report, aFrame);
    return report;
}

}  // namespace

void CNmeaParser::AppendReport(std::string& aReport, const CRmcFrame& aFrame) {
    CReportWriter out(aReport);
    out.Start(aFrame.iName);
    out.Time(aFrame.iTime);
    out.Text(KNavigationAlert, aFrame.iStatus);
    out.Position(KLatitude, aFrame.iLatitude, aFrame.iLatitudeHemisphere);
    out.Position(KLongitude, aFrame.iLongitude, aFrame.iLongitudeHemisphere);
    out.Decimal(KSpeedKnots, aFrame.iSpeedKnots);
    out.Decimal(KCourse, aFrame.iCourse);
    out.Date(aFrame.iDate);
    out.DecimalWithUnit(KMagneticDeclination, aFrame.iMagneticVariation,
                        aFrame.iVariationDirection);
    out.Text(KChecksum, aFrame.iChecksum);
    out.End(aFrame.iValid);
}

void CNmeaParser::AppendReport(std::string& aReport, const CVtgFrame& aFrame) {
    CReportWriter out(aReport);
    out.Start(aFrame.iName);
    out.DecimalWithUnit(KTrueCourse, aFrame.iTrueCourse, aFrame.iTrueCourseUnit);
    out.DecimalWithUnit(KMagneticCourse, aFrame.iMagneticCourse, aFrame.iMagneticCourseUnit);
    out.DecimalWithUnit(KGroundSpeedKnots, aFrame.iSpeedKnots, aFrame.iKnotsUnit);
    out.DecimalWithUnit(KGroundSpeedKmh, aFrame.iSpeedKmh, aFrame.iKmhUnit);
    out.End(aFrame.iValid);
}

void CNmeaParser::AppendReport(std::string& aReport, const CGsvFrame& aFrame) {
    CReportWriter out(aReport);
    out.Start(aFrame.iName);
    out.Integer(KGsvFramesNumber, aFrame.iMessageCount);
    out.Integer(KFrameRank, aFrame.iMessageNumber);
    out.Integer(KSatellitesNumber, aFrame.iSatellitesInView);
    // All four slots, filled or not: "Satellite Id. #%d     : %d" and three indented lines.
    for (int k = 0; k < KSatellitesPerGsv; ++k) {
        const CSatelliteInfo& satellite = aFrame.iSatellites[k];
        aReport += "Satellite Id. #";
        AppendInteger(aReport, k + 1);
        aReport += "     : ";
        AppendInteger(aReport, satellite.iId);
        aReport += '\n';
        out.Integer("  Elevation          : ", satellite.iElevation);
        out.Integer("  Azimuth            : ", satellite.iAzimuth);
        out.Integer("  Signal strength    : ", satellite.iSignalStrength);
    }
    out.Text(KChecksum, aFrame.iChecksum);
    out.End(aFrame.iValid);
}

void CNmeaParser::AppendReport(std::string& aReport, const CGsaFrame& aFrame) {
    CReportWriter out(aReport);
    out.Start(aFrame.iName);
    out.Text(KFixSelection, aFrame.iSelectionMode);
    out.Integer(KFix3D, aFrame.iFixMode);
    for (const std::string& id : aFrame.iSatelliteIds) {
        out.Text(KSatelliteId, id);
    }
    out.Decimal(KDilutionAccuracy, aFrame.iPositionDilution);
    out.Decimal(KHorizontalDilution, aFrame.iHorizontalDilution);
    out.Decimal(KVerticalDilution, aFrame.iVerticalDilution);
    out.Text(KChecksum, aFrame.iChecksum);
    out.End(aFrame.iValid);
}

void CNmeaParser::AppendReport(std::string& aReport, const CGllFrame& aFrame) {
    CReportWriter out(aReport);
    out.Start(aFrame.iName);
    out.Position(KLatitude, aFrame.iLatitude, aFrame.iLatitudeHemisphere);
    out.Position(KLongitude, aFrame.iLongitude, aFrame.iLongitudeHemisphere);
    out.Time(aFrame.iTime);
    out.Text(KDataValidity, aFrame.iStatus);
    out.End(aFrame.iValid);
}

void CNmeaParser::AppendReport(std::string& aReport, const CGgaFrame& aFrame) {
    CReportWriter out(aReport);
    out.Start(aFrame.iName);
    out.Time(aFrame.iTime);
    out.Position(KLatitude, aFrame.iLatitude, aFrame.iLatitudeHemisphere);
    out.Position(KLongitude, aFrame.iLongitude, aFrame.iLongitudeHemisphere);
    out.Integer(KFixQualification, aFrame.iFixQuality);
    out.Integer(KGgaSatellitesNumber, aFrame.iSatellitesUsed);
    out.Decimal(KHorizontalDilution, aFrame.iHorizontalDilution);
    out.DecimalWithUnit(KAltitude, aFrame.iAltitude, aFrame.iAltitudeUnit);
    out.DecimalWithUnit(KGeoidFix, aFrame.iGeoidSeparation, aFrame.iGeoidSeparationUnit);
    out.Text(KChecksum, aFrame.iChecksum);
    out.End(aFrame.iValid);
}

void CNmeaParser::AppendFieldList(std::string& aReport, const TFieldList& aFields) {
    // "Field #%2d : %s": the index padded with spaces to two places.
    for (std::size_t i = 0; i < aFields.size(); ++i) {
        aReport += "Field #";
        if (i < 10) {
            aReport += ' ';
        }
        AppendInteger(aReport, static_cast<int>(i));
        aReport += " : ";
        aReport += aFields[i];
        aReport += '\n';
    }
}

std::string CNmeaParser::DecodeRmc(const CRmcFrame& aFrame) {
    return Report(aFrame);
}

std::string CNmeaParser::DecodeVtg(const CVtgFrame& aFrame) {
    return Report(aFrame);
}

std::string CNmeaParser::DecodeGsv(const CGsvFrame& aFrame) {
    return Report(aFrame);
}

std::string CNmeaParser::DecodeGsa(const CGsaFrame& aFrame) {
    return Report(aFrame);
}

std::string CNmeaParser::DecodeGll(const CGllFrame& aFrame) {
    return Report(aFrame);
}

std::string CNmeaParser::DecodeGga(const CGgaFrame& aFrame) {
    return Report(aFrame);
}

std::string CNmeaParser::DecodeFieldList(const TFieldList& aFields) {
    std::string report;
    AppendFieldList(report, aFields);
    return report;
}
