#pragma once

// Whole-record comparison and printing for the frame records, so that a parser test states
// one expected record and a failure shows every member of both.

#include <ostream>
#include <string>

#include "nmea/Frames.h"

// Floats compare exactly: a parser must produce the very value atoi/atof give.

inline bool operator==(const CRmcFrame& aLeft, const CRmcFrame& aRight) {
    return aLeft.iName == aRight.iName && aLeft.iTime == aRight.iTime &&
           aLeft.iStatus == aRight.iStatus && aLeft.iLatitude == aRight.iLatitude &&
           aLeft.iLatitudeHemisphere == aRight.iLatitudeHemisphere &&
           aLeft.iLongitude == aRight.iLongitude &&
           aLeft.iLongitudeHemisphere == aRight.iLongitudeHemisphere &&
           aLeft.iSpeedKnots == aRight.iSpeedKnots && aLeft.iCourse == aRight.iCourse &&
           aLeft.iDate == aRight.iDate && aLeft.iMagneticVariation == aRight.iMagneticVariation &&
           aLeft.iVariationDirection == aRight.iVariationDirection &&
           aLeft.iChecksum == aRight.iChecksum && aLeft.iValid == aRight.iValid;
}

inline bool operator==(const CVtgFrame& aLeft, const CVtgFrame& aRight) {
    return aLeft.iName == aRight.iName && aLeft.iTrueCourse == aRight.iTrueCourse &&
           aLeft.iTrueCourseUnit == aRight.iTrueCourseUnit &&
           aLeft.iMagneticCourse == aRight.iMagneticCourse &&
           aLeft.iMagneticCourseUnit == aRight.iMagneticCourseUnit &&
           aLeft.iSpeedKnots == aRight.iSpeedKnots && aLeft.iKnotsUnit == aRight.iKnotsUnit &&
           aLeft.iSpeedKmh == aRight.iSpeedKmh && aLeft.iKmhUnit == aRight.iKmhUnit &&
           aLeft.iValid == aRight.iValid;
}

inline bool operator==(const CGsvFrame& aLeft, const CGsvFrame& aRight) {
    for (int k = 0; k < KSatellitesPerGsv; ++k) {
        if (!(aLeft.iSatellites[k] == aRight.iSatellites[k])) {
            return false;
        }
    }
    return aLeft.iName == aRight.iName && aLeft.iMessageCount == aRight.iMessageCount &&
           aLeft.iMessageNumber == aRight.iMessageNumber &&
           aLeft.iSatellitesInView == aRight.iSatellitesInView &&
           aLeft.iChecksum == aRight.iChecksum && aLeft.iValid == aRight.iValid;
}

inline bool operator==(const CGsaFrame& aLeft, const CGsaFrame& aRight) {
    for (int i = 0; i < KGsaSatelliteIds; ++i) {
        if (aLeft.iSatelliteIds[i] != aRight.iSatelliteIds[i]) {
            return false;
        }
    }
    return aLeft.iName == aRight.iName && aLeft.iSelectionMode == aRight.iSelectionMode &&
           aLeft.iFixMode == aRight.iFixMode &&
           aLeft.iPositionDilution == aRight.iPositionDilution &&
           aLeft.iHorizontalDilution == aRight.iHorizontalDilution &&
           aLeft.iVerticalDilution == aRight.iVerticalDilution &&
           aLeft.iChecksum == aRight.iChecksum && aLeft.iValid == aRight.iValid;
}

inline bool operator==(const CGllFrame& aLeft, const CGllFrame& aRight) {
    return aLeft.iName == aRight.iName && aLeft.iLatitude == aRight.iLatitude &&
           aLeft.iLatitudeHemisphere == aRight.iLatitudeHemisphere &&
           aLeft.iLongitude == aRight.iLongitude &&
           aLeft.iLongitudeHemisphere == aRight.iLongitudeHemisphere &&
           aLeft.iTime == aRight.iTime && aLeft.iStatus == aRight.iStatus &&
           aLeft.iValid == aRight.iValid;
}

inline bool operator==(const CGgaFrame& aLeft, const CGgaFrame& aRight) {
    return aLeft.iName == aRight.iName && aLeft.iTime == aRight.iTime &&
           aLeft.iLatitude == aRight.iLatitude &&
           aLeft.iLatitudeHemisphere == aRight.iLatitudeHemisphere &&
           aLeft.iLongitude == aRight.iLongitude &&
           aLeft.iLongitudeHemisphere == aRight.iLongitudeHemisphere &&
           aLeft.iFixQuality == aRight.iFixQuality &&
           aLeft.iSatellitesUsed == aRight.iSatellitesUsed &&
           aLeft.iHorizontalDilution == aRight.iHorizontalDilution &&
           aLeft.iAltitude == aRight.iAltitude && aLeft.iAltitudeUnit == aRight.iAltitudeUnit &&
           aLeft.iGeoidSeparation == aRight.iGeoidSeparation &&
           aLeft.iGeoidSeparationUnit == aRight.iGeoidSeparationUnit &&
           aLeft.iDifferentialAge == aRight.iDifferentialAge &&
           aLeft.iDifferentialStation == aRight.iDifferentialStation &&
           aLeft.iChecksum == aRight.iChecksum && aLeft.iValid == aRight.iValid;
}

// GoogleTest finds these through argument-dependent lookup when an assertion fails.

inline void PrintTo(const CFrameTime& aTime, std::ostream* aOut) {
    *aOut << aTime.iHour << ':' << aTime.iMinute << ':' << aTime.iSecond << " ." << aTime.iFraction;
}

inline void PrintTo(const CFrameDate& aDate, std::ostream* aOut) {
    *aOut << aDate.iDay << '/' << aDate.iMonth << '/' << aDate.iYear;
}

inline void PrintTo(const CSatelliteInfo& aSatellite, std::ostream* aOut) {
    *aOut << '{' << aSatellite.iId << ' ' << aSatellite.iElevation << ' ' << aSatellite.iAzimuth
          << ' ' << aSatellite.iSignalStrength << '}';
}

namespace FrameEqualityDetail {

inline void Text(std::ostream* aOut, const std::string& aText) {
    *aOut << " \"" << aText << '"';
}

inline void Validity(std::ostream* aOut, bool aValid) {
    *aOut << (aValid ? " valid" : " invalid");
}

}  // namespace FrameEqualityDetail

inline void PrintTo(const CRmcFrame& aFrame, std::ostream* aOut) {
    using namespace FrameEqualityDetail;
    *aOut << aFrame.iName << ' ';
    PrintTo(aFrame.iTime, aOut);
    Text(aOut, aFrame.iStatus);
    Text(aOut, aFrame.iLatitude);
    Text(aOut, aFrame.iLatitudeHemisphere);
    Text(aOut, aFrame.iLongitude);
    Text(aOut, aFrame.iLongitudeHemisphere);
    *aOut << ' ' << aFrame.iSpeedKnots << ' ' << aFrame.iCourse << ' ';
    PrintTo(aFrame.iDate, aOut);
    *aOut << ' ' << aFrame.iMagneticVariation;
    Text(aOut, aFrame.iVariationDirection);
    Text(aOut, aFrame.iChecksum);
    Validity(aOut, aFrame.iValid);
}

inline void PrintTo(const CVtgFrame& aFrame, std::ostream* aOut) {
    using namespace FrameEqualityDetail;
    *aOut << aFrame.iName << ' ' << aFrame.iTrueCourse;
    Text(aOut, aFrame.iTrueCourseUnit);
    *aOut << ' ' << aFrame.iMagneticCourse;
    Text(aOut, aFrame.iMagneticCourseUnit);
    *aOut << ' ' << aFrame.iSpeedKnots;
    Text(aOut, aFrame.iKnotsUnit);
    *aOut << ' ' << aFrame.iSpeedKmh;
    Text(aOut, aFrame.iKmhUnit);
    Validity(aOut, aFrame.iValid);
}

inline void PrintTo(const CGsvFrame& aFrame, std::ostream* aOut) {
    using namespace FrameEqualityDetail;
    *aOut << aFrame.iName << ' ' << aFrame.iMessageCount << ' ' << aFrame.iMessageNumber << ' '
          << aFrame.iSatellitesInView;
    for (const CSatelliteInfo& satellite : aFrame.iSatellites) {
        *aOut << ' ';
        PrintTo(satellite, aOut);
    }
    Text(aOut, aFrame.iChecksum);
    Validity(aOut, aFrame.iValid);
}

inline void PrintTo(const CGsaFrame& aFrame, std::ostream* aOut) {
    using namespace FrameEqualityDetail;
    *aOut << aFrame.iName;
    Text(aOut, aFrame.iSelectionMode);
    *aOut << ' ' << aFrame.iFixMode;
    for (const std::string& id : aFrame.iSatelliteIds) {
        Text(aOut, id);
    }
    *aOut << ' ' << aFrame.iPositionDilution << ' ' << aFrame.iHorizontalDilution << ' '
          << aFrame.iVerticalDilution;
    Text(aOut, aFrame.iChecksum);
    Validity(aOut, aFrame.iValid);
}

inline void PrintTo(const CGllFrame& aFrame, std::ostream* aOut) {
    using namespace FrameEqualityDetail;
    *aOut << aFrame.iName;
    Text(aOut, aFrame.iLatitude);
    Text(aOut, aFrame.iLatitudeHemisphere);
    Text(aOut, aFrame.iLongitude);
    Text(aOut, aFrame.iLongitudeHemisphere);
    *aOut << ' ';
    PrintTo(aFrame.iTime, aOut);
    Text(aOut, aFrame.iStatus);
    Validity(aOut, aFrame.iValid);
}

inline void PrintTo(const CGgaFrame& aFrame, std::ostream* aOut) {
    using namespace FrameEqualityDetail;
    *aOut << aFrame.iName << ' ';
    PrintTo(aFrame.iTime, aOut);
    Text(aOut, aFrame.iLatitude);
    Text(aOut, aFrame.iLatitudeHemisphere);
    Text(aOut, aFrame.iLongitude);
    Text(aOut, aFrame.iLongitudeHemisphere);
    *aOut << ' ' << aFrame.iFixQuality << ' ' << aFrame.iSatellitesUsed << ' '
          << aFrame.iHorizontalDilution << ' ' << aFrame.iAltitude;
    Text(aOut, aFrame.iAltitudeUnit);
    *aOut << ' ' << aFrame.iGeoidSeparation;
    Text(aOut, aFrame.iGeoidSeparationUnit);
    Text(aOut, aFrame.iDifferentialAge);
    Text(aOut, aFrame.iDifferentialStation);
    Text(aOut, aFrame.iChecksum);
    Validity(aOut, aFrame.iValid);
}
