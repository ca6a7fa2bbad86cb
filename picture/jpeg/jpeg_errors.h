#pragma once

// The error class of the JPEG reader and writer: libjpeg's own errors by
// their code, and the failures our code around libjpeg finds.

#include <stdexcept>
#include <string>

class EJPEG : public std::runtime_error {
public:
    // "JPEG エラー #code", for an error that libjpeg reported.
    explicit EJPEG(int code);
    // A failure found by our own code around libjpeg.
    explicit EJPEG(const std::string& message) : std::runtime_error(message) {}
    int Code() const { return code_; }  // -1 when not libjpeg's

private:
    int code_ = -1;
};
