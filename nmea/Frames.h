#pragma once

#include <string>

// Frame records: one per sentence type the engine understands. Each is a plain value that
// owns its strings; numbers come from the field text as atoi/atof would read it, strings hold
// the field text exactly as received. A record starts at its default value (name set, every
// number 0, every string empty, invalid) and lives only while its sentence is handled.

struct CFrameTime {
    int iHour = 0;
    int iMinute = 0;
    int iSecond = 0;
    int iFraction = 0;  // the digits after the point as written: .5 gives 5, .50 gives 50

    bool operator==(const CFrameTime& aOther) const {
        return iHour == aOther.iHour && iMinute == aOther.iMinute && iSecond == aOther.iSecond &&
               iFraction == aOther.iFraction;
    }
};

struct CFrameDate {
    int iYear = 0;  // 2000 + the two-digit year when the date was complete
    int iMonth = 0;
    int iDay = 0;

    bool operator==(const CFrameDate& aOther) const {
        return iYear == aOther.iYear && iMonth == aOther.iMonth && iDay == aOther.iDay;
    }
};

struct CSatelliteInfo {
    int iId = 0;
    int iElevation = 0;
    int iAzimuth = 0;
    int iSignalStrength = 0;

    bool operator==(const CSatelliteInfo& aOther) const {
        return iId == aOther.iId && iElevation == aOther.iElevation &&
               iAzimuth == aOther.iAzimuth && iSignalStrength == aOther.iSignalStrength;
    }
};

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
struct CRmcFrame {
    std::string iName = "GPRMC";
    CFrameTime iTime;
    std::string iStatus;
    std::string iLatitude;
    std::string iLatitudeHemisphere;
    std::string iLongitude;
    std::string iLongitudeHemisphere;
    float iSpeedKnots = 0;
    float iCourse = 0;
    CFrameDate iDate;
    float iMagneticVariation = 0;
    std::string iVariationDirection;
    std::string iChecksum;
    bool iValid = false;
};

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48 (no checksum member: it is not verified)
struct CVtgFrame {
    std::string iName = "GPVTG";
    float iTrueCourse = 0;
    std::string iTrueCourseUnit;
    float iMagneticCourse = 0;
    std::string iMagneticCourseUnit;
    float iSpeedKnots = 0;
    std::string iKnotsUnit;
    float iSpeedKmh = 0;
    std::string iKmhUnit;
    bool iValid = false;
};

constexpr int KSatellitesPerGsv = 4;

// $GPGSV,3,1,12,02,71,317,00,04,50,056,00,05,43,263,00,06,02,307,00*7E
struct CGsvFrame {
    std::string iName = "GPGSV";
    int iMessageCount = 0;
    int iMessageNumber = 0;
    int iSatellitesInView = 0;
    CSatelliteInfo iSatellites[KSatellitesPerGsv];
    std::string iChecksum;
    bool iValid = false;
};

constexpr int KGsaSatelliteIds = 12;

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
struct CGsaFrame {
    std::string iName = "GPGSA";
    std::string iSelectionMode;
    int iFixMode = 0;
    std::string iSatelliteIds[KGsaSatelliteIds];
    float iPositionDilution = 0;
    float iHorizontalDilution = 0;
    float iVerticalDilution = 0;
    std::string iChecksum;
    bool iValid = false;
};

// $GPGLL,4916.45,N,12311.12,W,225444,A*31 (no checksum member: it is not verified)
struct CGllFrame {
    std::string iName = "GPGLL";
    std::string iLatitude;
    std::string iLatitudeHemisphere;
    std::string iLongitude;
    std::string iLongitudeHemisphere;
    CFrameTime iTime;
    std::string iStatus;
    bool iValid = false;
};

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
struct CGgaFrame {
    std::string iName = "GPGGA";
    CFrameTime iTime;
    std::string iLatitude;
    std::string iLatitudeHemisphere;
    std::string iLongitude;
    std::string iLongitudeHemisphere;
    int iFixQuality = 0;
    int iSatellitesUsed = 0;
    float iHorizontalDilution = 0;
    float iAltitude = 0;
    std::string iAltitudeUnit;
    float iGeoidSeparation = 0;
    std::string iGeoidSeparationUnit;
    std::string iDifferentialAge;
    std::string iDifferentialStation;
    std::string iChecksum;
    bool iValid = false;
};
