#include "tests/support/scale_helpers.h"

#include <gtest/gtest.h>

TDIB ScaleWholePicture(const TDIB& source, const ScaleSettings& settings) {
    const SelectionRect sel = WholePicture(source.Width(), source.Height());
    ScalePlan plan;
    EXPECT_EQ(PlanScale(settings, sel, plan), ScaleRefusal::None);
    TDIB result;
    ResampleTables tables;
    RunScale(source, sel, settings, plan, result, tables);
    return result;
}
