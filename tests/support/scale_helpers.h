#pragma once

// The scaling engine as the tests call it most: on a whole picture.

#include "picture/dib.h"
#include "scale/scale_run.h"

// What the engine makes of the whole of `source` with `settings`: planned
// (a refusal fails the test) and run with fresh tables.
TDIB ScaleWholePicture(const TDIB& source, const ScaleSettings& settings);
