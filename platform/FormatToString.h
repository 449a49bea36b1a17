#pragma once

#include <cstdarg>

// The platform's own formatted print, used for paths and message fields.
//
// Writes at most aSize - 1 characters to aBuffer, always ends them with a NUL, and returns the
// number written (with aSize < 1 nothing is written and 0 is returned). Output stops as soon as
// aSize - 1 characters are written, even inside a conversion.
//
// Outside a conversion every character is copied. After '%':
//   %%          a '%'
//   + h l       in any order before the conversion: '+' shows '+' before a non-negative d, x
//               or X; h and l are ignored (every integer argument is one int)
//   width       once: '0' and one digit pads with zeros to that width; a digit 1-9, optionally
//               followed by a second digit, pads with spaces to that one- or two-digit width.
//               A '0' followed by anything but a digit gives no padding.
//   d           signed decimal        x X   signed hexadecimal, digits 0-9 A-F (both cases)
//   u           unsigned decimal      c     one character (a 0 argument writes a 0 byte)
//   s           a NUL-terminated string, never padded; a null pointer prints "(null)"
// For d, x, X and u the sign comes first, then the padding (which counts digits only), then
// the digits: "%05d" of -42 is "-00042". Any other character after '%' (a digit after the
// width included) is copied without the '%' and takes no argument. A '%' at the very end of
// the format, or a conversion cut off by the end, writes nothing.
int FormatToString(char* aBuffer, int aSize, const char* aFormat, ...)
    __attribute__((format(printf, 3, 4)));
int FormatToStringList(char* aBuffer, int aSize, const char* aFormat, std::va_list aArguments);
