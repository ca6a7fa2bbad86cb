#pragma once

// Failures of the scaling engine: a request that no accepted plan can lead
// to (a selection outside the picture, a plan made for another selection,
// an unknown rotation). The window and the command-line tool never cause
// them when they go through PlanScale first.

#include <stdexcept>

class EScaleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
