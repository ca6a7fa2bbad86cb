#pragma once

// The error class of the GIF reader, writer and LZW coder.

#include <stdexcept>
#include <string>

// Failures of the GIF reader and writer ("Invalid GIF signature", ...).
class EGIFError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
