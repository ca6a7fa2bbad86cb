#pragma once

// The scale run written out the plain way, as the program describes it:
// tables built per pass, every pixel read and written one at a time through
// GetPixels/SetPixels, the tone through Contrast, the rotation by the
// mapping, the buffers sized by SetWidth/SetHeight/SetPixelFormat in the
// command's order. The engine's fast loops must give the same bytes.

#include "scale/scale_run.h"

void ReferenceRunScale(const TDIB& source, const SelectionRect& selection,
                       const ScaleSettings& settings, const ScalePlan& plan, TDIB& result,
                       ResampleTables& tables, const ScaleProgress& progress = {});
