#pragma once

// The program's exception classes. Every failure of the core is one of these,
// thrown where it is found, with the message text the program defines; the
// loader chain and the general error box are the places that catch them.

#include <stdexcept>
#include <string>

#include "picture/system/system_errors.h"

// Failures of the pixel buffer and its BMP / packed-DIB readers.
class EDIBError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EDIBInvalidDIB : public EDIBError {  // invalid or unsupported contents
public:
    using EDIBError::EDIBError;
};
class EDIBInvalidDIBFile : public EDIBError {  // not a bitmap file
public:
    using EDIBError::EDIBError;
};
class EDIBInvalidDIBPara : public EDIBError {  // bad width, height or bit count
public:
    using EDIBError::EDIBError;
};
class EDIBBadDIBType : public EDIBError {  // operation not possible for this pixel format
public:
    using EDIBError::EDIBError;
};
class EDIBPixelPositionRange : public EDIBError {
public:
    using EDIBError::EDIBError;
};
class EDIBInvalidPalette : public EDIBError {
public:
    using EDIBError::EDIBError;
};
