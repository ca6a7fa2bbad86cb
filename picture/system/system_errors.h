#pragma once

// The failures of the process's services, with the classes and texts a
// desktop platform reports them with: value range checks, stream reads and
// writes, memory, files. They are thrown where the failure is found; the
// loader chain and the general error box are the places that catch them.

#include <stdexcept>
#include <string>

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
// A need that passes the ceiling set on the process's memory
// (SetMemoryLimit in memory_budget.h) even with nothing else held: no
// waiting can meet it.
class EMemoryLimit : public EOutOfMemory {
public:
    using EOutOfMemory::EOutOfMemory;
};
// A need of work that runs beside other work that does not fit now, but
// might once the others give back what they hold (memory_budget.h). It is
// not an EOutOfMemory: the work is to wait and start again, not to fail.
class EMemoryBusy : public std::runtime_error {
public:
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
// A save that may not replace a file refused because one stands at the
// name ("File exists"); nothing was written.
class EFileExists : public EFCreateError {
public:
    using EFCreateError::EFCreateError;
};
