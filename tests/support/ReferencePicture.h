#pragma once

// Pictures compared pixel for pixel with reference files kept in the source tree. A missing
// reference is written from the current picture; FIXTRAIL_UPDATE_REFERENCES=1 rewrites them
// all; one that exists but cannot be read fails the test. On a mismatch the picture is written
// beside the test program as <name>_err.ppm, to be looked at against the reference.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/HostFiles.h"

// A picture row by row, top row first, in RGB 565.
struct TPicture {
    int iWidth = 0;
    int iHeight = 0;
    std::vector<std::uint16_t> iPixels;

    std::uint16_t At(int aX, int aY) const {
        return iPixels[static_cast<std::size_t>(aY) * iWidth + aX];
    }
};

// 888 to 565 keeps the top bits; 565 to 888 repeats them, so that white is 255 and the way
// back is exact.
inline std::uint16_t PackRgb(std::uint8_t aRed, std::uint8_t aGreen, std::uint8_t aBlue) {
    return static_cast<std::uint16_t>((aRed >> 3) << 11 | (aGreen >> 2) << 5 | aBlue >> 3);
}

inline void AppendRgb(std::uint16_t aPixel, std::string& aBytes) {
    const int red = aPixel >> 11;
    const int green = (aPixel >> 5) & 0x3F;
    const int blue = aPixel & 0x1F;
    aBytes += static_cast<char>(red << 3 | red >> 2);
    aBytes += static_cast<char>(green << 2 | green >> 4);
    aBytes += static_cast<char>(blue << 3 | blue >> 2);
}

inline void WritePpm(const std::string& aPath, const TPicture& aPicture) {
    std::string bytes = "P6\n" + std::to_string(aPicture.iWidth) + " " +
                        std::to_string(aPicture.iHeight) + "\n255\n";
    for (std::uint16_t pixel : aPicture.iPixels) {
        AppendRgb(pixel, bytes);
    }
    std::ofstream out(aPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace ReferencePictureDetail {

// The next header number of a PPM, skipping white space and comments; -1 when there is none.
inline int HeaderNumber(const std::string& aBytes, std::size_t& aPosition) {
    while (aPosition < aBytes.size()) {
        if (aBytes[aPosition] == '#') {
            aPosition = aBytes.find('\n', aPosition);
        } else if (std::strchr(" \t\r\n", aBytes[aPosition]) != nullptr) {
            ++aPosition;
        } else {
            break;
        }
    }
    int value = -1;
    while (aPosition < aBytes.size() && aBytes[aPosition] >= '0' && aBytes[aPosition] <= '9') {
        if (value >= 100000) {
            return -1;  // no picture of ours is that large
        }
        value = (value < 0 ? 0 : value * 10) + (aBytes[aPosition++] - '0');
    }
    return value;
}

}  // namespace ReferencePictureDetail

// False when the file is missing or is not an 8-bit binary PPM.
inline bool ReadPpm(const std::string& aPath, TPicture& aPicture) {
    using ReferencePictureDetail::HeaderNumber;
    const std::string bytes = ReadWholeFile(aPath);
    if (bytes.compare(0, 2, "P6") != 0) {
        return false;
    }
    std::size_t position = 2;
    aPicture.iWidth = HeaderNumber(bytes, position);
    aPicture.iHeight = HeaderNumber(bytes, position);
    const int maximum = HeaderNumber(bytes, position);
    ++position;  // the single white space before the samples
    if (aPicture.iWidth <= 0 || aPicture.iHeight <= 0 || maximum != 255 ||
        position > bytes.size() ||
        bytes.size() - position !=
            static_cast<std::uint64_t>(aPicture.iWidth) * aPicture.iHeight * 3) {
        return false;
    }
    aPicture.iPixels.clear();
    for (std::size_t i = position; i < bytes.size(); i += 3) {
        aPicture.iPixels.push_back(PackRgb(static_cast<std::uint8_t>(bytes[i]),
                                           static_cast<std::uint8_t>(bytes[i + 1]),
                                           static_cast<std::uint8_t>(bytes[i + 2])));
    }
    return true;
}

// Written afresh only when it is not there at all: a file that exists but does not read as a
// picture (cut short, not checked out) must fail, not be replaced by whatever is drawn now.
inline bool ReferenceMissing(const std::string& aPath) {
    struct stat status {};
    return ::stat(aPath.c_str(), &status) != 0 && errno == ENOENT;
}

inline bool ReferenceUpdateRequested() {
    const char* value = std::getenv("FIXTRAIL_UPDATE_REFERENCES");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

// Empty when the pictures are equal; else how many pixels differ and the first of them.
// A part of the picture a comparison leaves out: aX, aY, width and height (none by default).
struct TLeftOut {
    int iX = 0;
    int iY = 0;
    int iWidth = 0;
    int iHeight = 0;

    bool Holds(int aX, int aY) const {
        return aX >= iX && aX < iX + iWidth && aY >= iY && aY < iY + iHeight;
    }
};

inline std::string DescribeDifferences(const TPicture& aActual, const TPicture& aReference,
                                       const TLeftOut& aLeftOut = {}) {
    std::ostringstream out;
    if (aActual.iWidth != aReference.iWidth || aActual.iHeight != aReference.iHeight) {
        out << "the picture is " << aActual.iWidth << "x" << aActual.iHeight << ", the reference "
            << aReference.iWidth << "x" << aReference.iHeight;
        return out.str();
    }
    int differences = 0;
    for (int y = 0; y < aActual.iHeight; ++y) {
        for (int x = 0; x < aActual.iWidth; ++x) {
            if (aActual.At(x, y) != aReference.At(x, y) && !aLeftOut.Holds(x, y) &&
                differences++ == 0) {
                out << "the first at (" << x << ", " << y << "): " << std::hex << aActual.At(x, y)
                    << " instead of " << aReference.At(x, y) << std::dec;
            }
        }
    }
    if (differences == 0) {
        return std::string();
    }
    return std::to_string(differences) + " pixels differ, " + out.str();
}

// Compares aActual with the reference at aReferencePath (written when missing or on request);
// on a mismatch the picture goes to aErrorPath.
inline void ExpectPictureMatches(const TPicture& aActual, const std::string& aReferencePath,
                                 const std::string& aErrorPath) {
    if (ReferenceMissing(aReferencePath) || ReferenceUpdateRequested()) {
        const std::string directory = aReferencePath.substr(0, aReferencePath.rfind('/'));
        ::mkdir(directory.c_str(), 0755);
        WritePpm(aReferencePath, aActual);
        std::printf("Reference picture written: %s\n", aReferencePath.c_str());
        return;
    }
    TPicture reference;
    ASSERT_TRUE(ReadPpm(aReferencePath, reference)) << aReferencePath << " is not a binary PPM";
    std::remove(aErrorPath.c_str());
    const std::string differences = DescribeDifferences(aActual, reference);
    if (!differences.empty()) {
        WritePpm(aErrorPath, aActual);
        ADD_FAILURE() << aReferencePath << ": " << differences << "; the drawing is in "
                      << aErrorPath;
    }
}
