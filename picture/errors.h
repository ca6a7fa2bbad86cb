#pragma once

// The program's exception classes. Every failure of the core is one of these,
// thrown where it is found, with the message text the program defines; the
// loader chain and the general error box are the places that catch them.

#include <stdexcept>
#include <string>

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

// Failures that a desktop platform reports with its own classes and texts:
// value range checks, stream reads and writes, memory, files.
class ERangeError : public std::runtime_error {
public:
    ERangeError() : std::runtime_error("Range check error") {}
};
class EReadError : public std::runtime_error {
public:
    EReadError() : std::runtime_error("Stream read error") {}
    using std::runtime_error::runtime_error;
};
class EWriteError : public std::runtime_error {
public:
    EWriteError() : std::runtime_error("Stream write error") {}
    using std::runtime_error::runtime_error;
};
class EOutOfMemory : public std::runtime_error {
public:
    EOutOfMemory() : std::runtime_error("Out of memory") {}
    using std::runtime_error::runtime_error;
};
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EInvalidGraphic : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A file that cannot be opened for reading, or created for writing; the
// message names the file and the system's reason.
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
