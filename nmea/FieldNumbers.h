#pragma once

#include <cstddef>
#include <string>

// Number conversions of field text, with the results of the C library calls the log format
// was defined with (atoi, atof, sscanf "%2d"), but without their cost on the device: these run
// several times for every sentence. Where the C library leaves a result undefined (an int out
// of range) they saturate, so that every platform writes the same log.

// atoi: leading white space, an optional sign, decimal digits; 0 without digits.
int ReadInteger(const char* aText);

// atof of the text, as a float; exact for every input (unusual forms go to strtod).
float ReadDecimal(const std::string& aText);

// sscanf(aText, "%2d%2d%2d...") where aWidths[i] is the width of conversion i and aSeparators[i]
// the literal character that must follow it ('\0' for none). Returns how many conversions
// succeeded, storing them in aValues; the scan stops at the first failure.
int ScanIntegers(const char* aText, const int* aWidths, const char* aSeparators, int aCount,
                 int* aValues);

// "%.1f" of aValue appended to aOut, byte for byte as printf writes it.
void AppendOneDecimal(std::string& aOut, float aValue);

// "%d", or "%0Nd" with aWidth N, appended to aOut.
void AppendInteger(std::string& aOut, int aValue, int aWidth = 0);

// sscanf(aText, "%d", &aValue) == 1, saturating: false, and aValue unchanged, without a number.
bool ScanInteger(const char* aText, int& aValue);
