#pragma once

// The error class of the PNG reader and writer.

#include <stdexcept>
#include <string>

// Failures of the PNG reader and writer ("Not PNG Image", "zlib error", ...).
class EPNGError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
