#pragma once

// The size a picture is scaled to. --percent and --pixels mean the same for
// every picture; --long-edge, --short-edge and --no-enlarge depend on the
// picture's own size, so they are turned into the window's settings (a pixel
// frame, or 100 percent) once that size is known, and the engine's size
// computation does the rest exactly as it does for those settings.

#include "cli/cli_options.h"
#include "scale/scale_settings.h"

struct JobSize {
    SelectionRect Selection;  // ordered and clamped to the picture
    ScaleSettings Settings;   // what the engine is given
};

// The selection and settings for a picture of width x height (upright, when
// --auto-orient has turned it):
// - --long-edge N: a locked pixel frame of N x N, whose fit has N as its
//   longer side.
// - --short-edge N: a locked pixel frame of N along the finished picture's
//   shorter side and no bound along the other.
// - --no-enlarge: when the size computation would make a side longer than
//   the selection has it, percent values are capped at 100, a locked frame
//   becomes 100 percent, and an unlocked frame's sides are capped at the
//   selection's (after a quarter turn, the selection's other side).
// A request the engine refuses (a zero value, a selection one pixel wide)
// is passed on unchanged, to be refused by it.
JobSize SizeForPicture(const CliOptions& options, int width, int height);
