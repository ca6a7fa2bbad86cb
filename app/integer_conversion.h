#pragma once

// The platform's string-to-integer conversion as the size fields use it:
// leading blanks, an optional sign, then decimal digits, or hexadecimal
// digits after "$", "x" or "0x". Anything else fails, and so does a number
// outside the 32-bit range (hexadecimal may use all 32 bits, read as a
// two's-complement number: "$FFFFFFFF" is -1).

#include <QString>
#include <cstdint>
#include <stdexcept>

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const QString& text);
