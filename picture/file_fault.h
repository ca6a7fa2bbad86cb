#pragma once

// What a reader found wrong in a file, in the file's own terms ("BMP: bit
// count 7 is not 1, 4, 8, 16, 24 or 32"), for the reason a refusal gives.
// It travels with the reader's error without changing the error's class or
// message, which stay the program's own: a reader throws
// WithFault(EDIBInvalidDIB("..."), "BMP: ..."), its callers catch
// EDIBInvalidDIB as before, and the loader reads the fault with FaultOf.

#include <exception>
#include <string>
#include <utility>

class FileFault {
public:
    explicit FileFault(std::string fault) : fault_(std::move(fault)) {}
    virtual ~FileFault() = default;
    const std::string& Fault() const { return fault_; }

private:
    std::string fault_;
};

// An error of class Error that carries a fault.
template <class Error>
class Faulted : public Error, public FileFault {
public:
    Faulted(Error error, std::string fault)
        : Error(std::move(error)), FileFault(std::move(fault)) {}
};

template <class Error>
Faulted<Error> WithFault(Error error, std::string fault) {
    return Faulted<Error>(std::move(error), std::move(fault));
}

// The fault `error` carries; empty when it carries none.
inline std::string FaultOf(const std::exception& error) {
    const auto* fault = dynamic_cast<const FileFault*>(&error);
    return fault ? fault->Fault() : std::string();
}
