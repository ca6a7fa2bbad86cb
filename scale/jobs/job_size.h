#pragma once

// The size a picture is scaled to. A percentage or a pixel frame means the
// same for every picture; a size given by the longer or the shorter edge,
// and the request that no picture grow, depend on the picture's own size,
// so they are turned into the window's settings (a pixel frame, or 100
// percent) once that size is known, and the engine's size computation does
// the rest exactly as it does for those settings.

#include "scale/jobs/job_settings.h"
#include "scale/scale_settings.h"

struct JobSize {
    SelectionRect Selection;  // ordered and clamped to the picture
    ScaleSettings Settings;   // what the engine is given
};

// The selection and settings for a picture of width x height (upright, when
// AutoOrient has turned it):
// - EdgeRule::Long, N: a locked pixel frame of N x N, whose fit has N as its
//   longer side.
// - EdgeRule::Short, N: a locked pixel frame of N along the finished
//   picture's shorter side and no bound along the other.
// - NoEnlarge: when the size computation would make a side longer than
//   the selection has it, percent values are capped at 100, a locked frame
//   becomes 100 percent, and an unlocked frame's sides are capped at the
//   selection's (after a quarter turn, the selection's other side).
// A request the engine refuses (a zero value, a selection one pixel wide)
// is passed on unchanged, to be refused by it.
JobSize SizeForPicture(const JobSettings& settings, int width, int height);
